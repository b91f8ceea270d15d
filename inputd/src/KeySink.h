// Where the virtual keyboard's events go: uinput in the broker, a recording in tests.
#pragma once

#include <cstdint>
#include <string>

namespace rimglider::inputd {

class KeySink {
  public:
    virtual ~KeySink() = default;
    // False when the event could not be written (the device is then made anew).
    virtual bool emit(std::uint16_t type, std::uint16_t code, std::int32_t value) = 0;
    // The device's input node in sysfs ("input42"), by which udev announces it; empty when
    // unknown (then any device of the virtual keyboard's name counts).
    [[nodiscard]] virtual std::string sysname() const { return {}; }
};

} // namespace rimglider::inputd
