// The welcome guide's window: created on first use, kept for the process, centred and
// brought to the front on every show().
#pragma once

#include "OnboardingStep.h"

#include <QPointer>

class QWidget;

namespace rimglider {

class LoginItem;
class OnboardingModel;

class OnboardingWindowController {
  public:
    static OnboardingWindowController& shared();

    // `model` drives the window; shared() passes the shared model and login item.
    OnboardingWindowController(OnboardingModel& model, LoginItem& loginItem);

    // Starts the guide at `step` and shows the window.
    void show(OnboardingStep step = OnboardingStep::welcome);

    [[nodiscard]] QWidget* window() const { return window_; }

  private:
    OnboardingModel& model_;
    LoginItem& loginItem_;
    QPointer<QWidget> window_;
};

} // namespace rimglider
