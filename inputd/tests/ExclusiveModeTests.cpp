// Exclusive mode end to end in one process: an emulated touchpad that answers grabs, an emulated
// /dev/uinput that records the clone, the broker turned by the test on the test's clock, clients
// on its socket. What the clone is and shows, when the touchpad is grabbed and let go, and that no
// failure leaves the touchpad grabbed or anything held down.
#include "ExclusiveRig.h"
#include "TestData.h"
#include "TouchpadFilter.h"

#include <gtest/gtest.h>

#include <fnmatch.h>
#include <fstream>
#include <functional>
#include <regex>

using namespace rimglider;
using namespace rimglider::broker;
using namespace rimglider::inputd;
using namespace rimglider::inputd::test;
using namespace rimglider::test;
using namespace std::chrono_literals;

namespace {

DeviceDescription synapticsPad()
{
    return describedIn("evemu-devices/SynPS2 Synaptics TouchPad.desc");
}

// What the service's udev rule sets on a device of that phys.
std::string integrationByRule(const std::string& phys)
{
    std::ifstream file(INPUTD_UDEV_RULE);
    const std::regex line(R"re(ATTRS\{phys\}=="([^"]+)", ENV\{ID_INPUT_TOUCHPAD_INTEGRATION\}="([^"]+)")re");
    std::smatch match;
    for (std::string text; std::getline(file, text);)
        if (std::regex_search(text, match, line) && fnmatch(match[1].str().c_str(), phys.c_str(), 0) == 0)
            return match[2];
    return {};
}

} // namespace

