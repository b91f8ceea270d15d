#include "OnboardingWindowController.h"

#include "Icons.h"
#include "LoginItem.h"
#include "OnboardingModel.h"
#include "OnboardingView.h"
#include "ScreenFit.h"

namespace rimglider {

OnboardingWindowController& OnboardingWindowController::shared()
{
    static OnboardingWindowController controller(OnboardingModel::shared(), LoginItem::shared());
    return controller;
}

OnboardingWindowController::OnboardingWindowController(OnboardingModel& model, LoginItem& loginItem)
    : model_(model), loginItem_(loginItem)
{}

void OnboardingWindowController::show(OnboardingStep step)
{
    if (!window_) {
        auto* view = new OnboardingView(model_, loginItem_);
        view->setWindowTitle(QObject::tr("Welcome to Rimglider"));
        view->setWindowIcon(Icons::application());
        view->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                             Qt::MSWindowsFixedSizeDialogHint);
        view->setAttribute(Qt::WA_DeleteOnClose, false);
        window_ = view;
    }
    model_.start(step);
    screenfit::fitAndCentre(window_, window_->size());
    window_->show();
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->raise();
    window_->activateWindow();
}

} // namespace rimglider
