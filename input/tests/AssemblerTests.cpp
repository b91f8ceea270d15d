// Touches assembled into frames, and frames with the keyboard's context into trace inputs.
#include "RimgliderInput/FrameAssembler.h"
#include "RimgliderInput/Recording.h"
#include "RimgliderInput/TraceAssembler.h"

#include "TestData.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace rimglider;
using namespace GestureEngineKit;
using rimglider::test::readData;
using rimglider::test::testTouchpad;

namespace {

// Every frame a handmade recording of the test touchpad assembles to, keep-alive frames included.
std::vector<TouchFrame> framesOf(const std::string& corner)
{
    const EvemuFile file = readEvemu(readData("handmade/Rimglider Test Touchpad." + corner + ".events"));
    FrameAssembler assembler(testTouchpad());
    std::vector<TouchFrame> frames;
    for (const InputEvent& event : file.events) {
        while (auto frame = assembler.keepAlive(event.time))
            frames.push_back(*frame);
        if (auto frame = assembler.push(event)) frames.push_back(*frame);
    }
    return frames;
}

using Contacts = std::vector<std::pair<int, int>>;

// (id, state) of each contact of a frame, in order.
Contacts contacts(const TouchFrame& frame)
{
    Contacts result;
    for (const TouchSample& s : frame.touches)
        result.emplace_back(s.id, s.state);
    return result;
}

// A finger in slot 0 with tracking id `id` at (x, y) raw, then SYN_REPORT, all at `t`.
std::vector<InputEvent> fingerAt(double t, int id, int x, int y)
{
    return {{t, EV_ABS, ABS_MT_SLOT, 0},       {t, EV_ABS, ABS_MT_TRACKING_ID, id}, {t, EV_ABS, ABS_MT_POSITION_X, x},
            {t, EV_ABS, ABS_MT_POSITION_Y, y}, {t, EV_ABS, ABS_MT_TOUCH_MAJOR, 80}, {t, EV_SYN, SYN_REPORT, 0}};
}

std::vector<InputEvent> emptyState(double t)
{
    return {{t, EV_ABS, ABS_MT_SLOT, 0}, {t, EV_ABS, ABS_MT_TRACKING_ID, -1}, {t, EV_SYN, SYN_REPORT, 0}};
}

} // namespace

TEST(FrameAssembler, HandmadeRecordingsGiveTheirContactsFrameByFrame)
{
    const std::pair<const char*, std::vector<Contacts>> cases[] = {
        {"slot-reuse", {{{10, 3}}, {{10, 4}}, {}, {{11, 3}}, {{11, 4}}, {}}}, // a reused slot: a new contact
        {"tracking-id-change", {{{20, 3}}, {{21, 3}}, {{21, 4}}, {}}},
        {"lift-while-other-stays", {{{30, 3}, {31, 3}}, {{30, 4}}, {{30, 4}}, {}}}, // in slot order
        {"hover", {{{40, 1}}, {{40, 3}}, {{40, 4}}, {{40, 1}}, {}}},
        {"palm", {{{50, 3}, {51, 3}}, {{50, 4}}, {}}},
        {"syn-dropped", {{{60, 3}}, {{60, 4}}, {}}},  // the partial frame and the report ending the drop: none
        {"out-of-range", {{{70, 3}}, {{70, 4}}, {}}}, // slot 7 does not exist: its contact is ignored
    };
    for (const auto& [name, expected] : cases) {
        std::vector<Contacts> got;
        for (const TouchFrame& frame : framesOf(name))
            got.push_back(contacts(frame));
        EXPECT_EQ(got, expected) << name;
    }

    // Positions normalised with y flipped, contact axes in millimetres (10 units per mm).
    auto frames = framesOf("slot-reuse");
    const TouchSample& s = frames[0].touches.at(0);
    EXPECT_DOUBLE_EQ(frames[0].time, 0.1);
    EXPECT_EQ(std::vector({s.x, s.y, s.majorAxis, s.minorAxis, s.absoluteX, s.absoluteY}),
              std::vector<float>({0.5f, 0.5f, 8.0f, 6.0f, 500, 250}));
    // Axis values not resent for the new contact are the slot's last ones (kernel protocol B).
    EXPECT_FLOAT_EQ(frames[3].touches.at(0).majorAxis, 8.0f);
    EXPECT_FLOAT_EQ(frames[4].touches.at(0).y, 1.0f - 110.0f / 500);
    EXPECT_FLOAT_EQ(framesOf("lift-while-other-stays")[2].touches.at(0).x, 0.12f);
    EXPECT_FLOAT_EQ(framesOf("palm")[0].touches.at(1).majorAxis, 255.0f); // MT_TOOL_PALM: never claimed
    frames = framesOf("syn-dropped");
    EXPECT_DOUBLE_EQ(frames[1].time, 0.13);
    EXPECT_FLOAT_EQ(frames[1].touches.at(0).x, 0.5f);                   // not 0.6 (lost) nor 0.9 (discarded)
    EXPECT_FLOAT_EQ(framesOf("out-of-range")[0].touches.at(0).x, 1.1f); // kept, not clamped
}

