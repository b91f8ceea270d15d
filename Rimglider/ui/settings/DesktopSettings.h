// Opening a page of the desktop's own settings tool. GNOME and KDE have one for each page
// Rimglider points at; elsewhere (or when the tool is missing) Rimglider explains the way.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace rimglider {

enum class DesktopPage { startupApplications, regionAndLanguage };

struct DesktopCommand {
    QString program;
    QStringList arguments;
    friend bool operator==(const DesktopCommand&, const DesktopCommand&) = default;
};

// The command that opens `page` on `desktop` (XDG_CURRENT_DESKTOP, colon-separated), taking
// only programs `exists` finds; none when there is no such program.
std::optional<DesktopCommand> desktopSettingsCommand(DesktopPage page, const QString& desktop,
                                                     const std::function<bool(const QString&)>& exists);

// What to do by hand when no settings tool can open `page`.
QString desktopSettingsHelp(DesktopPage page);

// Starts the tool for this session's desktop, or shows the help in a message box over `parent`.
// Called by the settings window; tests replace it through GeneralSettings' opener.
void openDesktopSettings(DesktopPage page, QWidget* parent);

} // namespace rimglider
