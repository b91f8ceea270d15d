// Decides which clicks belong to a gesture: it learns from the gesture events when a gesture
// owns the finger, keeps guarding for a short window after it ends, and answers the input
// reader's question for every button press and release.
//
// Used from three threads: the pipeline's queue (observe, reset), the input reader (press and
// release decisions) and the main thread (window, count). One lock serialises them.
#pragma once

#include "GestureEngineKit/GestureConfig.h"
#include "GestureEngineKit/TouchTypes.h"

#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

namespace rimglider {

class ClickGuard {
  public:
    static constexpr double defaultWindow = 0.25;

    static ClickGuard& shared();

    // Times are seconds of system uptime, the clock of every input.
    void observe(const std::vector<GestureEngineKit::GestureEvent>& events,
                 const GestureEngineKit::GestureConfig& config, double now);

    enum class Decision { pass, swallow };
    Decision press(std::int64_t button, double now);
    Decision release(std::int64_t button);

    void setWindow(double seconds);
    // Ends guarding and any grace period; buttons already swallowed still have their
    // releases swallowed.
    void reset();

    struct State {
        bool guarding = false;
        double guardUntil = 0;
        double window = defaultWindow;
        std::set<std::int64_t> swallowedButtons;
        std::int64_t swallowedCount = 0;
    };
    [[nodiscard]] State state() const;
    [[nodiscard]] std::int64_t swallowedCount() const;

  private:
    mutable std::mutex lock_;
    State state_;
};

} // namespace rimglider
