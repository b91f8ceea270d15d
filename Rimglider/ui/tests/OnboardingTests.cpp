// The welcome guide on test services, with time driven by the test: which steps show, what
// counts, when the guide moves on by itself and when it counts as completed; then its window:
// a failed access request and the lesson notes.
#include "LessonStep.h"
#include "OnboardingModel.h"
#include "OnboardingTrackpadView.h"
#include "OnboardingView.h"
#include "WindowTestServices.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

using namespace rimglider;
using namespace std::chrono_literals;
using GestureEngineKit::GestureEvent;
using GestureEngineKit::SliderDirection;
using GestureEngineKit::SwipeDirection;
using GestureEngineKit::Zone;
using Step = OnboardingStep;

namespace {

GestureEvent slide(Zone zone)
{
    return GestureEvent::sliderStep(zone, SliderDirection::up, false);
}

class OnboardingModelTest : public ::testing::Test {
  protected:
    test::WindowTestServices services;
    OnboardingModel& model = services.model;

    void slides(Zone zone, int count)
    {
        for (int i = 0; i < count; ++i)
            model.handle({slide(zone)});
    }
};

TEST_F(OnboardingModelTest, StepsShowAndMoveWithinTheVisibleOnes)
{
    model.start(Step::done);
    model.next();
    EXPECT_EQ(model.step(), Step::done);

    services.builtInDisplay = false; // no brightness step
    model.start(Step::brightness);   // as "--onboarding-step brightness" asks
    EXPECT_EQ(model.step(), Step::done);
    model.goTo(Step::volume);
    model.next();
    EXPECT_EQ(model.step(), Step::extras);
    model.back();
    EXPECT_EQ(model.step(), Step::volume);
}

TEST_F(OnboardingModelTest, StartingResetsProgressAndTurnsGesturesOn)
{
    services.settings.setEnabled(false);
    model.start(Step::extras);
    model.handle({GestureEvent::swipe(Zone::bottom, SwipeDirection::left)});
    EXPECT_TRUE(model.triedMediaStrip() && services.settings.isEnabled());
    model.stop();
    model.start(Step::welcome);
    model.handle({GestureEvent::doubleTap(Zone::topRightCorner)}); // not the extras step, but it counts
    model.stop();
    model.handle({GestureEvent::swipe(Zone::bottom, SwipeDirection::left)}); // not counted while stopped
    EXPECT_TRUE(model.triedQuickMute());
    EXPECT_FALSE(model.triedMediaStrip());
}
TEST_F(OnboardingModelTest, OnlyTheStepsOwnEdgeCountsAndTheSidesFollowSwapSides)
{
    model.start(Step::volume);
    slides(Zone::left, 5); // brightness edge
    slides(Zone::right, 2);
    EXPECT_EQ(model.volumeSteps(), 2);
    EXPECT_FALSE(model.canContinue());
    services.settings.setSwapSides(true); // volume moves to the left
    slides(Zone::right, 1);
    slides(Zone::left, 1);
    EXPECT_EQ(model.volumeSteps(), 3);
    EXPECT_EQ(model.brightnessSteps(), 0);
    EXPECT_TRUE(model.canContinue());
}
TEST_F(OnboardingModelTest, ThirdStepMovesOnOnce1Point4SecondsLaterUnlessTheUserMovedOrStopped)
{
    model.start(Step::volume);
    slides(Zone::right, 3);
    services.scheduler.advance(1399ms);
    slides(Zone::right, 4); // further steps do not schedule again
    EXPECT_EQ(model.step(), Step::volume);
    services.scheduler.advance(1ms);
    EXPECT_EQ(model.step(), Step::brightness);
    services.scheduler.advance(10s);
    EXPECT_EQ(model.step(), Step::brightness); // never twice

    slides(Zone::left, 3);
    services.scheduler.advance(700ms);
    model.back();
    model.next(); // back on the step before the old move falls due
    services.scheduler.advance(5s);
    EXPECT_EQ(model.step(), Step::brightness);
    slides(Zone::left, 3);
    model.stop();
    services.scheduler.advance(5s);
    EXPECT_EQ(model.step(), Step::brightness);
    EXPECT_EQ(services.scheduler.pending(), 0u); // nor does the poll go on
}

TEST_F(OnboardingModelTest, AccessIsPolledOnThePermissionStepAndAGrantThereMovesOn)
{
    model.start(Step::welcome);
    services.granted = true; // the broker answers, but nobody asks off the permission step
    services.scheduler.advance(2s);
    EXPECT_FALSE(services.permissions.isAccessibilityGranted());

    services.granted = false;
    model.goTo(Step::permission);
    services.granted = true;
    services.scheduler.advance(OnboardingModel::pollInterval * 15); // within half a second
    EXPECT_TRUE(model.canContinue());
    services.scheduler.advance(1400ms);
    EXPECT_EQ(model.step(), Step::volume);

    // Granted before the step: it never moves on by itself.
    model.goTo(Step::permission);
    services.scheduler.advance(5s);
    EXPECT_EQ(model.step(), Step::permission);
}

TEST_F(OnboardingModelTest, ClosingCountsAsCompletionOnlyOnceAccessIsGranted)
{
    model.start(Step::welcome);
    model.windowWillClose();
    EXPECT_FALSE(model.isRunning());
    EXPECT_FALSE(services.completed()); // closed early without access: offered again next start
    services.grant();
    model.start(Step::welcome);
    model.windowWillClose();
    EXPECT_TRUE(services.completed());
}

class OnboardingViewTest : public OnboardingModelTest {
  protected:
    OnboardingView view{model, services.loginItem};

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
    slides(Zone::right, 5);
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

} // namespace
