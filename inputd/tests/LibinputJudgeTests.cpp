// What the desktop makes of the clone: the real libinput judges what the clone was written, as
// the application drives exclusive mode (it hides a contact as it lands in a gesture zone),
// against the real touchpads' recordings. The recorded ALPS pad is semi-multitouch, which is
// never grabbed, and its old driver sent no BTN_TOUCH, without which libinput sees no touch: its
// one-finger recordings play here on the same pad taken as truly multitouch, with BTN_TOUCH
// alongside BTN_TOOL_FINGER as today's kernel sends it.
#include "ExclusiveRig.h"
#include "LibinputJudge.h"
#include "TestData.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace rimglider;
using namespace rimglider::inputd::test;
using namespace rimglider::test;

namespace {

// The recording's events; on the ALPS pad with BTN_TOUCH added and, when `at` is given, moved so
// its first touch lands at that fraction of the pad (0,0 top left) with its wobble cut to a
// tenth: the recorded pad jumps by millimetres under a tapping finger, which libinput takes for
// motion, not a tap.
std::vector<input_event> recording(const std::string& name, const DeviceDescription& pad,
                                   std::optional<std::pair<double, double>> at = {})
{
    std::vector<input_event> events;
    std::optional<int> first[2];
    for (const InputEvent& recorded : readEvemu(readData(name)).events) {
        const auto micro = std::llround(recorded.time * 1e6);
        input_event e{{micro / 1'000'000, micro % 1'000'000}, recorded.type, recorded.code, recorded.value};
        const bool x = e.code == ABS_X || e.code == ABS_MT_POSITION_X,
                   y = e.code == ABS_Y || e.code == ABS_MT_POSITION_Y;
        if (at && e.type == EV_ABS && (x || y)) {
            const AbsInfo& a = *pad.abs(e.code);
            if (!first[y]) first[y] = e.value;
            const int zone = int(a.minimum + (x ? at->first : at->second) * (a.maximum - a.minimum));
            e.value = std::clamp(zone + (e.value - *first[y]) / 10, a.minimum, a.maximum);
        }
        events.push_back(e);
        if (name.starts_with(alps) && e.type == EV_KEY && e.code == BTN_TOOL_FINGER)
            events.back().code = BTN_TOUCH, events.push_back(e);
    }
    return events;
}

// What the clone of `pad` is written while `events` play on the grabbed pad and the holder hides
// every contact as it lands (when `hide`), each frame back at the time it was recorded.
FakeUinput::Device throughClone(const DeviceDescription& pad, const std::vector<input_event>& events, bool hide)
{
    ExclusiveRig rig(pad);
    const auto holder = rig.connect();
    std::vector<input_event> frame, times;
    for (const input_event& e : events) {
        frame.push_back(e);
        if (e.type != EV_SYN || e.code != SYN_REPORT) continue;
        times.push_back(e);
        for (input_event& f : frame)
            f.input_event_usec = 0; // stamped 1001, 1002, ... seconds: the clone's frames carry the stamp
        rig.write(frame);
        for (const input_event& f : frame)
            if (hide && f.code == ABS_MT_TRACKING_ID && f.value >= 0)
                holder->send(broker::HideContact{rig.deviceId, f.value, true}, 5);
        rig.broker.settle();
        frame.clear();
    }
    FakeUinput::Device clone = rig.clone();
    input_event recorded = times.front();
    for (input_event& e : clone.written) {
        if (const auto n = std::size_t(e.input_event_sec - 1001); n < times.size()) recorded = times[n];
        e.input_event_sec = recorded.input_event_sec;
        e.input_event_usec = recorded.input_event_usec;
    }
    return clone;
}

} // namespace

TEST(LibinputJudge, GestureContactsHiddenAsTheyLandMoveAndClickNothingWhileScrollingPassesUnchanged)
{
    DeviceDescription multitouchAlps = alpsDescription();
    multitouchAlps.properties.erase(INPUT_PROP_SEMI_MT);
    const std::string synaptics = "evemu-devices/SynPS2 Synaptics TouchPad";
    const DeviceDescription synapticsPad = describedIn(synaptics + ".desc");
    const auto pointerEvents = [](const std::vector<std::string>& events, const std::string& type) {
        std::vector<std::string> found;
        std::copy_if(events.begin(), events.end(), std::back_inserter(found),
                     [&](const std::string& e) { return e.starts_with(type); });
        return found;
    };
    struct Case {
        std::string recording;
        const DeviceDescription& pad;
        std::optional<std::pair<double, double>> at;
        std::string judged;       // the kind of libinput event the case is about
        std::size_t withoutClone; // at least that many of them on the touchpad itself
        bool hide;                // hidden as it lands, else the clone must give exactly the same
    };
    const Case cases[] = {
        {alps + ".right-edge-scroll.events", multitouchAlps, {}, "POINTER_MOTION", 10, true},
        {alps + ".double-tap.events", multitouchAlps, std::pair{0.92, 0.1}, "POINTER_BUTTON", 2, true},
        {alps + ".single-tap.events", multitouchAlps, std::pair{0.5, 0.95}, "POINTER_BUTTON", 1, true},
        {synaptics + ".two-finger-vert-scroll.events", synapticsPad, {}, "POINTER_", 20, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.recording);
        const auto events = recording(c.recording, c.pad, c.at);
        const auto real = pointerEvents(judgeByLibinput(c.pad, events), c.judged);
        EXPECT_GE(real.size(), c.withoutClone) << "what it does without Rimglider";
        const FakeUinput::Device clone = throughClone(c.pad, events, c.hide);
        const auto throughTheClone = judgeByLibinput(clone.description, clone.written);
        if (c.hide) {
            EXPECT_EQ(pointerEvents(throughTheClone, "POINTER_MOTION"), std::vector<std::string>{});
            EXPECT_EQ(pointerEvents(throughTheClone, "POINTER_BUTTON"), std::vector<std::string>{});
        } else {
            EXPECT_EQ(pointerEvents(throughTheClone, c.judged), real);
        }
    }
}
