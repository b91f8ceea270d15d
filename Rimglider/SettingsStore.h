// The per-user settings store: an INI file at $XDG_CONFIG_HOME/kelpo/Rimglider.conf.
#pragma once

#include <QSettings>

namespace rimglider {

// The one store of the running application. Tests build their own QSettings on a
// temporary file instead and hand it to the settings objects.
QSettings& standardSettingsStore();

} // namespace rimglider
