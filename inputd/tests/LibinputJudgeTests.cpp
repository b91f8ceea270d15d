// What the desktop makes of the clone: the real libinput judges what the clone was written, as
// the application drives exclusive mode (it hides a contact as it lands in a gesture zone),
// against the real touchpad's recordings. The recorded ALPS pad is semi-multitouch, which is
// never grabbed, and its old driver sent no BTN_TOUCH, without which libinput sees no touch: its
// one-finger recordings play here on the same pad taken as truly multitouch, with BTN_TOUCH
// alongside BTN_TOOL_FINGER as today's kernel sends it.
#include "ExclusiveRig.h"
#include "LibinputJudge.h"
#include "TestData.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace rimglider;
using namespace rimglider::broker;
using namespace rimglider::inputd::test;
using namespace rimglider::test;

namespace {

const std::vector<std::string> padProperties = {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1",
                                                "ID_INPUT_TOUCHPAD_INTEGRATION=internal"};

std::vector<input_event> recording(const std::string& name)
{
    std::vector<input_event> events;
    for (const InputEvent& e : readEvemu(readData(name)).events) {
        input_event k{};
        const auto micro = std::llround(e.time * 1e6);
        k.input_event_sec = micro / 1'000'000;
        k.input_event_usec = micro % 1'000'000;
        k.type = e.type;
        k.code = e.code;
        k.value = e.value;
        events.push_back(k);
    }
    return events;
}

DeviceDescription multitouchAlps()
{
    DeviceDescription d = alpsDescription();
    d.properties.erase(INPUT_PROP_SEMI_MT);
    return d;
}

std::vector<input_event> alpsRecording(const std::string& name)
{
    std::vector<input_event> events;
    for (const input_event& e : recording(alps + name)) {
        events.push_back(e);
        if (e.type == EV_KEY && e.code == BTN_TOOL_FINGER) events.back().code = BTN_TOUCH, events.push_back(e);
    }
    return events;
}

// The recording moved so its first touch lands at (fx, fy) of the pad (0,0 top left), its wobble
// cut to a tenth: the recorded ALPS pad jumps by millimetres under a tapping finger, which
// libinput takes for motion, not a tap.
std::vector<input_event> movedTo(std::vector<input_event> events, const DeviceDescription& pad, double fx, double fy)
{
    std::optional<int> firstX, firstY;
    for (input_event& e : events) {
        if (e.type != EV_ABS) continue;
        const bool x = e.code == ABS_X || e.code == ABS_MT_POSITION_X;
        const bool y = e.code == ABS_Y || e.code == ABS_MT_POSITION_Y;
        if (!x && !y) continue;
        const AbsInfo& a = *pad.abs(e.code);
        auto& first = x ? firstX : firstY;
        if (!first) first = e.value;
        const int zone = int(a.minimum + (x ? fx : fy) * (a.maximum - a.minimum));
        e.value = std::clamp(zone + (e.value - *first) / 10, a.minimum, a.maximum);
    }
    return events;
}

// What the clone of `pad` is written while `events` play on the grabbed pad and the holder hides
// every contact as it lands (when `hide`), on the recording's own clock.
FakeUinput::Device throughClone(const DeviceDescription& pad, const std::vector<input_event>& events, bool hide)
{
    ExclusiveRig rig(pad, padProperties);
    const auto holder = rig.connect();
    std::vector<input_event> frame;
    for (const input_event& e : events) {
        frame.push_back(e);
        if (e.type != EV_SYN || e.code != SYN_REPORT) continue;
        rig.now = ExclusiveRig::Clock::time_point(std::chrono::seconds(e.input_event_sec) +
                                                  std::chrono::microseconds(e.input_event_usec));
        rig.write(frame, false);
        for (const input_event& f : frame)
            if (hide && f.code == ABS_MT_TRACKING_ID && f.value >= 0)
                holder->send(HideContact{rig.deviceId, f.value, true}, 5);
        rig.broker.settle();
        rig.answerPings(*holder);
        frame.clear();
    }
    return rig.clone();
}

} // namespace

TEST(LibinputJudge, EdgeSlideHiddenAsItLandsMovesNoPointerAndClicksNothing)
{
    const DeviceDescription pad = multitouchAlps();
    const auto slide = alpsRecording(".right-edge-scroll.events");
    const auto real = LibinputJudge::judge(pad, padProperties, slide);
    EXPECT_GT(LibinputJudge::count(real, "POINTER_MOTION"), 10u); // what it does without Rimglider

    const FakeUinput::Device clone = throughClone(pad, slide, true);
    const auto verdict = LibinputJudge::judge(clone.description, padProperties, clone.written);
    EXPECT_EQ(LibinputJudge::count(verdict, "POINTER_MOTION"), 0u);
    EXPECT_EQ(LibinputJudge::count(verdict, "POINTER_BUTTON"), 0u);
}

TEST(LibinputJudge, DoubleTapInACornerHiddenAsItLandsClicksNothing)
{
    const DeviceDescription pad = multitouchAlps();
    const auto taps = movedTo(alpsRecording(".double-tap.events"), pad, 0.92, 0.1);
    EXPECT_GE(LibinputJudge::count(LibinputJudge::judge(pad, padProperties, taps), "POINTER_BUTTON"), 2u);
    const FakeUinput::Device clone = throughClone(pad, taps, true);
    EXPECT_EQ(
        LibinputJudge::count(LibinputJudge::judge(clone.description, padProperties, clone.written), "POINTER_BUTTON"),
        0u);
}

TEST(LibinputJudge, TwoFingerScrollThroughTheCloneScrollsAsOnTheTouchpadItself)
{
    const std::string synaptics = "evemu-devices/SynPS2 Synaptics TouchPad";
    const DeviceDescription pad = describedIn(synaptics + ".desc");
    const auto scroll = recording(synaptics + ".two-finger-vert-scroll.events");
    const auto scrolls = [](const std::vector<LibinputJudge::Event>& events) {
        std::vector<std::string> found;
        for (const auto& e : events)
            if (e.type == "POINTER_SCROLL_FINGER" || e.type == "POINTER_MOTION" || e.type == "POINTER_BUTTON")
                found.push_back(e.type + e.text);
        return found;
    };
    const auto real = scrolls(LibinputJudge::judge(pad, padProperties, scroll));
    EXPECT_GT(real.size(), 20u);
    const FakeUinput::Device clone = throughClone(pad, scroll, false);
    EXPECT_EQ(scrolls(LibinputJudge::judge(clone.description, padProperties, clone.written)), real);
}
