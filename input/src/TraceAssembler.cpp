#include "RimgliderInput/TraceAssembler.h"

namespace rimglider {

using GestureEngineKit::EngineInput;

TraceAssembler::TraceAssembler(const DeviceDescription& touchpad) : touchpad_(touchpad), frames_(touchpad_) {}

void TraceAssembler::fillUntil(double time)
{
    while (auto frame = frames_.keepAlive(time))
        inputs_.push_back(EngineInput::frame(std::move(*frame)));
}

void TraceAssembler::touchpadEvent(const InputEvent& event)
{
    fillUntil(event.time);
    if (auto context = buttons_.handle(event); context && context->kind == ContextEvent::Kind::buttonDown)
        inputs_.push_back(*context->engineInput());
    if (auto frame = frames_.push(event)) inputs_.push_back(EngineInput::frame(std::move(*frame)));
}

void TraceAssembler::touchpadState(std::span<const InputEvent> state)
{
    if (state.empty()) return;
    fillUntil(state.front().time);
    frames_ = FrameAssembler(touchpad_);
    for (const InputEvent& event : state) {
        auto frame = frames_.push(event);
        // A state without contacts after a frame without them (or none at all) is no news.
        if (frame && (!frame->touches.empty() || lastFrameTouched()))
            inputs_.push_back(EngineInput::frame(std::move(*frame)));
    }
}

bool TraceAssembler::lastFrameTouched() const
{
    for (auto input = inputs_.rbegin(); input != inputs_.rend(); ++input)
        if (const auto* frame = input->as<GestureEngineKit::TouchFrame>()) return !frame->touches.empty();
    return false;
}

void TraceAssembler::contextEvent(const ContextEvent& event)
{
    if (event.kind != ContextEvent::Kind::keyDown && event.kind != ContextEvent::Kind::modifiersChanged) return;
    fillUntil(event.time);
    inputs_.push_back(*event.engineInput());
}

} // namespace rimglider
