#include "DesktopSettings.h"

#include "LoginItem.h"

#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace rimglider {

std::optional<DesktopCommand> desktopSettingsCommand(DesktopPage page, const QString& desktop,
                                                     const std::function<bool(const QString&)>& exists)
{
    const QStringList names = desktop.toUpper().split(QLatin1Char(':'), Qt::SkipEmptyParts);
    std::vector<DesktopCommand> candidates;
    if (names.contains(QStringLiteral("GNOME")) || names.contains(QStringLiteral("UNITY"))) {
        switch (page) {
        case DesktopPage::regionAndLanguage:
            candidates.push_back({QStringLiteral("gnome-control-center"), {QStringLiteral("region")}});
            break;
        case DesktopPage::startupApplications:
            // GNOME's own settings have no autostart page; Tweaks has "Startup Applications".
            candidates.push_back({QStringLiteral("gnome-tweaks"), {}});
            break;
        }
    }
    if (names.contains(QStringLiteral("KDE"))) {
        const QString module = page == DesktopPage::regionAndLanguage ? QStringLiteral("kcm_regionandlang")
                                                                      : QStringLiteral("kcm_autostart");
        candidates.push_back({QStringLiteral("systemsettings"), {module}});
        candidates.push_back({QStringLiteral("systemsettings5"), {module}});
        candidates.push_back({QStringLiteral("kcmshell6"), {module}});
        candidates.push_back({QStringLiteral("kcmshell5"), {module}});
    }
    for (auto& candidate : candidates) {
        if (exists(candidate.program)) return candidate;
    }
    return std::nullopt;
}

namespace {

QString homeRelative(const QString& path)
{
    const QString home = QDir::homePath();
    if (path.startsWith(home + u'/')) return u'~' + path.mid(home.size());
    return path;
}

} // namespace

QString desktopSettingsHelp(DesktopPage page)
{
    switch (page) {
    case DesktopPage::startupApplications:
        return QObject::tr("Rimglider starts at login through the file rimglider.desktop in %1. "
                           "Your desktop's list of startup applications (often under Settings, or Tweaks on "
                           "GNOME) can turn it on or off.")
            .arg(homeRelative(LoginItem::standardAutostartDir()));
    case DesktopPage::regionAndLanguage:
        return QObject::tr("Rimglider follows your system language. Your desktop's Settings change it under "
                           "Region & Language.");
    }
    return {};
}

void openDesktopSettings(DesktopPage page, QWidget* parent)
{
    const auto desktop = QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_CURRENT_DESKTOP"));
    const auto command = desktopSettingsCommand(
        page, desktop, [](const QString& program) { return !QStandardPaths::findExecutable(program).isEmpty(); });
    if (command && QProcess::startDetached(command->program, command->arguments)) return;
    QMessageBox::information(parent, QObject::tr("Rimglider"), desktopSettingsHelp(page));
}

} // namespace rimglider
