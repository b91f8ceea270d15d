#include "GestureEngineKit/GestureScript.h"

#include <algorithm>
#include <cmath>

namespace GestureEngineKit {

namespace {
// Absolute device units per normalised unit, roughly those of a 125 × 78 mm pad at 40 units/mm.
constexpr float absoluteWidth = 5000;
constexpr float absoluteHeight = 3120;
} // namespace

GestureScript::GestureScript(double startTime, double frameInterval) : time_(startTime), frameInterval_(frameInterval)
{}

void GestureScript::emitFrame()
{
    for (TouchSample& c : contacts_) {
        c.absoluteX = c.x * absoluteWidth;
        c.absoluteY = (1 - c.y) * absoluteHeight;
    }
    inputs_.push_back(EngineInput::frame(TouchFrame{time_, contacts_}));
    for (TouchSample& c : contacts_)
        c.state = TouchSample::stateTouching;
    frameAtNow_ = true;
}

GestureScript& GestureScript::down(std::int32_t id, float x, float y, float majorAxis)
{
    if (frameAtNow_) time_ += frameInterval_;
    contacts_.push_back(TouchSample{.id = id,
                                    .state = TouchSample::stateTouchBegan,
                                    .x = x,
                                    .y = y,
                                    .majorAxis = majorAxis,
                                    .minorAxis = majorAxis * 0.8f});
    emitFrame();
    return *this;
}

GestureScript& GestureScript::glide(double duration, float dx, float dy)
{
    const int frames = std::max(1, int(std::lround(duration / frameInterval_)));
    std::vector<std::pair<float, float>> from;
    for (const TouchSample& c : contacts_)
        from.emplace_back(c.x, c.y);
    for (int i = 1; i <= frames; ++i) {
        time_ += frameInterval_;
        const float f = float(i) / float(frames);
        for (std::size_t c = 0; c < contacts_.size(); ++c) {
            contacts_[c].x = from[c].first + dx * f;
            contacts_[c].y = from[c].second + dy * f;
        }
        emitFrame();
    }
    return *this;
}

GestureScript& GestureScript::hold(double duration)
{
    return glide(duration, 0, 0);
}

GestureScript& GestureScript::up(std::int32_t id)
{
    time_ += frameInterval_;
    std::erase_if(contacts_, [id](const TouchSample& c) { return c.id == id; });
    emitFrame();
    return *this;
}

GestureScript& GestureScript::upAll()
{
    time_ += frameInterval_;
    contacts_.clear();
    emitFrame();
    return *this;
}

GestureScript& GestureScript::wait(double duration)
{
    time_ += duration;
    frameAtNow_ = false;
    return *this;
}

GestureScript& GestureScript::keyDown()
{
    inputs_.push_back(EngineInput::keyDown(time_));
    return *this;
}

GestureScript& GestureScript::click()
{
    inputs_.push_back(EngineInput::mouseDown(time_));
    return *this;
}

GestureScript& GestureScript::modifiers(ModifierState state)
{
    inputs_.push_back(EngineInput::modifiers(state, time_));
    return *this;
}

Trace scriptedExample(TraceLabel label)
{
    GestureScript hand;
    switch (label) {
    case TraceLabel::normalWork:
        hand.down(1, 0.4f, 0.5f).glide(0.6, 0.25f, -0.15f).glide(0.4, -0.1f, 0.2f).upAll();   // pointer
        hand.wait(0.5).down(2, 0.45f, 0.4f).down(3, 0.55f, 0.4f).glide(0.5, 0, 0.3f).upAll(); // scroll
        hand.wait(0.4).down(4, 0.5f, 0.6f).hold(0.06).upAll();                                // tap
        hand.wait(0.3).keyDown().wait(0.2).down(5, 0.95f, 0.4f).glide(0.3, 0, 0.2f).upAll();  // typing
        hand.wait(0.5).down(6, 0.96f, 0.5f).hold(1.0).upAll();                                // resting on the edge
        break;
    case TraceLabel::rightSlideUp:
        hand.down(1, 0.95f, 0.3f).glide(0.5, 0, 0.4f).upAll();
        break;
    case TraceLabel::rightSlideDown:
        hand.down(1, 0.95f, 0.7f).glide(0.5, 0, -0.4f).upAll();
        break;
    case TraceLabel::leftSlideUp:
        hand.down(1, 0.04f, 0.3f).glide(0.5, 0, 0.4f).upAll();
        break;
    case TraceLabel::leftSlideDown:
        hand.down(1, 0.04f, 0.7f).glide(0.5, 0, -0.4f).upAll();
        break;
    case TraceLabel::cornerDoubleTap:
        hand.down(1, 0.95f, 0.94f).hold(0.08).upAll().wait(0.15).down(2, 0.95f, 0.94f).hold(0.08).upAll();
        break;
    case TraceLabel::bottomSwipeRight:
        hand.down(1, 0.3f, 0.03f).glide(0.25, 0.3f, 0).upAll();
        break;
    case TraceLabel::bottomSwipeLeft:
        hand.down(1, 0.7f, 0.03f).glide(0.25, -0.3f, 0).upAll();
        break;
    }
    using namespace std::chrono;
    const TraceDate recordedAt = sys_days{2026y / January / 1} + 12h;
    return Trace{TraceHeader(label, recordedAt, "Rimglider scripted touchpad", "", true,
                             "Scripted example: " + std::string(name(label))),
                 hand.take()};
}

} // namespace GestureEngineKit
