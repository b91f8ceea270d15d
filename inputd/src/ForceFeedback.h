// Force feedback on a touchpad's event node: one rumble effect per actuation id, uploaded with
// EVIOCSFF on first use and played with an EV_FF write.
//
// Effect shape by actuation id: level = id clamped to 1..6; a rumble of 10 + 5·(level − 1) ms
// (10…35 ms) with strong magnitude level·0x2800 and weak magnitude half that. Low ids are light
// ticks, high ids firmer knocks; anything out of range gets the nearest end.
#pragma once

#include <linux/input.h>

#include <cstdint>
#include <map>

namespace rimglider::inputd {

class ForceFeedback {
  public:
    // `fd` stays owned by the caller; `available`: the device has EV_FF and is open for writing.
    ForceFeedback(int fd, bool available) : fd_(fd), available_(available) {}

    // 0 when played; else a positive errno value (ENOTSUP: no force feedback).
    int play(std::int32_t actuationId);

    static ff_effect effectFor(std::int32_t actuationId);

  private:
    int fd_;
    bool available_;
    std::map<std::int32_t, std::int16_t> uploaded_; // actuation id -> kernel effect id
};

} // namespace rimglider::inputd
