#pragma once

#include <sys/types.h>
#include <unistd.h>

namespace zelkam::receive {

// Who may own what the receiver trusts (its secret file, its archive and
// the folders above it): the user running it, or the administrator, who
// can change anything anyway. Anything another user owns, that user can
// change behind the receiver's back.
inline bool isTrustedOwner(uid_t owner) { return owner == ::geteuid() || owner == 0; }

} // namespace zelkam::receive
