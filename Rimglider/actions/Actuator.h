// The touchpad's own haptic actuator: a touchpad with force feedback, played through the
// input broker. Opened on first need and kept open; the status text says how far opening got.
#pragma once

#include "RimgliderInput/BrokerConnection.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace rimglider {

class Actuator {
  public:
    // How long one actuation may keep the main thread waiting for the broker's answer.
    static constexpr std::chrono::milliseconds answerTimeout{100};

    static Actuator& shared();

    explicit Actuator(std::string socketPath = broker::socketPath());

    // "not opened", "MTActuator symbols missing" (no broker serves this user),
    // "no Multitouch ID in IOKit" (no touchpad with force feedback), or
    // "open (device N)" with the broker's number for the touchpad.
    [[nodiscard]] const std::string& status() const { return status_; }
    [[nodiscard]] bool isOpen() const { return connection_.has_value(); }

    // Main thread. Does nothing when open; otherwise connects and picks the touchpad (the
    // built-in one with force feedback, else the first with it). A failure leaves it closed,
    // so the next call starts again.
    void ensureOpen();

    // Plays one actuation on the open touchpad: the broker's status, 0 when it played. Not open,
    // a lost connection or no answer in time give -1 and close the actuator, so the next
    // ensureOpen() finds the touchpad afresh (it may have been unplugged and come back).
    int actuate(std::int32_t actuationId);

  private:
    void close();

    std::string socketPath_;
    std::string status_ = "not opened";
    std::optional<broker::BrokerConnection> connection_;
    std::uint32_t deviceId_ = 0;
    std::uint32_t nextSerial_ = 1;
};

} // namespace rimglider
