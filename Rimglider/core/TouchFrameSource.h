// Where touch frames come from, as the gesture pipeline sees it: the live touch input, or a
// stand-in in tests and benchmarks. The pipeline installs its handler and starts the source.
#pragma once

#include "GestureEngineKit/TouchTypes.h"

#include <functional>

namespace rimglider {

class TouchFrameSource {
  public:
    using FrameHandler = std::function<void(GestureEngineKit::TouchFrame)>;

    virtual ~TouchFrameSource() = default;
    // Replaces any earlier handler; the handler may be called on any thread.
    virtual void setOnFrame(FrameHandler handler) = 0;
    virtual void start() = 0;
};

} // namespace rimglider
