#include "Actuator.h"
#include "AppSettings.h"
#include "Haptics.h"
#include "TestStore.h"
#include "TuningSettings.h"

#include "FakeBroker.h"
#include "SocketFolder.h"

#include <gtest/gtest.h>

#include <vector>

using namespace rimglider;
using rimglider::test::FakeBroker;
using rimglider::test::SocketFolder;
using rimglider::test::TestStore;

namespace {

broker::TouchpadInfo touchpad(std::uint32_t id, bool builtIn, bool forceFeedback)
{
    broker::TouchpadInfo info;
    info.deviceId = id;
    info.description.name = "Pad " + std::to_string(id);
    info.builtIn = builtIn;
    info.forceFeedback = forceFeedback;
    return info;
}

class HapticPulses : public ::testing::Test {
  protected:
    HapticPulses()
        : broker(socket.path()), settings(store.settings()), tuning(store.settings()), actuator(socket.path()),
          haptics(settings, tuning, actuator, [this](HapticPattern p) { performed.push_back(p); })
    {}

    void useActuation(std::int32_t id)
    {
        Tuning values;
        values.actuatorID = id;
        tuning.setValues(values);
    }

    std::vector<broker::PlayEffect> effects() const { return broker.requestsOf<broker::PlayEffect>(); }

    SocketFolder socket;
    FakeBroker broker;
    TestStore store;
    AppSettings settings;
    TuningSettings tuning;
    Actuator actuator;
    Haptics haptics;
    std::vector<HapticPattern> performed;
};

} // namespace

TEST_F(HapticPulses, WithoutAnActuationOrWithStrengthOffTheActuatorIsNeverOpened)
{
    broker.addTouchpad(touchpad(1, true, true));
    haptics.play(HapticPattern::levelChange);
    EXPECT_EQ(performed, std::vector{HapticPattern::levelChange});
    useActuation(5);
    settings.setHapticStrength(AppSettings::HapticStrength::off);
    haptics.play(HapticPattern::generic);
    EXPECT_EQ(performed.size(), 1u); // off silences both paths
    EXPECT_EQ(actuator.status(), "not opened");
    EXPECT_EQ(broker.clientCount(), 0u);
}

TEST_F(HapticPulses, TheBuiltInForceFeedbackPadPlaysTheActuation)
{
    broker.addTouchpad(touchpad(3, false, true));
    broker.addTouchpad(touchpad(4, true, false)); // built in, but without force feedback
    broker.addTouchpad(touchpad(7, true, true));
    useActuation(6);
    haptics.play(HapticPattern::generic);
    EXPECT_EQ(actuator.status(), "open (device 7)");
    EXPECT_TRUE(performed.empty());
    ASSERT_EQ(effects().size(), 1u);
    EXPECT_EQ(effects()[0], (broker::PlayEffect{7, 6}));

    // Only external pads with force feedback: the first of them.
    SocketFolder otherSocket;
    FakeBroker other(otherSocket.path());
    other.addTouchpad(touchpad(8, true, false));
    other.addTouchpad(touchpad(9, false, true));
    other.addTouchpad(touchpad(10, false, true));
    Actuator external(otherSocket.path());
    external.ensureOpen();
    EXPECT_EQ(external.status(), "open (device 9)");
}

TEST_F(HapticPulses, AFailedActuationFallsBackForThatPulseOnly)
{
    broker.addTouchpad(touchpad(2, true, true));
    useActuation(1);
    broker.setEffectStatus(ENODEV); // unplugged meanwhile
    haptics.play(HapticPattern::alignment);
    EXPECT_EQ(performed, std::vector{HapticPattern::alignment});
    broker.setEffectStatus(0);
    haptics.play(HapticPattern::alignment);
    EXPECT_EQ(performed.size(), 1u);
    EXPECT_EQ(effects().size(), 2u); // the second pulse tried the touchpad again
}

TEST_F(HapticPulses, StatusSaysWhyTheActuatorDidNotOpen)
{
    useActuation(1);
    haptics.play(HapticPattern::generic); // a broker without touchpads
    EXPECT_EQ(actuator.status(), "no Multitouch ID in IOKit");
    broker.addTouchpad(touchpad(1, true, false));
    haptics.play(HapticPattern::generic);
    EXPECT_EQ(actuator.status(), "no Multitouch ID in IOKit");

    broker.refuseClients();
    haptics.play(HapticPattern::generic);
    EXPECT_EQ(actuator.status(), "MTActuator symbols missing");
    EXPECT_EQ(performed.size(), 3u);
    EXPECT_FALSE(actuator.isOpen());
}
