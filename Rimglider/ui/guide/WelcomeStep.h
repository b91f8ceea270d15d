// The guide's first step: what Rimglider does, with the volume edge pulsing on a drawing.
#pragma once

#include <QWidget>

namespace rimglider {

class OnboardingModel;
class OnboardingTrackpadView;

class WelcomeStep : public QWidget {
    Q_OBJECT

  public:
    explicit WelcomeStep(OnboardingModel& model, QWidget* parent = nullptr);

    [[nodiscard]] OnboardingTrackpadView* trackpad() const { return trackpad_; }

  private:
    OnboardingTrackpadView* trackpad_;
};

} // namespace rimglider