TEST(FrameAssembler, KeepAliveFillsGapsOnlyWhileAContactIsDownAndForAMinuteAtMost)
{
    const auto frames = framesOf("resting-finger");
    // Down at 0.1, up at 0.29: keep-alive frames every 1/30 s inside the gap.
    ASSERT_EQ(frames.size(), 2u + 5u);
    for (std::size_t i = 1; i <= 5; ++i) {
        EXPECT_NEAR(frames[i].time, 0.1 + double(i) / 30, 1e-12);
        EXPECT_EQ(contacts(frames[i]), (Contacts{{80, 4}}));
    }

    FrameAssembler assembler(testTouchpad());
    EXPECT_TRUE(assembler.push({0.5, EV_SYN, SYN_REPORT, 0})->touches.empty()); // every report is a frame
    EXPECT_FALSE(assembler.keepAlive(10.0));                                    // nothing down yet
    assembler.push({0.9, EV_ABS, ABS_MT_TRACKING_ID, 4});
    assembler.push({0.9, EV_ABS, ABS_MT_DISTANCE, 1});
    assembler.push({0.9, EV_SYN, SYN_REPORT, 0});
    EXPECT_FALSE(assembler.nextKeepAlive()); // hovering is not down
    assembler.push({1.0, EV_ABS, ABS_MT_DISTANCE, 0});
    assembler.push({1.0, EV_ABS, ABS_MT_TRACKING_ID, 5});
    ASSERT_TRUE(assembler.push({1.0, EV_SYN, SYN_REPORT, 0}));
    EXPECT_DOUBLE_EQ(*assembler.nextKeepAlive(), 1.0 + FrameAssembler::keepAliveInterval);
    EXPECT_FALSE(assembler.keepAlive(1.0 + FrameAssembler::keepAliveInterval)); // a gap of exactly 1/30 s
    EXPECT_TRUE(assembler.keepAlive(1.04));
    assembler.push({1.05, EV_ABS, ABS_MT_TRACKING_ID, -1});
    ASSERT_TRUE(assembler.push({1.05, EV_SYN, SYN_REPORT, 0}));
    EXPECT_FALSE(assembler.keepAlive(5.0)); // all lifted

    // A recording whose clock jumps ahead is filled for a minute after the last report, no more.
    assembler.push({6.0, EV_ABS, ABS_MT_TRACKING_ID, 6});
    assembler.push({6.0, EV_SYN, SYN_REPORT, 0});
    std::size_t filled = 0;
    while (assembler.keepAlive(1e9))
        ++filled;
    EXPECT_EQ(filled, std::size_t(FrameAssembler::maxKeepAliveSpan / FrameAssembler::keepAliveInterval));
    EXPECT_FALSE(assembler.nextKeepAlive());
    assembler.push({1e9, EV_SYN, SYN_REPORT, 0}); // the next report starts a fresh span
    EXPECT_TRUE(assembler.keepAlive(1e9 + 0.05));
}

TEST(FrameAssembler, SingleTouchPadsReportContactZeroWhileTouching)
{
    DeviceDescription pad;
    pad.codes[EV_KEY] = {BTN_TOUCH, BTN_TOOL_FINGER};
    pad.codes[EV_ABS] = {ABS_X, ABS_Y};
    pad.absInfo[ABS_X] = {.value = 100, .minimum = 0, .maximum = 1000};
    pad.absInfo[ABS_Y] = {.value = 0, .minimum = 0, .maximum = 500};
    FrameAssembler assembler(pad);
    assembler.push({1.0, EV_KEY, BTN_TOUCH, 1});
    const auto first = assembler.push({1.0, EV_SYN, SYN_REPORT, 0});
    ASSERT_TRUE(first);
    EXPECT_EQ(contacts(*first), (Contacts{{0, 3}}));
    EXPECT_FLOAT_EQ(first->touches[0].x, 0.1f); // the axis's current value until the first move
    EXPECT_FLOAT_EQ(first->touches[0].majorAxis, 0.0f);
    assembler.push({1.01, EV_ABS, ABS_Y, 125});
    const auto second = assembler.push({1.01, EV_SYN, SYN_REPORT, 0});
    EXPECT_EQ(contacts(*second), (Contacts{{0, 4}}));
    EXPECT_FLOAT_EQ(second->touches[0].y, 0.75f);
    assembler.push({1.02, EV_KEY, BTN_TOUCH, 0});
    EXPECT_EQ(contacts(*assembler.push({1.02, EV_SYN, SYN_REPORT, 0})), Contacts{});
}

