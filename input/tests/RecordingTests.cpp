// Recordings read, and imported as traces: real touchpads' and handmade ones, replayed so the
// engine sees what the hand did. The keyboard's context tracker too.
#include "RimgliderInput/ContextTracker.h"
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

template <class Read>
std::string errorOf(Read read)
{
    try {
        read();
    } catch (const RecordingError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

// Taps and multi-finger use in the middle are not even claimed; a finger resting in the bottom
// corner while the button is pressed is claimed and let go without a gesture.
TEST(RealRecordings, EverydayUseTriggersNothing)
{
    struct Case {
        std::string events, description;
        std::size_t fingers;
        std::ptrdiff_t claims = 0;
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
        const Trace trace = importRecording(evemuRecording(c.events, c.description), ImportOptions{});
        std::size_t fingers = 0; // the recording holds what the hand did
        for (const EngineInput& input : trace.inputs)
            if (const auto* frame = input.as<TouchFrame>()) fingers = std::max(fingers, frame->touches.size());
        EXPECT_EQ(fingers, c.fingers) << c.events;
        const auto events = trace.replay({});
        EXPECT_EQ(std::ranges::count(events, Kind::claimed, &GestureEvent::kind), c.claims)
            << c.events << ": " << describe(events);
        EXPECT_TRUE(TraceVerdict(events, TraceLabel::normalWork).passed()) << c.events;
    }
}

TEST(LibinputRecording, TouchpadAndKeyboardBecomeFramesClicksKeysAndModifiersInTimeOrder)
{
    // The touchpad and the keyboard are found among the devices; the mouse's click is not the pad's.
    const Trace trace =
        importRecording(readLibinputRecord(readData("handmade/test-touchpad-and-keyboard.yml")), ImportOptions{});
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

// (Bitmaps, axes, times from zero, comments after events: the real recordings; no description: the tool's import.)
TEST(EvemuReader, ReadsDescriptionLinesAndEventLines)
{
    const EvemuFile file = readEvemu("# comment\n"
                                     "N: Some Pad: with colons  \r\n"
                                     "I: 0011 0002 0007 01b1\n"
                                     "A: 36 -100 4448 8 0\n"
                                     "L: 00 1\n"
                                     "\n"
                                     "E: 1330050236.562753 0003 0039 -001\n");
    ASSERT_TRUE(file.description);
    EXPECT_EQ(file.description->name, "Some Pad: with colons");
    EXPECT_EQ(file.description->id, (InputId{0x11, 0x2, 0x7, 0x1b1}));
    EXPECT_EQ(file.description->absInfo.at(ABS_MT_POSITION_Y), (AbsInfo{0, -100, 4448, 8, 0, 0}));
    EXPECT_EQ(file.events, (std::vector<InputEvent>{{1330050236.562753, EV_ABS, ABS_MT_TRACKING_ID, -1}}));
}

TEST(EvemuReader, MalformedLinesNameTheLine)
{
    const auto error = [](const std::string& text) { return errorOf([&] { readEvemu(text); }); };
    EXPECT_EQ(error("N: x\nQ: what\n"), "line 2: not an evemu line: \"Q: what\"");
    EXPECT_EQ(error("E: 1.0 0003 0035\n"), "line 1: expected an event value");
    EXPECT_EQ(error("E: abc 0003 0035 1\n"), "line 1: expected a timestamp such as 12.345678, found \"abc\"");
    EXPECT_EQ(error("E: 1.0 0003 0035 99999999999\n"), "line 1: expected an event value, found \"99999999999\"");
    EXPECT_EQ(error("\n\nA: 40 0 1 0 0\n"), "line 3: axis 64 does not exist");
    std::string longBitmap = "B: 03";
    for (int i = 0; i < 97; ++i)
        longBitmap += " 00";
    EXPECT_EQ(error(longBitmap), "line 1: the bitmap is longer than any event type's");
}

TEST(LibinputRecordReader, ReadsEvdevEventsOnlyAndNamesTheLineOfAMistake)
{
    const auto replaced = [](const std::string& from, const std::string& to) {
        std::string copy = test::readData("handmade/test-touchpad-and-keyboard.yml");
        return copy.replace(copy.find(from), from.size(), to);
    };
    const std::string firstAfterLibinput = "[  1, 500000,  3,  57,   101]";
    // Microseconds are a count, not the digits of a fraction.
    const RecordedDevice pad =
        readLibinputRecord(replaced(firstAfterLibinput, "[  1, 5,  3,  57,   101]")).devices.at(1);
    EXPECT_EQ(pad.description.id, (InputId{24, 1739, 1, 256}));
    EXPECT_EQ(*pad.description.abs(ABS_MT_POSITION_Y), (AbsInfo{0, 0, 500, 0, 0, 10}));
    ASSERT_EQ(pad.events.size(), 59u);
    EXPECT_EQ(pad.events[33], (InputEvent{1.000005, EV_ABS, ABS_MT_TRACKING_ID, 101})); // the libinput entry is skipped

    const auto error = [](const std::string& text) { return errorOf([&] { readLibinputRecord(text); }); };
    EXPECT_EQ(error("devices: [unclosed\n").rfind("line 2: not valid YAML: ", 0), 0u);
    EXPECT_EQ(error("- just a list\n"), "not a libinput recording: expected a YAML mapping");
    EXPECT_EQ(error("version: 1\n"), "not a libinput recording: no \"devices\" list");
    EXPECT_EQ(error(replaced(firstAfterLibinput, "[  1, 500000,  3,  57]")),
              "line 107: expected [sec, usec, type, code, value]");
    EXPECT_EQ(error(replaced(firstAfterLibinput, "[  1, 500000,  3,  99999,   101]")),
              "line 107: expected an event code, found \"99999\"");
    EXPECT_EQ(error(replaced("    name: \"Rimglider Test Touchpad\"\n", "")), "line 33: missing \"name\"");
}

TEST(ContextTracker, KeysModifiersAndButtons)
{
    using Context = ContextEvent::Kind;
    ContextTracker tracker;
    const auto modifiersAfter = [&](std::uint16_t key, std::int32_t value) {
        return tracker.handle({1.0, EV_KEY, key, value});
    };
    EXPECT_EQ(modifiersAfter(KEY_LEFTSHIFT, 1), (ContextEvent{Context::modifiersChanged, 1.0, ModifierState::shift}));
    EXPECT_EQ(modifiersAfter(KEY_RIGHTALT, 1)->modifiers.rawValue(), 5); // AltGr is Alt
    EXPECT_EQ(modifiersAfter(KEY_RIGHTALT, 2), std::nullopt);            // autorepeat
    modifiersAfter(KEY_RIGHTSHIFT, 1);
    EXPECT_EQ(modifiersAfter(KEY_LEFTSHIFT, 0)->modifiers.rawValue(), 5); // the right Shift is still held
    modifiersAfter(KEY_RIGHTSHIFT, 0);
    EXPECT_EQ(modifiersAfter(KEY_RIGHTALT, 0)->modifiers, ModifierState{});
    modifiersAfter(KEY_LEFTMETA, 1);
    modifiersAfter(KEY_FN, 1);
    EXPECT_EQ(modifiersAfter(KEY_RIGHTCTRL, 1)->modifiers.rawValue(), 8 + 16 + 2);

    // (Other keys' presses, repeats and releases: the libinput import.)
    const auto right = tracker.handle({3.0, EV_KEY, BTN_RIGHT, 1});
    EXPECT_EQ(right->button, 1);
    EXPECT_EQ(right->engineInput(), GestureEngineKit::EngineInput::mouseDown(3.0));
    EXPECT_EQ(tracker.handle({3.1, EV_KEY, BTN_RIGHT, 0})->engineInput(), std::nullopt);
    EXPECT_EQ(tracker.handle({3.2, EV_KEY, BTN_TOUCH, 1}), std::nullopt);
    EXPECT_EQ(tracker.handle({3.5, EV_KEY, 0xffff, 1}), std::nullopt);
}
