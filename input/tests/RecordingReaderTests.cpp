#include "RimgliderInput/ContextTracker.h"
#include "RimgliderInput/Recording.h"

#include <gtest/gtest.h>

using namespace rimglider;
using GestureEngineKit::ModifierState;

namespace {

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

const char* tinyYaml = R"(version: 1
ndevices: 1
devices:
- node: /dev/input/event5
  evdev:
    name: "Pad"
    id: [24, 1, 2, 3]
    codes:
      1: [272, 325, 330]
      3: [47, 53, 54, 57]
    absinfo:
      47: [0, 1, 0, 0, 0]
      53: [0, 100, 0, 0, 5]
      54: [-50, 50, 0, 0, 5]
      57: [0, 65535, 0, 0, 0]
    properties: [0]
  events:
  - evdev:
    - [1, 500000, 3, 57, 7]
    - [1, 500000, 0, 0, 0]
  - hid:
      time: [1, 600000]
      hidraw3: [1, 2]
  - evdev:
    - [2, 5, 3, 57, -1]
    - [2, 5, 0, 0, 0]
)";

} // namespace

TEST(EvemuReader, ReadsDescriptionLinesAndEventLines)
{
    const EvemuFile file = readEvemu("# comment\n"
                                     "N: Some Pad: with colons  \r\n"
                                     "I: 0011 0002 0007 01b1\n"
                                     "P: 05 00 00 00 00 00 00 00\n"
                                     "B: 03 03 00 00 00 00 80 60 02\n"
                                     "A: 35 1472 5472 8 0 42\n"
                                     "A: 36 -100 4448 8 0\n"
                                     "L: 00 1\n"
                                     "\n"
                                     "E: 1330050236.562753 0003 0039 -001\t# EV_ABS / ABS_MT_TRACKING_ID -1\n"
                                     "E: 0.024272 0000 0000 0000\n");
    ASSERT_TRUE(file.description);
    const DeviceDescription& d = *file.description;
    EXPECT_EQ(d.name, "Some Pad: with colons");
    EXPECT_EQ(d.id, (InputId{0x11, 0x2, 0x7, 0x1b1}));
    EXPECT_EQ(d.properties, (std::set<std::uint16_t>{0, 2}));
    EXPECT_TRUE(d.has(EV_ABS, ABS_X) && d.has(EV_ABS, ABS_MT_SLOT) && d.has(EV_ABS, ABS_MT_TRACKING_ID));
    EXPECT_FALSE(d.has(EV_ABS, ABS_PRESSURE));
    EXPECT_EQ(*d.abs(ABS_MT_POSITION_X), (AbsInfo{0, 1472, 5472, 8, 0, 42}));
    EXPECT_EQ(d.abs(ABS_MT_POSITION_Y)->minimum, -100);
    EXPECT_EQ(d.abs(ABS_MT_POSITION_Y)->resolution, 0); // older files have no resolution
    ASSERT_EQ(file.events.size(), 2u);
    EXPECT_EQ(file.events[0], (InputEvent{1330050236.562753, EV_ABS, ABS_MT_TRACKING_ID, -1}));
    EXPECT_DOUBLE_EQ(file.events[1].time, 0.024272); // a leading zero is not octal
    EXPECT_FALSE(readEvemu("E: 1.5 0000 0000 0\n").description);
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

TEST(LibinputRecordReader, ReadsDevicesAndEvdevEventsOnly)
{
    const Recording recording = readLibinputRecord(tinyYaml);
    EXPECT_EQ(recording.format, Recording::Format::libinputRecord);
    EXPECT_EQ(recording.osVersion, "");
    ASSERT_EQ(recording.devices.size(), 1u);
    const DeviceDescription& d = recording.devices[0].description;
    EXPECT_EQ(d.name, "Pad");
    EXPECT_EQ(d.id, (InputId{24, 1, 2, 3}));
    EXPECT_EQ(*d.abs(ABS_MT_POSITION_Y), (AbsInfo{0, -50, 50, 0, 0, 5}));
    EXPECT_TRUE(d.isTouchpad());
    const auto& events = recording.devices[0].events;
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], (InputEvent{1.5, EV_ABS, ABS_MT_TRACKING_ID, 7}));
    EXPECT_EQ(events[2], (InputEvent{2.000005, EV_ABS, ABS_MT_TRACKING_ID, -1}));
}

