#include "parse/log_event.h"

namespace zelkam {

const PlayerEntry WorldIdentity = {"world", 0, 0, 0, Team::None, LifeState::Pending, 0, 0};

} // namespace zelkam
