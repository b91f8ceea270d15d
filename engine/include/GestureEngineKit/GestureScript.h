// Builds engine inputs from a scripted hand: fingers land, glide, rest and lift on a
// touchpad that reports frames at a fixed rate. Used for examples, tests and benchmarks.
#pragma once

#include "GestureEngineKit/TouchTypes.h"
#include "GestureEngineKit/Trace.h"

#include <cstdint>
#include <vector>

namespace GestureEngineKit {

class GestureScript {
  public:
    // Frames come every `frameInterval` seconds (125 Hz by default) while a finger touches.
    explicit GestureScript(double startTime = 100.0, double frameInterval = 1.0 / 125.0);

    // A finger lands at (x, y): one frame in which it begins touching.
    GestureScript& down(std::int32_t id, float x, float y, float majorAxis = 9.0f);
    // Every finger on the surface moves by (dx, dy) over `duration`, one frame per interval.
    GestureScript& glide(double duration, float dx, float dy);
    // The fingers rest for `duration`, still reporting frames.
    GestureScript& hold(double duration);
    // One finger lifts: a frame without it.
    GestureScript& up(std::int32_t id);
    // Every finger lifts at once.
    GestureScript& upAll();
    // Time passes with no finger down and no frames.
    GestureScript& wait(double duration);
    GestureScript& keyDown();
    GestureScript& click();
    GestureScript& modifiers(ModifierState state);

    [[nodiscard]] double now() const { return time_; }
    [[nodiscard]] const std::vector<EngineInput>& inputs() const { return inputs_; }
    [[nodiscard]] std::vector<EngineInput> take() { return std::move(inputs_); }

  private:
    void emitFrame();

    double time_;
    double frameInterval_;
    bool frameAtNow_ = false; // a frame already carries the current time
    std::vector<TouchSample> contacts_;
    std::vector<EngineInput> inputs_;
};

// A scripted performance of what `label` describes, as a trace: a hand doing exactly that
// gesture (for normalWork: pointer use, scrolling, taps and typing that must not fire).
// Deterministic, so files made from it are reproducible.
Trace scriptedExample(TraceLabel label);

} // namespace GestureEngineKit
