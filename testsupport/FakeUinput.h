// /dev/uinput answered in the test process (through umockdev, so a broker child process reaches
// it too): every device made through it, as a DeviceDescription built from the UI_SET_*BIT,
// UI_DEV_SETUP, UI_ABS_SETUP and UI_SET_PHYS it was made with, the events written to it and
// whether UI_DEV_DESTROY ended it. Its event nodes are never announced (no udev here).
#pragma once

#include "EmulatedInput.h"
#include "IoctlHandler.h"

#include "RimgliderInput/EvdevDevice.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace rimglider::inputd::test {

class FakeUinput {
  public:
    struct Device {
        DeviceDescription description;
        std::string phys;
        std::vector<input_event> written;
        std::vector<double> arrived; // when each written event reached /dev/uinput (CLOCK_MONOTONIC s)
        bool destroyed = false;
    };

    explicit FakeUinput(EmulatedInput& emulation);

    // In the order they were made.
    [[nodiscard]] std::vector<Device> devices() const;
    // The last device of that name; fails the test when there is none.
    [[nodiscard]] Device device(const std::string& name) const;
    // UI_DEV_CREATE fails with `error` (0: succeeds again).
    void failCreate(int error);

  private:
    IoctlHandler::Answer answer(unsigned long request, UMockdevIoctlData* arg, IoctlHandler::Client client);

    mutable std::mutex mutex_;
    std::map<IoctlHandler::Client, Device> building_; // configured, not yet created
    std::vector<std::pair<IoctlHandler::Client, Device>> made_;
    int failCreate_ = 0;
    std::unique_ptr<IoctlHandler> handler_;
};

} // namespace rimglider::inputd::test
