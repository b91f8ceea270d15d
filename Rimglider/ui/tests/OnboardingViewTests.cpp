// The welcome guide's window on test services: the footer and dots per step, the lesson
// notes, the trackpad drawing's geometry and the window's open and close rules.
#include "DoneStep.h"
#include "ExtrasStep.h"
#include "LessonStep.h"
#include "OnboardingTrackpadView.h"
#include "OnboardingView.h"
#include "OnboardingWindowController.h"
#include "TrickRow.h"
#include "WindowTestServices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace rimglider;
using namespace std::chrono_literals;
using GestureEngineKit::EdgeAction;
using GestureEngineKit::GestureConfig;
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

TEST_F(OnboardingViewTest, FooterFollowsTheStep)
{
    view.show();
    QApplication::setActiveWindow(&view); // the Return shortcut belongs to the active window
    model.start(Step::welcome);
    EXPECT_EQ(view.stepContent()->objectName(), QStringLiteral("welcome"));
    EXPECT_FALSE(shows(view.backButton()));
    EXPECT_EQ(view.primaryButton()->text(), QStringLiteral("Get Started"));
    QTest::keyClick(&view, Qt::Key_Return); // the primary button's shortcut
    EXPECT_EQ(model.step(), Step::permission);

    EXPECT_TRUE(shows(view.backButton()));
    EXPECT_EQ(view.primaryButton()->text(), QStringLiteral("Continue"));
    EXPECT_FALSE(view.primaryButton()->isEnabled()); // no access yet
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(model.step(), Step::permission);
    services.grant();
    EXPECT_TRUE(view.primaryButton()->isEnabled());

    model.goTo(Step::volume);
    EXPECT_TRUE(shows(view.skipButton()));
    EXPECT_FALSE(view.primaryButton()->isEnabled());
    slideVolume(3);
    EXPECT_FALSE(shows(view.skipButton()));
    EXPECT_TRUE(view.primaryButton()->isEnabled());

    model.goTo(Step::done);
    EXPECT_FALSE(shows(view.backButton()));
    EXPECT_EQ(view.primaryButton()->text(), QStringLiteral("Start Using Rimglider"));
}

TEST_F(OnboardingViewTest, DotsCountTheVisibleSteps)
{
    model.start(Step::welcome);
    EXPECT_EQ(view.dotCount(), 6);
    services.builtInDisplay = false;
    model.notifyAvailabilityChanged();
    EXPECT_EQ(view.dotCount(), 5);
}

TEST_F(OnboardingViewTest, LessonProgressAndNotes)
{
    services.volumeAdjustable = false;
    model.start(Step::brightness);
    auto* lesson = qobject_cast<LessonStep*>(view.stepContent());
    ASSERT_NE(lesson, nullptr);
    const QString tip = QStringLiteral("Tip: hold Shift+Alt while sliding for finer steps.");
    EXPECT_EQ(lesson->noteText(), tip); // the volume output is not the brightness lesson's business

    services.volumeAdjustable = true;
    model.goTo(Step::volume);
    lesson = qobject_cast<LessonStep*>(view.stepContent());
    ASSERT_NE(lesson, nullptr);
    EXPECT_EQ(lesson->noteText(), tip);
    EXPECT_EQ(lesson->trackpad()->targets(), GestureEngineKit::ZoneSet{Zone::right});
    slideVolume(5);
    EXPECT_EQ(lesson->progress(), 3);
    EXPECT_FALSE(lesson->trackpad()->showsHint());
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

TEST_F(OnboardingViewTest, ExtrasAndDoneSteps)
{
    services.settings.setMediaStrip(false);
    model.start(Step::extras);
    auto* extras = qobject_cast<ExtrasStep*>(view.stepContent());
    ASSERT_NE(extras, nullptr);
    EXPECT_FALSE(extras->mediaRow()->isGestureEnabled());
    model.handle({GestureEvent::doubleTap(Zone::topRightCorner)});
    EXPECT_TRUE(extras->muteRow()->isDone());
    EXPECT_FALSE(extras->mediaRow()->isDone());

    services.writeDisabledEntry();
    services.loginItem.setStatus(services.loginItem.readStatus());
    model.goTo(Step::done);
    auto* done = qobject_cast<DoneStep*>(view.stepContent());
    ASSERT_NE(done, nullptr);
    EXPECT_TRUE(done->openAtLogin()->isChecked()); // waiting for approval reads as on
    done->openAtLogin()->click();
    EXPECT_EQ(services.loginItem.status(), LoginItem::Status::notRegistered);
}

TEST(OnboardingTrackpadViewTest, ZonesFollowTheConfigurationAndAnimateOnlyWhileShown)
{
    GestureConfig config;
    config.sliderStartLimit = 0.25; // bottom quarter only
    EXPECT_EQ(OnboardingTrackpadView::zoneRect(Zone::right, config, QSizeF(200, 100)), QRectF(180, 75, 20, 25));
    OnboardingTrackpadView view(300);
    EXPECT_FALSE(view.isAnimating());
    view.show();
    EXPECT_TRUE(view.isAnimating());
    view.hide();
    EXPECT_FALSE(view.isAnimating());
}

TEST(OnboardingWindowTest, ShowStartsTheGuideAndClosingStopsIt)
{
    test::WindowTestServices services;
    OnboardingWindowController controller(*services.model, services.loginItem);
    services.settings.setEnabled(false);
    controller.show(Step::volume);
    QWidget* window = controller.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Welcome to Rimglider"));
    EXPECT_TRUE(services.model->isRunning());
    EXPECT_EQ(services.model->step(), Step::volume);
    EXPECT_TRUE(services.settings.isEnabled()); // opening the guide turns gestures on

    window->close();
    EXPECT_FALSE(services.model->isRunning());
    EXPECT_FALSE(services.completed());
    EXPECT_EQ(services.scheduler.pending(), 1u); // the last poll, which finds the timer stopped
    services.scheduler.advance(1s);
    EXPECT_EQ(services.scheduler.pending(), 0u);

    controller.show(Step::done);
    EXPECT_EQ(controller.window(), window); // reused
    auto* view = qobject_cast<OnboardingView*>(window);
    ASSERT_NE(view, nullptr);
    view->primaryButton()->click(); // "Start Using Rimglider"
    EXPECT_TRUE(services.completed());
    EXPECT_FALSE(window->isVisible());
    delete window;
}

} // namespace
