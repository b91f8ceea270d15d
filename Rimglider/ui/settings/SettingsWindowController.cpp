#include "SettingsWindowController.h"

#include "AboutSettings.h"
#include "AppSettings.h"
#include "DebugWindowController.h"
#include "Icons.h"
#include "LoginItem.h"
#include "OnboardingWindowController.h"
#include "Permissions.h"
#include "ScreenFit.h"
#include "SettingsView.h"
#include "Updates.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

namespace rimglider {

SettingsWindowController& SettingsWindowController::shared()
{
    static SettingsWindowController controller([] {
        return new SettingsView(SettingsView::Services{
            .settings = AppSettings::shared(),
            .loginItem = LoginItem::shared(),
            .permissions = Permissions::shared(),
            .updates = Updates::shared(),
            .updateFeedConfigured = Updates::feedURL().has_value(),
            .actions = {
                .openDesktopSettings = [](DesktopPage page) { openDesktopSettings(page, nullptr); },
                .showWelcomeGuide = [] { OnboardingWindowController::shared().show(); },
                .openDebugWindow = [] { DebugWindowController::shared().show(); },
            },
            .version = AboutSettings::version(),
            .build = AboutSettings::build(),
        });
    });
    return controller;
}

SettingsWindowController::SettingsWindowController(ViewFactory makeView) : makeView_(std::move(makeView)) {}

void SettingsWindowController::show()
{
    if (!window_) {
        auto* view = makeView_();
        // A top-level window that is hidden, not deleted, when closed, so it opens again
        // where the user left it.
        view->setWindowTitle(QObject::tr("Rimglider Settings"));
        view->setWindowIcon(Icons::application());
        view->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                             Qt::WindowMinimizeButtonHint);
        view->setAttribute(Qt::WA_DeleteOnClose, false);
        screenfit::fitAndCentre(view, view->sizeHint());
        window_ = view;
    }
    window_->show();
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->raise();
    window_->activateWindow();
}

} // namespace rimglider
