#pragma once

#include <QIcon>

namespace zelkam {

// The program icon in all its sizes, from the built-in resources.
QIcon programIcon();

} // namespace zelkam
