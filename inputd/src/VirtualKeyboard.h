// Posting the eight system keys: key down, sync, key up, sync; a fine step wraps that in Left
// Shift down and up, each with its own sync. The device is made on the first post.
#pragma once

#include "KeySink.h"

#include "RimgliderInput/BrokerProtocol.h"

#include <functional>
#include <memory>
#include <vector>

namespace rimglider::inputd {

class VirtualKeyboard {
  public:
    // Makes the device; null when it cannot (the post is then `unavailable`, and the next post
    // tries again).
    using SinkFactory = std::function<std::unique_ptr<KeySink>()>;

    explicit VirtualKeyboard(SinkFactory factory) : factory_(std::move(factory)) {}

    // False when the device could not be made or written.
    bool post(broker::SystemKey key, bool fine);

    struct KeyEvent {
        std::uint16_t type;
        std::uint16_t code;
        std::int32_t value;
        friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
    };
    static std::vector<KeyEvent> sequence(broker::SystemKey key, bool fine);

  private:
    SinkFactory factory_;
    std::unique_ptr<KeySink> sink_;
};

} // namespace rimglider::inputd
