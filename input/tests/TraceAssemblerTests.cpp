// The trace assembler's own rules, beyond what importing recordings shows: whole-state
// batches (a live subscription, lost events) and which context becomes an input.
#include "RimgliderInput/TraceAssembler.h"

#include "TestData.h"

#include <gtest/gtest.h>

using namespace rimglider;
using namespace GestureEngineKit;
using rimglider::test::testTouchpad;

namespace {

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

std::vector<std::pair<double, std::size_t>> frames(const std::vector<EngineInput>& inputs)
{
    std::vector<std::pair<double, std::size_t>> result;
    for (const EngineInput& input : inputs)
        if (const auto* frame = input.as<TouchFrame>()) result.emplace_back(frame->time, frame->touches.size());
    return result;
}

} // namespace

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
    EXPECT_EQ(frames(assembler.inputs()).size(), 2u + 14u);

    // A state without the finger, after it touched: the lift must be seen.
    assembler.touchpadState(emptyState(3.0));
    EXPECT_EQ(frames(assembler.inputs()).back(), std::make_pair(3.0, std::size_t(0)));
}

TEST(TraceAssembler, ButtonsHeldInAStateAreNoClicksAndOnlyKeysAndModifiersComeFromContext)
{
    TraceAssembler assembler(testTouchpad());
    auto state = fingerAt(1.0, 3, 100, 100);
    state.insert(state.end() - 1, InputEvent{1.0, EV_KEY, BTN_LEFT, 1});
    assembler.touchpadState(state);
    assembler.contextEvent({ContextEvent::Kind::buttonDown, 1.01, {}, 0});
    assembler.contextEvent({ContextEvent::Kind::buttonUp, 1.02, {}, 0});
    assembler.touchpadEvent({1.05, EV_KEY, BTN_LEFT, 0});
    assembler.touchpadEvent({1.06, EV_KEY, BTN_LEFT, 1}); // a new press of the pad: a click
    assembler.contextEvent({ContextEvent::Kind::keyDown, 1.07, {}, 0});
    assembler.contextEvent({ContextEvent::Kind::modifiersChanged, 1.08, ModifierState::shift, 0});

    std::vector<EngineInput::Kind> kinds;
    for (const EngineInput& input : assembler.inputs())
        kinds.push_back(input.kind());
    using K = EngineInput::Kind;
    // The state's frame, keep-alive frames (1.033 before the release, 1.067 before the key),
    // the pad's own click, the key, the modifiers.
    EXPECT_EQ(kinds, (std::vector<K>{K::frame, K::frame, K::mouseDown, K::frame, K::keyDown, K::modifiers}));
    EXPECT_EQ(assembler.inputs()[2], EngineInput::mouseDown(1.06));
}
