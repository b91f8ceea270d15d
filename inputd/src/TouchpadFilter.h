// What of a touchpad's events may leave the broker: contacts, axes, buttons and tools, and the
// device's own timestamps. One node can be a keyboard and a touchpad at once (keyboards with a
// built-in touchpad, tablet covers); its key codes, scan codes, LEDs, autorepeat, sounds and
// switches stay in the broker, whichever way the device's events go out.
#pragma once

#include "RimgliderInput/EvdevDevice.h"

#include <cstdint>

namespace rimglider::inputd {

class TouchpadFilter {
  public:
    [[nodiscard]] static bool passes(std::uint16_t type, std::uint16_t code);
    // Leaves in `description` only the codes that pass, so a client is told of no others.
    static void restrict(DeviceDescription& description);
};

} // namespace rimglider::inputd
