// Real touchpad recordings and handmade ones, imported as traces and replayed: the engine
// must see what the hand did.
#include "RimgliderInput/Recording.h"

#include "GestureEngineKit/Trace.h"

#include "TestData.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace rimglider;
using rimglider::test::readData;
using namespace GestureEngineKit;
using Kind = GestureEvent::Kind;

namespace {

Recording evemuRecording(const std::string& events, const std::string& description = "")
{
    EvemuFile file = readEvemu(readData("evemu-devices/" + events + ".events"));
    if (!description.empty()) file.description = test::describedIn("evemu-devices/" + description + ".desc");
    return Recording{Recording::Format::evemu, {{*file.description, std::move(file.events)}}, ""};
}

ImportOptions options(TraceLabel label = TraceLabel::normalWork)
{
    ImportOptions o;
    o.label = label;
    o.now = TraceDate(std::chrono::seconds(1'800'000'000));
    return o;
}

std::size_t count(const std::vector<GestureEvent>& events, Kind kind)
{
    return std::size_t(
        std::count_if(events.begin(), events.end(), [&](const GestureEvent& e) { return e.kind() == kind; }));
}

std::size_t mostContacts(const Trace& trace)
{
    std::size_t most = 0;
    for (const EngineInput& input : trace.inputs)
        if (const auto* frame = input.as<TouchFrame>()) most = std::max(most, frame->touches.size());
    return most;
}

} // namespace

// Taps and multi-finger use in the middle are not even claimed; a finger resting in the bottom
// corner while the button is pressed is claimed and let go without a gesture.
TEST(RealRecordings, EverydayUseTriggersNothing)
{
    struct Case {
        std::string events, description;
        std::size_t fingers, claims = 0;
    };
    for (const Case& c :
         {Case{"AlpsPS2 ALPS GlidePoint.single-tap", "", 1}, Case{"AlpsPS2 ALPS GlidePoint.double-tap", "", 1},
          Case{"AlpsPS2 ALPS GlidePoint.2-finger-tap", "", 2}, Case{"CyPS2 Cypress Trackpad.two_finger_tap", "", 2},
          Case{"CyPS2 Cypress Trackpad.three_finger_tap", "", 2},
          Case{"SynPS2 Synaptics TouchPad.two-finger-vert-scroll", "SynPS2 Synaptics TouchPad", 2},
          Case{"ETPS2 Elantech Touchpad", "ETPS2 Elantech Touchpad", 1},
          Case{"SynPS2 Synaptics TouchPad.button-rpress", "SynPS2 Synaptics TouchPad", 1, 1},
          // Single-touch pads: contact 0 while touching.
          Case{"AlpsPS2-ALPS-DualPoint-TouchPad-non-MT.tap", "", 1},
          Case{"AlpsPS2-ALPS-DualPoint-TouchPad-non-MT.doubletap", "", 1}}) {
        const Trace trace = importRecording(evemuRecording(c.events, c.description), options());
        EXPECT_EQ(mostContacts(trace), c.fingers) << c.events; // the recording holds what the hand did
        const auto events = trace.replay({});
        EXPECT_EQ(count(events, Kind::claimed), c.claims) << c.events << ": " << describe(events);
        EXPECT_TRUE(TraceVerdict(events, TraceLabel::normalWork).passed()) << c.events;
    }
}

TEST(RealRecordings, RightSideSlideNeedsAWiderEdge)
{
    const Trace trace =
        importRecording(evemuRecording("AlpsPS2 ALPS GlidePoint.right-edge-scroll", "AlpsPS2 ALPS GlidePoint"),
                        options(TraceLabel::rightSlideUp));
    // At the default edge width (0.1) the finger, at 86 % of the width, is never claimed.
    EXPECT_EQ(count(trace.replay({}), Kind::claimed), 0u);

    GestureConfig wide;
    wide.edgeWidth = 0.15;
    const auto events = trace.replay(wide);
    EXPECT_EQ(events.front(), GestureEvent::claimed({Zone::right}));
    EXPECT_EQ(count(events, Kind::sliderBegan), 1u);
    EXPECT_GE(count(events, Kind::sliderStep), 3u);
    EXPECT_EQ(TraceVerdict(events, TraceLabel::rightSlideUp).problems, std::vector<std::string>{});
    EXPECT_EQ(events.back(), GestureEvent::released(GestureEvent::Outcome::completed()));
}

TEST(LibinputRecording, TouchpadAndKeyboardBecomeFramesClicksKeysAndModifiersInTimeOrder)
{
    // The touchpad and the keyboard are found among the devices; the mouse's click is not the pad's.
    const Trace trace =
        importRecording(readLibinputRecord(readData("handmade/test-touchpad-and-keyboard.yml")), options());
    EXPECT_EQ(trace.header.hardwareModel, "Rimglider Test Touchpad");
    EXPECT_TRUE(trace.header.hasContextEvents);
    EXPECT_EQ(trace.header.osVersion, "debian:12 (Linux 6.1.0-28-amd64)");

    std::vector<std::pair<double, std::uint8_t>> modifiers;
    std::vector<double> keys, clicks;
    for (const EngineInput& input : trace.inputs) {
        if (const auto* m = input.as<EngineInput::Modifiers>()) modifiers.emplace_back(m->time, m->state.rawValue());
        if (input.kind() == EngineInput::Kind::keyDown) keys.push_back(input.time());
        if (input.kind() == EngineInput::Kind::mouseDown) clicks.push_back(input.time());
    }
    EXPECT_EQ(modifiers, (std::vector<std::pair<double, std::uint8_t>>{{0.4, 1}, {0.45, 5}, {0.8, 1}, {0.85, 0}}));
    EXPECT_EQ(keys, std::vector<double>{2.5}); // autorepeat is not a press
    EXPECT_EQ(clicks, std::vector<double>{1.55});
    EXPECT_TRUE(std::is_sorted(trace.inputs.begin(), trace.inputs.end(),
                               [](const EngineInput& a, const EngineInput& b) { return a.time() < b.time(); }));
}
