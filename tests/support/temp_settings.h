#pragma once

#include <QString>
#include <QVariant>
#include <memory>

#include "tests/support/temp_folder.h"

namespace zelkam::test {

// The viewer's per-user settings store, empty for one test and the user's
// own settings untouched afterwards. Elsewhere the store is a file, and Qt
// is pointed at a fresh folder for it. On Windows it is the registry key
// HKEY_CURRENT_USER\Software\Zelkam, which Qt cannot be pointed away from:
// what the user had there is kept aside and put back at the end, and test
// programs running side by side take turns at the key.
class TempSettings {
public:
    TempSettings();
    ~TempSettings();
    TempSettings(const TempSettings&) = delete;
    TempSettings& operator=(const TempSettings&) = delete;

    // Whether the store exists (the viewer has created it).
    bool exists() const;
    static QVariant stored(const QString& name = QStringLiteral("Log Directory"));
    static void store(const QString& name, const QVariant& value);

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
    TempFolder folder_;
};

} // namespace zelkam::test
