// The guide's step for the corner mute and the media strip, which it ticks off once tried.
#pragma once

#include <QWidget>

namespace rimglider {

class OnboardingModel;
class OnboardingTrackpadView;
class TrickRow;

class ExtrasStep : public QWidget {
    Q_OBJECT

  public:
    explicit ExtrasStep(OnboardingModel& model, QWidget* parent = nullptr);

    [[nodiscard]] TrickRow* muteRow() const { return mute_; }
    [[nodiscard]] TrickRow* mediaRow() const { return media_; }

  private:
    void refresh();

    OnboardingModel& model_;
    TrickRow* mute_;
    TrickRow* media_;
    OnboardingTrackpadView* trackpad_;
};

} // namespace rimglider
