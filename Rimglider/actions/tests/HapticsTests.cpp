// Haptic pulses through the touchpad's actuator against a stand-in broker: which touchpad
// plays, what the status says when none can, and a failed or unanswered effect closing it.
#include "Actuator.h"
#include "AppSettings.h"
#include "Haptics.h"
#include "TestStore.h"
#include "TuningSettings.h"

#include "FakeBroker.h"
#include "SocketFolder.h"

#include <QTest>

#include <gtest/gtest.h>

#include <optional>

#include <functional>
#include <vector>

using namespace rimglider;
using namespace rimglider::test;

namespace {

broker::TouchpadInfo touchpad(std::uint32_t id, bool builtIn, bool forceFeedback)
{
    broker::TouchpadInfo info;
    info.deviceId = id;
    info.builtIn = builtIn;
    info.forceFeedback = forceFeedback;
    return info;
}

class HapticPulses : public ::testing::Test {
  protected:
    HapticPulses() : settings(store.settings()), tuning(store.settings())
    {
        Tuning values;
        values.actuatorID = 6;
        tuning.setValues(values);
    }
    // Plays one pulse; the actuator opens (or fails to) on the event loop meanwhile.
    void playUntilSettled()
    {
        haptics.play(HapticPattern::generic);
        ASSERT_TRUE(QTest::qWaitFor([&] { return actuator.status() != "not opened"; }));
    }

    SocketFolder socket;
    FakeBroker broker{socket.path()};
    TestStore store;
    AppSettings settings;
    TuningSettings tuning;
    Actuator actuator{socket.path()};
    std::vector<HapticPattern> performed;
    Haptics haptics{settings, tuning, actuator, [this](HapticPattern p) { performed.push_back(p); }};
};

} // namespace

TEST_F(HapticPulses, TheChosenPadPlaysAndTheStatusSaysWhyNoneCould)
{
    const std::vector<std::pair<std::vector<broker::TouchpadInfo>, std::string>> cases{
        {{touchpad(3, false, true), touchpad(4, true, false), touchpad(7, true, true)}, "open (device 7)"},
        {{touchpad(8, true, false), touchpad(9, false, true), touchpad(10, false, true)}, "open (device 9)"},
        {{touchpad(1, true, false)}, "no Multitouch ID in IOKit"},
        {{}, "MTActuator symbols missing"}, // turned away
    };
    for (const auto& [pads, status] : cases) {
        SCOPED_TRACE(status);
        SocketFolder folder;
        FakeBroker other(folder.path());
        other.refuseClients(pads.empty());
        for (const auto& pad : pads)
            other.addTouchpad(pad);
        Actuator opened(folder.path());
        opened.ensureOpen();
        ASSERT_TRUE(QTest::qWaitFor([&] { return opened.status() == status; })) << opened.status();
        EXPECT_EQ(opened.actuate(6), opened.isOpen() ? 0 : -1);
    }
}

TEST_F(HapticPulses, AFailedOrUnansweredEffectClosesTheActuatorUntilTheNextPulse)
{
    broker.addTouchpad(touchpad(2, true, true));
    playUntilSettled(); // opening: this pulse goes to the desktop's performer
    EXPECT_EQ(performed.size(), 1u);
    haptics.play(HapticPattern::alignment);
    ASSERT_TRUE(QTest::qWaitFor([&] { return broker.requestsOf<broker::PlayEffect>().size() == 1; }));
    EXPECT_EQ(broker.requestsOf<broker::PlayEffect>()[0], (broker::PlayEffect{2, 6}));
    for (const bool hung : {false, true}) {
        broker.setEffectStatus(ENODEV); // unplugged meanwhile
        broker.holdAnswers(hung);       // or no answer at all: the deadline closes it the same way
        std::optional<bool> played;
        EXPECT_EQ(actuator.actuate(6, [&](bool answer) { played = answer; }), 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !actuator.isOpen(); }, 5000)) << hung;
        EXPECT_EQ(played, false) << "sent is not played";
        broker.holdAnswers(false);
        broker.setEffectStatus(0);
        actuator.ensureOpen();
        ASSERT_TRUE(QTest::qWaitFor([&] { return actuator.isOpen(); }));
        EXPECT_EQ(actuator.actuate(6, [&](bool answer) { played = answer; }), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return played == true; }));
    }
}

TEST_F(HapticPulses, StrengthOffOrNoActuationNeverOpensTheActuator)
{
    broker.addTouchpad(touchpad(1, true, true));
    settings.setHapticStrength(AppSettings::HapticStrength::off);
    haptics.play(HapticPattern::generic);
    EXPECT_TRUE(performed.empty()); // off silences both paths
    settings.setHapticStrength(AppSettings::HapticStrength::medium);
    tuning.setValues(Tuning{});
    haptics.play(HapticPattern::levelChange);
    EXPECT_EQ(performed, std::vector{HapticPattern::levelChange});
    EXPECT_EQ(actuator.status(), "not opened");
    EXPECT_EQ(broker.clientCount(), 0u);
}