TEST(LibinputRecordReader, MalformedFilesNameTheLine)
{
    const auto error = [](const std::string& text) { return errorOf([&] { readLibinputRecord(text); }); };
    const auto replaced = [](const std::string& from, const std::string& to) {
        std::string copy = tinyYaml;
        return copy.replace(copy.find(from), from.size(), to);
    };
    EXPECT_EQ(error("devices: [unclosed\n").rfind("line 2: not valid YAML: ", 0), 0u);
    EXPECT_EQ(error("- just a list\n"), "not a libinput recording: expected a YAML mapping");
    EXPECT_EQ(error("version: 1\n"), "not a libinput recording: no \"devices\" list");
    EXPECT_EQ(error(replaced("    - [2, 5, 3, 57, -1]", "    - [2, 5, 3, 57]")),
              "line 25: expected [sec, usec, type, code, value]");
    EXPECT_EQ(error(replaced("    - [2, 5, 3, 57, -1]", "    - [2, 5, 3, 99999, -1]")),
              "line 25: expected an event code, found \"99999\"");
    EXPECT_EQ(error(replaced("    name: \"Pad\"\n", "")), "line 6: missing \"name\"");
}

TEST(ContextTracker, KeysModifiersAndButtons)
{
    using Kind = ContextEvent::Kind;
    ContextTracker tracker;
    const auto modifiersAfter = [&](std::uint16_t key, std::int32_t value) {
        return tracker.handle({1.0, EV_KEY, key, value});
    };
    EXPECT_EQ(modifiersAfter(KEY_LEFTSHIFT, 1), (ContextEvent{Kind::modifiersChanged, 1.0, ModifierState::shift}));
    EXPECT_EQ(modifiersAfter(KEY_RIGHTALT, 1)->modifiers.rawValue(), 5); // AltGr is Alt
    EXPECT_EQ(modifiersAfter(KEY_RIGHTALT, 2), std::nullopt);            // autorepeat
    modifiersAfter(KEY_RIGHTSHIFT, 1);
    EXPECT_EQ(modifiersAfter(KEY_LEFTSHIFT, 0)->modifiers.rawValue(), 5); // the right Shift is still held
    modifiersAfter(KEY_RIGHTSHIFT, 0);
    EXPECT_EQ(modifiersAfter(KEY_RIGHTALT, 0)->modifiers, ModifierState{});
    modifiersAfter(KEY_LEFTMETA, 1);
    modifiersAfter(KEY_FN, 1);
    EXPECT_EQ(modifiersAfter(KEY_RIGHTCTRL, 1)->modifiers.rawValue(), 8 + 16 + 2);

    EXPECT_EQ(tracker.handle({2.0, EV_KEY, KEY_A, 1})->kind, Kind::keyDown);
    EXPECT_EQ(tracker.handle({2.1, EV_KEY, KEY_A, 2}), std::nullopt);
    EXPECT_EQ(tracker.handle({2.2, EV_KEY, KEY_A, 0}), std::nullopt);
    const auto right = tracker.handle({3.0, EV_KEY, BTN_RIGHT, 1});
    EXPECT_EQ(right->button, 1);
    EXPECT_EQ(right->engineInput(), GestureEngineKit::EngineInput::mouseDown(3.0));
    EXPECT_EQ(tracker.handle({3.1, EV_KEY, BTN_RIGHT, 0})->engineInput(), std::nullopt);
    EXPECT_EQ(tracker.handle({3.2, EV_KEY, BTN_TOUCH, 1}), std::nullopt);
    EXPECT_EQ(tracker.handle({3.5, EV_KEY, 0xffff, 1}), std::nullopt);
}
