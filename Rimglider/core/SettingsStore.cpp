#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace rimglider {

namespace {

// Earlier builds let Qt name the file from organisation and application, which gave .ini.
void adoptEarlierStore(const QString& path)
{
    const QFileInfo conf(path);
    const QString earlier = conf.dir().filePath(conf.completeBaseName() + QStringLiteral(".ini"));
    if (conf.exists() || !QFileInfo::exists(earlier)) return;
    const QSettings from(earlier, QSettings::IniFormat);
    QSettings to(path, QSettings::IniFormat);
    for (const QString& key : from.allKeys())
        to.setValue(key, from.value(key));
    to.sync();
}

} // namespace

QString settingsStorePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/kelpo/Rimglider.conf");
}

std::unique_ptr<QSettings> openSettingsStore(const QString& path)
{
    adoptEarlierStore(path);
    auto store = std::make_unique<QSettings>(path, QSettings::IniFormat);
    store->setFallbacksEnabled(false);
    return store;
}

QSettings& standardSettingsStore()
{
    static QSettings* store = openSettingsStore(settingsStorePath()).release(); // never destroyed
    return *store;
}

} // namespace rimglider
