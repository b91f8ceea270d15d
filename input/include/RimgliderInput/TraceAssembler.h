// The engine inputs of a trace, from one touchpad's kernel events and the keyboards' context,
// fed in the order they happened. Importing a recording and recording live through the input
// broker both use it, so the same device events give the same trace.
#pragma once

#include "RimgliderInput/ContextTracker.h"
#include "RimgliderInput/EvdevDevice.h"
#include "RimgliderInput/FrameAssembler.h"

#include "GestureEngineKit/TouchTypes.h"

#include <span>
#include <vector>

namespace rimglider {

class TraceAssembler {
  public:
    // Throws FrameAssembler::UnsupportedDevice when the touchpad cannot give touch frames.
    explicit TraceAssembler(const DeviceDescription& touchpad);

    // One event of the touchpad: its frames, and its own button presses as clicks. Keep-alive
    // frames fill the gap before it.
    void touchpadEvent(const InputEvent& event);
    // The touchpad's whole current state (after a subscription or lost events): a fresh view
    // of the pad. Buttons already held in it are no new clicks.
    void touchpadState(std::span<const InputEvent> state);
    // A key press or a modifier change; button events are left to the touchpad's own.
    void contextEvent(const ContextEvent& event);

    [[nodiscard]] const std::vector<GestureEngineKit::EngineInput>& inputs() const { return inputs_; }
    std::vector<GestureEngineKit::EngineInput> takeInputs() { return std::move(inputs_); }

  private:
    void fillUntil(double time);
    [[nodiscard]] bool lastFrameTouched() const;

    DeviceDescription touchpad_;
    FrameAssembler frames_;
    ContextTracker buttons_;
    std::vector<GestureEngineKit::EngineInput> inputs_;
};

} // namespace rimglider
