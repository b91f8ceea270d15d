// The per-user settings store: an INI file at $XDG_CONFIG_HOME/kelpo/Rimglider.conf.
#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace rimglider {

// $XDG_CONFIG_HOME/kelpo/Rimglider.conf (~/.config when XDG_CONFIG_HOME is unset).
QString settingsStorePath();

// The store at `path`. Keys missing from the file read as missing: nothing is looked up in
// other files. When the file does not exist yet but a Rimglider.ini written by an earlier
// build does, its values are taken over once; the old file is left as it is.
std::unique_ptr<QSettings> openSettingsStore(const QString& path);

// The one store of the running application, at settingsStorePath(). Tests open their own
// store on a temporary file and hand it to the settings objects.
QSettings& standardSettingsStore();

} // namespace rimglider
