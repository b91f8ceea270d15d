// A guide step that has the user slide on one edge (volume or brightness) three times.
#pragma once

#include "GestureEngineKit/ActionMapping.h"

#include <QWidget>

class QLabel;

namespace rimglider {

class OnboardingModel;
class OnboardingTrackpadView;

class LessonStep : public QWidget {
    Q_OBJECT

  public:
    LessonStep(OnboardingModel& model, GestureEngineKit::EdgeAction action, QWidget* parent = nullptr);

    [[nodiscard]] OnboardingTrackpadView* trackpad() const { return trackpad_; }
    // The note under the progress bars, for the step's action and the current settings.
    [[nodiscard]] QString noteText() const;
    [[nodiscard]] int progress() const; // the counter, at most 3

  private:
    void refresh();

    OnboardingModel& model_;
    GestureEngineKit::EdgeAction action_;
    OnboardingTrackpadView* trackpad_;
    QWidget* success_;
    QWidget* bars_;
    QLabel* note_;
};

} // namespace rimglider
