#include "SettingsStore.h"

namespace rimglider {

QSettings& standardSettingsStore()
{
    // Qt places IniFormat + UserScope files under the XDG config folder: kelpo/Rimglider.conf.
    static QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("kelpo"),
                           QStringLiteral("Rimglider"));
    return store;
}

} // namespace rimglider
