// The welcome guide's window on test services: a failed access request, the lesson notes and
// the window's open and close rules.
#include "LessonStep.h"
#include "OnboardingTrackpadView.h"
#include "OnboardingView.h"
#include "OnboardingWindowController.h"
#include "WindowTestServices.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

using namespace rimglider;
using GestureEngineKit::GestureEvent;
using GestureEngineKit::SliderDirection;
using GestureEngineKit::Zone;
using Step = OnboardingStep;

namespace {

class OnboardingViewTest : public ::testing::Test {
  protected:
    test::WindowTestServices services;
    OnboardingModel& model = *services.model;
    OnboardingView view{model, services.loginItem};

    void slideVolume(int count)
    {
        for (int i = 0; i < count; ++i)
            model.handle({GestureEvent::sliderStep(Zone::right, SliderDirection::down, false)});
    }
    bool shows(QPushButton* button) const { return button->isVisibleTo(&view); }
};

TEST_F(OnboardingViewTest, AFailedAccessRequestSaysWhyAndTheUserGoesOnWithoutAccess)
{
    model.start(Step::permission);
    QWidget* step = view.stepContent();
    step->findChild<QPushButton*>(QStringLiteral("allowAccess"))->click(); // no system bus here
    const auto* problem = step->findChild<QLabel*>(QStringLiteral("problem"));
    EXPECT_TRUE(problem->isVisibleTo(step));
    EXPECT_TRUE(problem->text().contains(u"system bus is not available")) << problem->text().toStdString();
    EXPECT_FALSE(step->findChild<QWidget*>(QStringLiteral("waiting"))->isVisibleTo(step)); // no endless wait
    EXPECT_EQ(services.helpShown.size(), 1);

    ASSERT_TRUE(shows(view.skipButton()));
    EXPECT_EQ(view.skipButton()->text(), QStringLiteral("Continue without access"));
    view.skipButton()->click();
    EXPECT_EQ(model.step(), Step::volume);
    EXPECT_EQ(view.skipButton()->text(), QStringLiteral("Skip"));
    model.goTo(Step::done);
    view.primaryButton()->click();
    // Completed, yet the next launch comes back to the access step.
    EXPECT_EQ(OnboardingModel::dueStep(*services.store.reopened(), false), Step::permission);
}

TEST_F(OnboardingViewTest, LessonProgressAndNotes)
{
    model.start(Step::volume);
    auto* lesson = qobject_cast<LessonStep*>(view.stepContent());
    ASSERT_NE(lesson, nullptr);
    EXPECT_EQ(lesson->noteText(), QStringLiteral("Tip: hold Shift+Alt while sliding for finer steps."));
    slideVolume(5);
    EXPECT_EQ(lesson->progress(), 3);
    EXPECT_TRUE(lesson->findChild<QWidget*>(QStringLiteral("success"))->isVisibleTo(lesson));

    services.volumeAdjustable = false;
    model.notifyAvailabilityChanged();
    EXPECT_EQ(lesson->noteText(),
              QStringLiteral("Your current audio output has no volume control. You can skip this step."));
    services.settings.setVolumeEdge(false); // an edge that is off outranks the output
    EXPECT_EQ(lesson->noteText(), QStringLiteral("This edge is turned off in Settings. You can skip this step."));
    services.settings.setSwapSides(true);
    EXPECT_EQ(lesson->trackpad()->targets(), GestureEngineKit::ZoneSet{Zone::left});
}

TEST(OnboardingWindowTest, ClosingTheWindowStopsTheGuideWithoutCompletingIt)
{
    test::WindowTestServices services;
    OnboardingWindowController controller(*services.model, services.loginItem);
    controller.show(Step::volume);
    ASSERT_NE(controller.window(), nullptr);
    controller.window()->close();
    EXPECT_FALSE(services.model->isRunning() || services.completed());
    delete controller.window();
}

} // namespace
