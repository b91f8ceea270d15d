// Frames as a touch input delivers them, on its reader thread.
#pragma once

#include "GestureEngineKit/TouchTypes.h"

#include <functional>
#include <mutex>
#include <vector>

namespace rimglider::test {

class CaughtFrames {
  public:
    std::function<void(GestureEngineKit::TouchFrame)> handler()
    {
        return [this](GestureEngineKit::TouchFrame frame) {
            std::lock_guard guard(lock_);
            frames_.push_back(std::move(frame));
        };
    }
    std::vector<GestureEngineKit::TouchFrame> frames() const
    {
        std::lock_guard guard(lock_);
        return frames_;
    }

  private:
    mutable std::mutex lock_;
    std::vector<GestureEngineKit::TouchFrame> frames_;
};

} // namespace rimglider::test
