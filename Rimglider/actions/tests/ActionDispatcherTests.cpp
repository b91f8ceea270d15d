#include "ActionDispatcher.h"
#include "AppSettings.h"
#include "CursorFreeze.h"
#include "GesturePipeline.h"
#include "ManualScheduler.h"
#include "TestStore.h"
#include "TuningSettings.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <string>
#include <vector>

using namespace rimglider;
using namespace GestureEngineKit;
using namespace std::chrono_literals;
using rimglider::test::ManualScheduler;
using rimglider::test::TestStore;

namespace {

// The dispatcher with recording outputs: every key, step and pulse lands in `log`.
class Dispatch : public ::testing::Test {
  protected:
    Dispatch()
        : settings(store.settings()), tuning(store.settings()), freeze(clock.scheduler()),
          dispatcher(
              settings, tuning, freeze,
              ActionDispatcher::Outputs{
                  [this](SliderDirection d, bool fine) { return record("volume", d, fine, volumeResult); },
                  [this](SliderDirection d, bool fine) { return record("brightness", d, fine, brightnessResult); },
                  [] { return true; },
                  [] { return true; },
                  [this](int code, bool fine) { log.push_back("key " + std::to_string(code) + (fine ? " fine" : "")); },
                  [this](HapticPattern p) { log.push_back("pulse " + std::to_string(int(p))); },
                  clock.scheduler(),
                  [this] { return held; },
                  [this](SliderDirection d, bool fine) { return record("set volume", d, fine, volumeResult); },
                  [this](SliderDirection d, bool fine) { return record("set brightness", d, fine, brightnessResult); },
                  [this](int code) { log.push_back("perform " + std::to_string(code)); },
              })
    {}

    StepResult record(const std::string& target, SliderDirection d, bool fine, StepResult result)
    {
        log.push_back(target + (d == SliderDirection::up ? " up" : " down") + (fine ? " fine" : ""));
        return result;
    }

    std::vector<std::string> take() { return std::exchange(log, {}); }

