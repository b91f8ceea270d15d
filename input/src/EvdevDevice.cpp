#include "RimgliderInput/EvdevDevice.h"

#include <algorithm>

namespace rimglider {

bool DeviceDescription::has(std::uint16_t type, std::uint16_t code) const
{
    const auto it = codes.find(type);
    return it != codes.end() && it->second.contains(code);
}

const AbsInfo* DeviceDescription::abs(std::uint16_t code) const
{
    if (!has(EV_ABS, code)) return nullptr;
    const auto it = absInfo.find(code);
    return it == absInfo.end() ? nullptr : &it->second;
}

bool DeviceDescription::hasUdevProperty(const std::string& keyEqualsValue) const
{
    return std::find(udevProperties.begin(), udevProperties.end(), keyEqualsValue) != udevProperties.end();
}

std::optional<SurfaceSize> DeviceDescription::surfaceSize() const
{
    const bool multitouch = abs(ABS_MT_POSITION_X) && abs(ABS_MT_POSITION_Y);
    const AbsInfo* x = abs(multitouch ? ABS_MT_POSITION_X : ABS_X);
    const AbsInfo* y = abs(multitouch ? ABS_MT_POSITION_Y : ABS_Y);
    if (!x || !y || x->resolution <= 0 || y->resolution <= 0 || x->maximum <= x->minimum || y->maximum <= y->minimum)
        return std::nullopt;
    return SurfaceSize{(double(x->maximum) - x->minimum) / x->resolution,
                       (double(y->maximum) - y->minimum) / y->resolution};
}

bool DeviceDescription::isTouchpad() const
{
    if (hasUdevProperty("ID_INPUT_TOUCHPAD=1")) return true;
    const bool positions = (has(EV_ABS, ABS_X) && has(EV_ABS, ABS_Y)) ||
                           (has(EV_ABS, ABS_MT_POSITION_X) && has(EV_ABS, ABS_MT_POSITION_Y));
    return positions && has(EV_KEY, BTN_TOOL_FINGER) && !has(EV_KEY, BTN_TOOL_PEN) &&
           !properties.contains(INPUT_PROP_DIRECT);
}

bool DeviceDescription::isKeyboard() const
{
    if (hasUdevProperty("ID_INPUT_KEYBOARD=1")) return true;
    // Letters and the space bar make a keyboard; a handful of media keys does not.
    return has(EV_KEY, KEY_A) && has(EV_KEY, KEY_Z) && has(EV_KEY, KEY_SPACE);
}

} // namespace rimglider
