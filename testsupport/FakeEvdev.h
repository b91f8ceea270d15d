// An emulated evdev node that answers libevdev's ioctls itself, from a DeviceDescription: it also
// takes EVIOCGRAB (recorded, or refused as busy), EVIOCSFF uploads and EVIOCSCLOCKID. Its state, as a resync reads
// it, is always "nothing down": whatever the test wrote before a SYN_DROPPED, the resync lifts it.
// Events are written with EmulatedInput.
#pragma once

#include "EmulatedInput.h"
#include "IoctlHandler.h"

#include "RimgliderInput/EvdevDevice.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace rimglider::inputd::test {

class FakeEvdev {
  public:
    FakeEvdev(EmulatedInput& emulation, const DeviceDescription& device, int number,
              const std::vector<std::string>& udevProperties, std::string phys = "isa0060/serio1/input0");

    [[nodiscard]] const EmulatedInput::Node& node() const { return node_; }
    [[nodiscard]] const std::string& name() const { return device_.name; }
    // Every EVIOCGRAB argument, in order (1 grab, 0 ungrab).
    [[nodiscard]] std::vector<int> grabs() const;
    // EVIOCGRAB 1 fails with EBUSY, as when another program holds the grab.
    void grabBusy(bool busy);
    // The effects EVIOCSFF uploaded, in order, each given the next id; `failUploads` makes the
    // next uploads fail with that error (0: they succeed again).
    [[nodiscard]] std::vector<ff_effect> uploads() const;
    void failUploads(int error);
    // The events written to the node (EV_FF plays).
    [[nodiscard]] std::vector<input_event> written() const { return handler_->writtenBy(nullptr); }

  private:
    IoctlHandler::Answer answer(unsigned long request, UMockdevIoctlData* arg);

    DeviceDescription device_;
    std::string phys_;
    EmulatedInput::Node node_;
    mutable std::mutex mutex_;
    std::vector<int> grabs_;
    bool busy_ = false;
    std::vector<ff_effect> uploads_;
    int failUploads_ = 0;
    std::unique_ptr<IoctlHandler> handler_;
};

} // namespace rimglider::inputd::test
