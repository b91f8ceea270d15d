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
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace rimglider {

class ClickGuard {
  public:
    static constexpr double defaultWindow = 0.25;

    static ClickGuard& shared();

    // Times are seconds of system uptime, the clock of every input. `claimedTouch` is the
    // contact the engine holds after these events, when it holds one.
    void observe(const std::vector<GestureEngineKit::GestureEvent>& events,
                 const GestureEngineKit::GestureConfig& config, double now,
                 std::optional<std::int32_t> claimedTouch = std::nullopt);

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

    // What the input service needs to decide a press on its own, before the press happens
    // (exclusive mode): guarding while the claimed contacts are down and for `window` after they
    // lift, else guarding until `guardUntil`. Called outside the lock on the pipeline's queue
    // (or in reset()) whenever it changes; set it before inputs flow.
    struct Ahead {
        bool guarding = false;
        std::vector<std::int32_t> claimed; // while guarding; empty when the contact is unknown
        double guardUntil = 0;
        double window = defaultWindow;
        friend bool operator==(const Ahead&, const Ahead&) = default;
    };
    std::function<void(const Ahead&)> onAhead;
    [[nodiscard]] std::int64_t swallowedCount() const;

  private:
    [[nodiscard]] Ahead aheadLocked() const;

    mutable std::mutex lock_;
    State state_;
    std::optional<std::int32_t> guardedTouch_;
};

} // namespace rimglider
