#include "app/program_icon.h"

// The resources live in a static library, whose registration the linker may
// drop unless it is asked for by name.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace zelkam {

QIcon programIcon()
{
    static const bool registered = (initResources(), true);
    (void)registered;
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/zelkam/zelkam-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace zelkam
