// Lets go of grabbed touchpads when the broker's loop stops forwarding their events. On a thread
// of its own it notices input waiting on a grabbed touchpad; if the loop has not finished a single
// round stallTimeout later, it ungrabs the touchpad and lifts everything its clone holds, so the
// desktop reads the touchpad itself again however the loop is stuck. The loop, if it comes back,
// learns which ones it let go (takeTripped) and ends their exclusive mode.
#pragma once

#include <linux/input.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace rimglider::inputd {

class GrabWatchdog {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds stallTimeout{300};

    // Without a thread, check() is called by the owner (tests, with their own time).
    explicit GrabWatchdog(bool ownThread);
    ~GrabWatchdog();
    GrabWatchdog(const GrabWatchdog&) = delete;
    GrabWatchdog& operator=(const GrabWatchdog&) = delete;

    // `letGo`: the frame that lifts every contact and key of the clone. The descriptors stay
    // open until disarm() returns.
    void arm(std::uint64_t key, int deviceFd, int cloneFd, std::vector<input_event> letGo);
    void disarm(std::uint64_t key);
    // The loop finished a round.
    void progress() { rounds_.fetch_add(1, std::memory_order_relaxed); }
    // The touchpads let go since the last call.
    std::vector<std::uint64_t> takeTripped();

    // One look at every armed touchpad.
    void check(Clock::time_point now);

  private:
    struct Armed {
        int deviceFd;
        int cloneFd;
        std::vector<input_event> letGo;
        std::optional<Clock::time_point> waitingSince; // input seen waiting, with no round since
        std::uint64_t roundsThen = 0;
    };
    void run();

    std::mutex mutex_;
    std::map<std::uint64_t, Armed> armed_;
    std::vector<std::uint64_t> tripped_;
    std::atomic<std::uint64_t> rounds_{0};
    int wake_ = -1; // eventfd: armed set changed, or stop
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace rimglider::inputd
