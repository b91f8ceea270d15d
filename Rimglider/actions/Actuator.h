// The touchpad's own haptic actuator: a touchpad with force feedback, played through the
// input broker. Opened on first need and kept open; the status text says how far opening got.
// Nothing here waits for the broker: the touchpad list and each effect's result arrive later
// on the main thread's event loop.
#pragma once

#include "BrokerClient.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace rimglider {

class Actuator {
  public:
    // How long the broker may take to list its touchpads or to play an effect.
    static constexpr std::chrono::milliseconds answerTimeout{500};

    static Actuator& shared();

    explicit Actuator(std::string socketPath = broker::socketPath());

    // "not opened", "MTActuator symbols missing" (no broker serves this user),
    // "no Multitouch ID in IOKit" (no touchpad with force feedback), or
    // "open (device N)" with the broker's number for the touchpad.
    [[nodiscard]] const std::string& status() const { return status_; }
    [[nodiscard]] bool isOpen() const { return deviceId_.has_value(); }

    // Main thread. Does nothing when open or opening; otherwise asks the broker for its
    // touchpads and, when they come, picks one (the built-in one with force feedback, else the
    // first with it). A failure leaves it closed, so the next call starts again.
    void ensureOpen();

    // Sends one actuation to the open touchpad: 0 when sent, -1 when not open. An error answer,
    // or none in time, closes the actuator, so the next ensureOpen() finds the touchpad afresh
    // (it may have been unplugged and come back). `onAnswer` learns, later on the main thread,
    // whether the broker played it.
    int actuate(std::int32_t actuationId, std::function<void(bool played)> onAnswer = {});

  private:
    void listed(const std::optional<broker::TouchpadInfo>& chosen, bool answered);

    BrokerClient client_;
    std::string status_ = "not opened";
    std::optional<std::uint32_t> deviceId_;
    bool opening_ = false;
};

} // namespace rimglider
