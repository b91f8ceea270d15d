// Posting the eight system keys: key down, sync, key up, sync; a fine step wraps that in Left
// Shift down and up, each with its own sync. A key written to a device nobody has opened yet
// reaches nobody, so a new device is used only once udev has announced it (or, where udev never
// does, after announceTimeout); keys posted before then wait for it, in order.
#pragma once

#include "KeySink.h"

#include "RimgliderInput/BrokerProtocol.h"

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rimglider::inputd {

class VirtualKeyboard {
  public:
    // Makes the device; null when it cannot (the post is then `unavailable`, and the next post
    // tries again).
    using SinkFactory = std::function<std::unique_ptr<KeySink>()>;
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::seconds announceTimeout{1};
    static constexpr std::size_t maxWaiting = 64;

    explicit VirtualKeyboard(SinkFactory factory) : factory_(std::move(factory)) {}

    // Makes the device unless it exists; false when it cannot be made.
    bool prepare(TimePoint now);
    // Writes the key, or keeps it until the device may be used. False when the device cannot
    // be made, too many keys wait, or a broken device could not be made anew (its keys are lost).
    bool post(broker::SystemKey key, bool fine, TimePoint now);
    // udev announced a device of the virtual keyboard's name whose input node is `sysname`.
    void announced(const std::string& sysname, TimePoint now);
    // When the waiting keys are written even without an announcement; absent when none wait.
    [[nodiscard]] std::optional<TimePoint> deadline() const;
    // Writes the waiting keys once that deadline has passed.
    void expire(TimePoint now);

    struct KeyEvent {
        std::uint16_t type;
        std::uint16_t code;
        std::int32_t value;
        friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
    };
    static std::vector<KeyEvent> sequence(broker::SystemKey key, bool fine);

  private:
    struct Key {
        broker::SystemKey key;
        bool fine;
    };
    bool writeWaiting(TimePoint now);

    SinkFactory factory_;
    std::unique_ptr<KeySink> sink_;
    std::string sysname_; // the device's input node, when uinput tells
    TimePoint madeAt_{};
    bool usable_ = false;
    std::deque<Key> waiting_;
};

} // namespace rimglider::inputd
