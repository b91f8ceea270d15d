// A laptop's display as umockdev emulates it in /sys: the GPU, its card, the internal panel's
// connector (eDP-1) and a raw backlight on it. Shared by the tests and benchmarks that need a
// built-in display.
#pragma once

#include <string>

namespace rimglider::test {

inline constexpr const char* pciGpu = "/sys/devices/pci0000:00/0000:00:02.0";
inline constexpr const char* panel = "/sys/devices/pci0000:00/0000:00:02.0/drm/card0/card0-eDP-1";
inline constexpr const char* panelBacklight =
    "/sys/devices/pci0000:00/0000:00:02.0/drm/card0/card0-eDP-1/intel_backlight";

// The whole display, the panel awake and its backlight at 250 of 1000.
inline std::string laptopPanel()
{
    return R"(P: /devices/pci0000:00/0000:00:02.0
E: SUBSYSTEM=pci
E: DRIVER=i915

P: /devices/pci0000:00/0000:00:02.0/drm/card0
E: SUBSYSTEM=drm
E: DEVTYPE=drm_minor
A: dev=226:0\n

P: /devices/pci0000:00/0000:00:02.0/drm/card0/card0-eDP-1
E: SUBSYSTEM=drm
E: DEVTYPE=drm_connector
A: enabled=enabled\n
A: dpms=On\n
A: status=connected\n

P: /devices/pci0000:00/0000:00:02.0/drm/card0/card0-eDP-1/intel_backlight
E: SUBSYSTEM=backlight
A: type=raw\n
A: max_brightness=1000\n
A: brightness=250\n
A: actual_brightness=250\n
A: bl_power=0\n
)";
}

} // namespace rimglider::test