TEST(ExclusiveMode, CloneIsIndistinguishableFromThePadSaveItsPhysAndThePalmTool)
{
    DeviceDescription fuzzed = synapticsPad(); // libinput's rule moved the kernel's fuzz to udev
    for (auto& [code, info] : fuzzed.absInfo)
        info.fuzz = 0;
    DeviceDescription cover = describedIn("handmade/Rimglider Test Touchpad.desc");
    cover.codes[EV_KEY].insert(KEY_A); // a keyboard sharing the node: its keys stay behind
    cover.codes[EV_LED] = {LED_CAPSL};
    struct Case {
        DeviceDescription pad;
        std::vector<std::string> udev;
        std::string integration;
        int udevFuzz = 0; // of the position axes
    };
    const std::vector<Case> cases = {
        {fuzzed,
         {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1", "ID_INPUT_TOUCHPAD_INTEGRATION=internal", "LIBINPUT_FUZZ_00=8",
          "LIBINPUT_FUZZ_01=8", "LIBINPUT_FUZZ_35=8", "LIBINPUT_FUZZ_36=8"},
         "internal",
         8},
        {cover, {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1", "ID_INPUT_TOUCHPAD_INTEGRATION=external"}, "external"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pad.name);
        ExclusiveRig rig(c.pad, c.udev);
        const auto client = rig.connect();
        const FakeUinput::Device clone = rig.clone();
        const DeviceDescription& made = clone.description;

        EXPECT_EQ(made.name, c.pad.name);
        EXPECT_EQ(made.id, c.pad.id);
        EXPECT_EQ(made.properties, c.pad.properties);
        EXPECT_EQ(clone.phys, "rimglider-clone/" + c.integration + "/isa0060/serio1/input0");
        EXPECT_EQ(integrationByRule(clone.phys), c.integration);
        for (const auto& [type, codes] : c.pad.codes) {
            if (type == EV_SYN) continue; // uinput takes no SYN codes
            std::set<std::uint16_t> expected;
            for (std::uint16_t code : codes)
                if (TouchpadFilter::passes(type, code)) expected.insert(code);
            if (type == EV_ABS) expected.insert(ABS_MT_TOOL_TYPE);
            EXPECT_EQ(made.codes.contains(type) ? made.codes.at(type) : std::set<std::uint16_t>{}, expected) << type;
        }
        for (auto [code, expected] : c.pad.absInfo) {
            if (c.udevFuzz &&
                (code == ABS_X || code == ABS_Y || code == ABS_MT_POSITION_X || code == ABS_MT_POSITION_Y))
                expected.fuzz = c.udevFuzz; // libinput's rule will find this fuzz on the clone
            if (code == ABS_MT_TOOL_TYPE) expected.maximum = std::max(expected.maximum, 2);
            EXPECT_EQ(made.absInfo.at(code), expected) << code;
        }
        EXPECT_EQ(made.absInfo.at(ABS_MT_TOOL_TYPE).maximum, MT_TOOL_PALM);

        // udev announces the clone: the broker never takes it for a touchpad of its own.
        FakeEvdev announced(rig.emulation, made, 31, c.udev, clone.phys);
        rig.broker.settle();
        const auto other = rig.broker.greeted(geteuid(), 2);
        other->send(ListTouchpads{}, 2);
        rig.broker.expect<Touchpad>(*other);
        EXPECT_TRUE(std::holds_alternative<ListEnd>(rig.broker.next(*other)->message));
    }
}

TEST(ExclusiveMode, GrabWaitsForTheLastFingerAndButtonToLift)
{
    ExclusiveRig rig(synapticsPad());
    const auto client = rig.connect(false);
    rig.write(finger(0, 7));
    rig.write(button(true));
    EXPECT_EQ(rig.ask(*client).state, ExclusiveState::waiting);
    EXPECT_EQ(rig.uinput.devices().size(), 1u); // the clone is ready
    rig.write(lift(0));
    EXPECT_TRUE(rig.pad.grabs().empty());
    rig.write(button(false));
    EXPECT_EQ(rig.pad.grabs(), std::vector<int>{1});
    EXPECT_EQ(rig.expect<Exclusive>(*client).state, ExclusiveState::active);
    EXPECT_TRUE(rig.cloneFrames().empty());
}

TEST(ExclusiveMode, RefusedWhereItCannotWorkAndToldWhy)
{
    std::unique_ptr<TestClient> holder;
    DeviceDescription semi = synapticsPad();
    semi.properties.insert(INPUT_PROP_SEMI_MT);
    DeviceDescription slotless = synapticsPad();
    for (std::uint16_t code = ABS_MT_SLOT; code <= ABS_MT_TOOL_Y; ++code) {
        slotless.codes[EV_ABS].erase(code);
        slotless.absInfo.erase(code);
    }
    struct Case {
        const char* name;
        DeviceDescription pad;
        std::function<void(ExclusiveRig&, TestClient&)> before;
        ExclusiveReason reason;
    };
    const std::vector<Case> cases = {
        {"semi-multitouch pad", semi, {}, ExclusiveReason::semiMultitouch},
        {"no slots", slotless, {}, ExclusiveReason::notMultitouch},
        {"another program holds the grab", synapticsPad(),
         [](ExclusiveRig& rig, TestClient&) { rig.pad.grabBusy(true); }, ExclusiveReason::grabBusy},
        {"no clone can be made", synapticsPad(), [](ExclusiveRig& rig, TestClient&) { rig.uinput.failCreate(EPERM); },
         ExclusiveReason::cloneFailed},
        {"another connection holds it", synapticsPad(), [&](ExclusiveRig& rig, TestClient&) { holder = rig.connect(); },
         ExclusiveReason::otherClient},
        {"not subscribed", synapticsPad(),
         [](ExclusiveRig& rig, TestClient& client) { client.send(UnsubscribeTouchpad{rig.deviceId}, 9); },
         ExclusiveReason::notSubscribed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExclusiveRig rig(c.pad);
        const auto client = rig.connect(false);
        if (c.before) c.before(rig, *client);
        const auto grabs = rig.pad.grabs();
        const Exclusive answer = rig.ask(*client);
        EXPECT_EQ(answer.state, ExclusiveState::off);
        EXPECT_EQ(answer.reason, c.reason);
        EXPECT_EQ(rig.pad.grabs(), grabs);
        for (const auto& device : rig.uinput.devices())
            EXPECT_TRUE(device.destroyed || holder);
        holder.reset();
    }
}

TEST(ExclusiveMode, PadIsGrabbedBeforeTheFirstTouchAndAHiddenContactOrGuardedPressNeverReachesTheDesktop)
{
    ExclusiveRig rig(synapticsPad());
    const auto client = rig.connect();
    EXPECT_EQ(rig.pad.grabs(), std::vector<int>{1});
    rig.write(finger(0, 7));
    EXPECT_EQ(rig.cloneFrames().size(), 1u); // each frame goes out as it is read
    client->send(HideContact{rig.deviceId, 7, true}, 5);
    client->send(SetClickGuard{rig.deviceId, true, {}, 250, {7}}, 6);
    rig.broker.settle();
    rig.write(button(true));
    rig.write({ev(EV_ABS, ABS_MT_POSITION_X, 3200), syn});
    rig.write(button(false));
    EXPECT_EQ(rig.expect<Exclusive>(*client).swallowedPresses, 1u);
    const auto frames = rig.cloneFrames();
    ASSERT_EQ(frames.size(), 3u); // the landing, the palm, the lift; then nothing
    EXPECT_TRUE(has(frames[1], EV_ABS, ABS_MT_TOOL_TYPE, MT_TOOL_PALM));
    EXPECT_EQ(rig.heldDown(), std::pair(0, 0));

    const auto other = rig.connect(false); // only the holder hides, and only on its touchpad
    other->send(HideContact{rig.deviceId, 7, false}, 7);
    EXPECT_EQ(rig.expect<Error>(*other).code, ErrorCode::unavailable);
    client->send(HideContact{rig.deviceId + 9, 7, true}, 8);
    EXPECT_EQ(rig.expect<Error>(*client).code, ErrorCode::noSuchDevice);
}

TEST(ExclusiveMode, HolderThatLeavesTurnsThePadIntoPassThroughAtOnceAndTheGrabEndsWhenNothingIsDown)
{
    bool sessionActive = true;
    using Holder = std::unique_ptr<TestClient>;
    struct Case {
        const char* name;
        ExclusiveReason reason;
        std::function<void(ExclusiveRig&, Holder&)> leave;
    };
    const std::vector<Case> cases = {
        {"asks to", ExclusiveReason::none,
         [](ExclusiveRig& rig, Holder& c) {
             c->send(SetExclusive{rig.deviceId, false});
         }},
        {"unsubscribes", ExclusiveReason::none,
         [](ExclusiveRig& rig, Holder& c) { c->send(UnsubscribeTouchpad{rig.deviceId}); }},
        {"is killed", ExclusiveReason::none, [](ExclusiveRig&, Holder& c) { c.reset(); }},
        {"leaves a PING unanswered", ExclusiveReason::notAnswering,
         [](ExclusiveRig& rig, Holder&) { rig.now += ExclusiveMode::pongTimeout; }},
        {"loses the active session", ExclusiveReason::sessionInactive,
         [&](ExclusiveRig& rig, Holder&) {
             if (geteuid() != 0) ADD_FAILURE() << "only root can connect as another user (CI runs as root)";
             sessionActive = false;
             rig.broker.broker().sessionsChanged();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sessionActive = true;
        BrokerConfig config;
        config.brokerIsRoot = true;
        config.activeOnSeat = [&](uid_t) { return sessionActive; };
        ExclusiveRig rig(synapticsPad(), {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1"}, config);
        auto client = rig.connect(true, geteuid() == 0 ? 65534 : geteuid());
        rig.write(finger(0, 7));
        client->send(HideContact{rig.deviceId, 7, true}, 5);
        rig.write(button(true));
        rig.write({ev(EV_ABS, ABS_MT_POSITION_X, 3300), syn}); // unseen
        const std::size_t before = rig.cloneFrames().size();
        c.leave(rig, client);
        rig.broker.settle();
        if (client) {
            const Exclusive told = rig.expect<Exclusive>(*client);
            EXPECT_EQ(told.state, ExclusiveState::off);
            EXPECT_EQ(told.reason, c.reason);
        }
        const auto frames = rig.cloneFrames(); // the finger shows again, where it is now
        ASSERT_EQ(frames.size(), before + 1);
        EXPECT_TRUE(has(frames.back(), EV_ABS, ABS_MT_POSITION_X, 3300));
        EXPECT_EQ(rig.heldDown(), std::pair(1, 3)); // a finger, the button, BTN_TOUCH, BTN_TOOL_FINGER
        EXPECT_EQ(rig.pad.grabs(), std::vector<int>{1});
        rig.write(button(false));
        rig.write(lift(0));
        EXPECT_EQ(rig.pad.grabs(), (std::vector<int>{1, 0}));
        EXPECT_TRUE(rig.clone().destroyed);
        EXPECT_EQ(rig.heldDown(), std::pair(0, 0));
    }
}

TEST(ExclusiveMode, FailuresLeaveTheCloneWithNothingDown)
{
    struct Case {
        const char* name;
        std::function<void(ExclusiveRig&)> fail;
        std::optional<ExclusiveReason> reason; // when exclusive mode ends
    };
    const std::vector<Case> cases = {
        {"a flood of SYN_DROPPED (the pad's state: nothing down)",
         [](ExclusiveRig& rig) {
             for (int i = 0; i < 200; ++i)
                 rig.write({ev(EV_ABS, ABS_MT_POSITION_X, 3000 + i), syn, ev(EV_SYN, SYN_DROPPED, 0)});
         },
         {}},
        {"the system slept", [](ExclusiveRig& rig) { rig.slept += 10s; }, {}},
        {"the pad was removed", [](ExclusiveRig& rig) { rig.emulation.remove(rig.pad.node()); },
         ExclusiveReason::deviceRemoved},
        {"the loop stalled",
         [](ExclusiveRig& rig) {
             rig.emulation.write(rig.pad.node(), {ev(EV_ABS, ABS_MT_POSITION_X, 2900), syn});
             rig.broker.broker().checkWatchdog(rig.now);
             rig.broker.broker().checkWatchdog(rig.now + GrabWatchdog::stallTimeout);
             EXPECT_EQ(rig.pad.grabs().back(), 0); // let go before the loop comes back
             EXPECT_EQ(rig.heldDown(), std::pair(0, 0));
         },
         ExclusiveReason::watchdog},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExclusiveRig rig(synapticsPad());
        const auto client = rig.connect();
        rig.write(finger(0, 7));
        rig.write(button(true));
        c.fail(rig);
        rig.broker.settle();
        EXPECT_EQ(rig.heldDown(), std::pair(0, 0));
        if (c.reason) {
            EXPECT_EQ(rig.expect<Exclusive>(*client).reason, *c.reason);
            EXPECT_EQ(rig.pad.grabs().back(), 0);
            EXPECT_TRUE(rig.clone().destroyed);
        } else {
            EXPECT_EQ(rig.pad.grabs(), std::vector<int>{1});
        }
    }
}
