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
#include <vector>

using namespace rimglider;
using namespace rimglider::test;

namespace {

// A touchpad as the broker lists it; only its place and its actuator matter here.
broker::TouchpadInfo pad(std::uint32_t id, bool builtIn, bool forceFeedback)
{
    return touchpad(id, "handmade/Rimglider Test Touchpad.desc", builtIn, forceFeedback);
}

class HapticPulses : public ::testing::Test {
  protected:
    HapticPulses() : settings(store.settings()), tuning(store.settings()) { tuning.setValues(Tuning{.actuatorID = 6}); }

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
        {{pad(3, false, true), pad(4, true, false), pad(7, true, true)}, "open (device 7)"},
        {{pad(8, true, false), pad(9, false, true), pad(10, false, true)}, "open (device 9)"},
        {{pad(1, true, false)}, "no Multitouch ID in IOKit"},
        {{}, "MTActuator symbols missing"}, // turned away
    };
    for (const auto& [pads, status] : cases) {
        SCOPED_TRACE(status);
        SocketFolder folder;
        FakeBroker other(folder.path());
        other.refuseClients(pads.empty());
        for (const auto& info : pads)
            other.addTouchpad(info);
        Actuator opened(folder.path());
        opened.ensureOpen();
        ASSERT_TRUE(QTest::qWaitFor([&] { return opened.status() == status; })) << opened.status();
        EXPECT_EQ(opened.actuate(6), opened.isOpen() ? 0 : -1);
    }
}

TEST_F(HapticPulses, AFailedOrUnansweredEffectClosesTheActuatorUntilTheNextPulse)
{
    broker.addTouchpad(pad(2, true, true));
    haptics.play(HapticPattern::generic); // opening on the event loop: this pulse goes to the desktop's performer
    ASSERT_TRUE(QTest::qWaitFor([&] { return actuator.isOpen(); }));
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
