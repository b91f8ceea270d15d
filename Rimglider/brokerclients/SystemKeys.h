// Volume, brightness, mute and media keys, posted as the keyboard's own special keys so the
// desktop applies its own step and shows its own level. The input broker emits them on its
// virtual keyboard; this side sends one request per key and never waits for an answer. A key
// posted while the connection is being made goes out once the broker welcomes us.
#pragma once

#include "BrokerClient.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace rimglider {

// What a volume or brightness step did.
enum class StepResult : int {
    stepped = 0,     // the key was posted and the level was not at its end
    atLimit = 1,     // the key was posted, but the level already stood at its end in that direction
    unavailable = 2, // the target cannot be adjusted; nothing was posted
};

// A level this close to its end already stands at that end (StepResult::atLimit).
inline constexpr float levelUpperEnd = 0.999f;
inline constexpr float levelLowerEnd = 0.001f;

// Posts system key `code` (0 sound up, 1 sound down, 2 brightness up, 3 brightness down,
// 7 mute, 16 play/pause, 17 next, 18 previous; other codes are ignored), with the desktop's
// finer step when `fine`. Main thread; fails silently.
void postSystemKey(int code, bool fine);

class SystemKeys {
  public:
    // Keys waiting for a connection; beyond it the oldest is dropped.
    static constexpr std::size_t maxQueuedKeys = 16;

    // Where the requests go; tests replace it to see them.
    using Sender = std::function<void(const broker::PostSystemKey&)>;

    static SystemKeys& shared();

    explicit SystemKeys(std::string socketPath = broker::socketPath());
    ~SystemKeys();
    SystemKeys(const SystemKeys&) = delete;
    SystemKeys& operator=(const SystemKeys&) = delete;

    void post(int code, bool fine);

    // Replaces the broker as the receiver of posts (empty: the broker again).
    void setSender(Sender sender) { sender_ = std::move(sender); }

  private:
    std::string socketPath_;
    std::unique_ptr<BrokerClient> client_; // made on first use, on the main thread
    Sender sender_;
};

} // namespace rimglider
