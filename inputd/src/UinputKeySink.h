// The uinput keyboard "Rimglider virtual keys": the eight system keys and Left Shift.
#pragma once

#include "KeySink.h"

#include <memory>
#include <string>

struct libevdev_uinput;

namespace rimglider::inputd {

class UinputKeySink : public KeySink {
  public:
    // Absent, with `error` set, when /dev/uinput cannot make the device.
    static std::unique_ptr<UinputKeySink> create(std::string& error);
    ~UinputKeySink() override;
    UinputKeySink(const UinputKeySink&) = delete;
    UinputKeySink& operator=(const UinputKeySink&) = delete;

    bool emit(std::uint16_t type, std::uint16_t code, std::int32_t value) override;
    [[nodiscard]] std::string sysname() const override;

  private:
    explicit UinputKeySink(libevdev_uinput* device) : device_(device) {}
    libevdev_uinput* device_;
};

} // namespace rimglider::inputd