TEST(FrameAssembler, DevicesWithoutUsableTouchAreRefusedClearly)
{
    const auto refusal = [](const DeviceDescription& device) -> std::string {
        try {
            FrameAssembler assembler(device);
        } catch (const FrameAssembler::UnsupportedDevice& e) {
            return e.what();
        }
        return "(accepted)";
    };
    using Change = void (*)(DeviceDescription&);
    const std::pair<Change, std::string> cases[] = {
        {[](DeviceDescription& d) {
             d = DeviceDescription{};
             d.codes[EV_KEY] = {KEY_A};
         },
         "the device reports no touch positions"},
        {[](DeviceDescription& d) { d.codes[EV_ABS].erase(ABS_MT_SLOT); },
         "the device uses the older anonymous-contact multitouch protocol (SYN_MT_REPORT), which is not supported"},
        {[](DeviceDescription& d) { d.absInfo[ABS_MT_POSITION_X].maximum = 0; },
         "ABS_MT_POSITION_X has an empty range (0 to 0)"},
        {[](DeviceDescription& d) { d.absInfo[ABS_MT_SLOT].maximum = 100000; }, "the device reports 100001 slots"},
        {[](DeviceDescription& d) { d.absInfo[ABS_MT_SLOT].maximum = -1; }, "the device reports 0 slots"},
        {[](DeviceDescription& d) { d.absInfo.erase(ABS_MT_POSITION_Y); },
         "the device has no range for ABS_MT_POSITION_Y"},
        {[](DeviceDescription& d) { d.absInfo[ABS_MT_SLOT].maximum = 0; }, "(accepted)"}, // one slot is enough
    };
    for (const auto& [change, message] : cases) {
        DeviceDescription device = testTouchpad();
        change(device);
        EXPECT_EQ(refusal(device), message);
    }
}

// The trace assembler beyond what importing recordings shows: whole-state batches (a live
// subscription, lost events) and which context becomes an input.
TEST(TraceAssembler, StateBatchesStartAFreshViewAndAnEmptyOneIsNoNews)
{
    TraceAssembler assembler(testTouchpad());
    assembler.touchpadState(emptyState(1.0)); // subscribed while nothing touches: no frame
    EXPECT_TRUE(assembler.inputs().empty());

    for (const InputEvent& e : fingerAt(2.0, 5, 500, 250))
        assembler.touchpadEvent(e);
    // Events were lost while the finger rested; the state shows it still there: it begins anew.
    const auto state = fingerAt(2.49, 5, 520, 250);
    assembler.touchpadState(state);
    const auto* restated = assembler.inputs().back().as<TouchFrame>();
    ASSERT_TRUE(restated);
    EXPECT_EQ(restated->time, 2.49);
    EXPECT_EQ(restated->touches.at(0).state, TouchSample::stateTouchBegan);
    // The gap before the state was filled as for any event at its time: 2.033 to 2.467.
    EXPECT_EQ(std::ranges::count_if(assembler.inputs(), [](const EngineInput& i) { return i.as<TouchFrame>(); }),
              2 + 14);

    // A state without the finger, after it touched: the lift must be seen.
    assembler.touchpadState(emptyState(3.0));
    EXPECT_EQ(assembler.inputs().back(), EngineInput::frame({3.0, {}}));
}

// (Keys and modifiers from the context, and another device's clicks not counted: the libinput
// import.)
TEST(TraceAssembler, AButtonHeldInAStateIsNoClickButThePadsNextPressIs)
{
    TraceAssembler assembler(testTouchpad());
    auto state = fingerAt(1.0, 3, 100, 100);
    state.insert(state.end() - 1, InputEvent{1.0, EV_KEY, BTN_LEFT, 1});
    assembler.touchpadState(state);
    assembler.contextEvent({ContextEvent::Kind::buttonDown, 1.01, {}, 0});
    assembler.touchpadEvent({1.02, EV_KEY, BTN_LEFT, 0});
    assembler.touchpadEvent({1.02, EV_KEY, BTN_LEFT, 1});
    ASSERT_EQ(assembler.inputs().size(), 2u);
    EXPECT_EQ(assembler.inputs().back(), EngineInput::mouseDown(1.02));
}