    TestStore store;
    AppSettings settings;
    TuningSettings tuning;
    ManualScheduler clock;
    CursorFreeze freeze;
    ActionDispatcher dispatcher;
    StepResult volumeResult = StepResult::stepped;
    StepResult brightnessResult = StepResult::stepped;
    ModifierState held;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

} // namespace

TEST_F(Dispatch, StepsGoToTheSideTargetWithTheStrengthPulseAndKeysAreConfirmed)
{
    dispatcher.handle(GestureEvent::sliderStep(Zone::right, SliderDirection::up, false));
    dispatcher.handle(GestureEvent::sliderStep(Zone::left, SliderDirection::down, true));
    settings.setSwapSides(true);
    settings.setHapticStrength(AppSettings::HapticStrength::medium);
    dispatcher.handle(GestureEvent::sliderStep(Zone::right, SliderDirection::up, false));
    settings.setHapticStrength(AppSettings::HapticStrength::light);
    dispatcher.handle(GestureEvent::sliderStep(Zone::left, SliderDirection::up, false));
    settings.setHapticStrength(AppSettings::HapticStrength::off);
    settings.setFineControl(false); // fine only while the setting allows it
    dispatcher.handle(GestureEvent::sliderStep(Zone::left, SliderDirection::up, true));
    dispatcher.handle(GestureEvent::sliderStep(Zone::bottom, SliderDirection::up, true)); // steps nothing
    EXPECT_EQ(take(), (Log{"volume up", "pulse 0", "brightness down fine", "pulse 0", "brightness up", "pulse 2",
                           "volume up", "pulse 1", "volume up"}));

    dispatcher.handle(GestureEvent::swipe(Zone::bottom, SwipeDirection::right));
    dispatcher.handle(GestureEvent::swipe(Zone::bottom, SwipeDirection::left));
    dispatcher.handle(GestureEvent::tap(Zone::bottom));
    dispatcher.handle(GestureEvent::doubleTap(Zone::topRightCorner));
    EXPECT_EQ(take(), (Log{"key 17", "pulse 0", "key 18", "pulse 0", "key 16", "pulse 0", "key 7", "pulse 0"}));
}

TEST_F(Dispatch, HeldModifiersOtherThanFnPerformTheActionInsteadOfPostingAKey)
{
    using M = ModifierState;
    const std::pair<M, bool> cases[] = {
        {{}, false},        {M::function, false},          {M::shift, true},
        {M::command, true}, {{M::shift, M::option}, true}, {{M::control, M::function}, true}};
    for (const auto& [mods, direct] : cases) {
        held = mods;
        volumeResult = StepResult::atLimit; // limits and strength pulses as for posted keys
        dispatcher.handle(GestureEvent::sliderBegan(Zone::right));
        dispatcher.handle(GestureEvent::sliderStep(Zone::right, SliderDirection::up, true));
        dispatcher.handle(GestureEvent::sliderStep(Zone::left, SliderDirection::down, false));
        dispatcher.handle(GestureEvent::tap(Zone::bottom));
        dispatcher.handle(GestureEvent::doubleTap(Zone::bottom));
        const std::string set = direct ? "set " : "", key = direct ? "perform " : "key ";
        EXPECT_EQ(take(), (Log{set + "volume up fine", "pulse 1", set + "brightness down", "pulse 0", key + "16",
                               "pulse 0", key + "7", "pulse 0"}))
            << int(mods.rawValue());
    }
}

TEST_F(Dispatch, LimitPulsesOncePerRunOfLimitHits)
{
    volumeResult = StepResult::atLimit;
    for (int i = 0; i < 3; ++i)
        dispatcher.handle(GestureEvent::sliderStep(Zone::right, SliderDirection::up, false));
    EXPECT_EQ(take(), (Log{"volume up", "pulse 1", "volume up", "volume up"})); // still posted, silently
    volumeResult = StepResult::stepped;
    dispatcher.handle(GestureEvent::sliderStep(Zone::right, SliderDirection::down, false));
    EXPECT_EQ(take(), (Log{"volume down", "pulse 0"}));

    // A new slide starts a new run; an unavailable step ends one without a pulse.
    volumeResult = StepResult::atLimit;
    dispatcher.handle(GestureEvent::sliderStep(Zone::right, SliderDirection::up, false));
    dispatcher.handle(GestureEvent::sliderBegan(Zone::right));
    dispatcher.handle(GestureEvent::sliderStep(Zone::right, SliderDirection::up, false));
    volumeResult = StepResult::unavailable;
    dispatcher.handle(GestureEvent::sliderStep(Zone::right, SliderDirection::up, false));
    volumeResult = StepResult::atLimit;
    dispatcher.handle(GestureEvent::sliderStep(Zone::right, SliderDirection::up, false));
    EXPECT_EQ(take(), (Log{"volume up", "pulse 1", "volume up", "pulse 1", "volume up", "volume up", "pulse 1"}));
}

TEST_F(Dispatch, FreezesFromTheChosenMomentUntilReleaseOrTenSecondsAtMost)
{
    dispatcher.handle(GestureEvent::claimed({Zone::right}));
    EXPECT_TRUE(freeze.isFrozen());
    dispatcher.handle(GestureEvent::released(GestureEvent::Outcome::completed()));
    EXPECT_FALSE(freeze.isFrozen());
    tuning.setValues(Tuning{.freezeFrom = Tuning::FreezeFrom::gesture});
    dispatcher.handle(GestureEvent::claimed({Zone::topRightCorner}));
    EXPECT_FALSE(freeze.isFrozen());
    dispatcher.handle(GestureEvent::sliderBegan(Zone::right));
    EXPECT_TRUE(freeze.isFrozen());
    dispatcher.handle(GestureEvent::released(GestureEvent::Outcome::completed()));
    settings.setFreezeCursor(false);
    dispatcher.handle(GestureEvent::sliderBegan(Zone::right));
    EXPECT_FALSE(freeze.isFrozen());

    // The safety release ends only its own freeze.
    freeze.freeze();
    clock.advance(5s);
    freeze.release();
    freeze.freeze();
    freeze.freeze(); // already frozen: no second timer
    clock.advance(5s);
    EXPECT_TRUE(freeze.isFrozen());
    clock.advance(5s);
    EXPECT_FALSE(freeze.isFrozen());
}

TEST_F(Dispatch, PipelineSubscriptionEndsWithTheDispatcher)
{
    GesturePipeline pipeline;
    ActionDispatcher::Outputs outputs;
    outputs.postKey = [this](int code, bool) { log.push_back(std::to_string(code)); };
    outputs.playHaptic = [](HapticPattern) {};
    outputs.schedule = clock.scheduler();
    auto second = std::make_unique<ActionDispatcher>(settings, tuning, freeze, outputs);
    second->start(pipeline);
    dispatcher.start(pipeline);
    second.reset();

    // A corner double tap through the real engine.
    for (double t : {0.0, 0.3}) {
        pipeline.submit(EngineInput::frame({t, {{1, 3, 0.97f, 0.95f, 8, 8, 0, 0}}}));
        pipeline.submit(EngineInput::frame({t + 0.05, {}}));
    }
    pipeline.waitUntilProcessed();
    QCoreApplication::processEvents();
    EXPECT_EQ(take(), (Log{"key 7", "pulse 0"}));
}
