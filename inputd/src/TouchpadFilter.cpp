#include "TouchpadFilter.h"

#include <linux/input-event-codes.h>

namespace rimglider::inputd {

bool TouchpadFilter::passes(std::uint16_t type, std::uint16_t code)
{
    switch (type) {
    case EV_SYN:
    case EV_ABS:
    case EV_REL:
        return true;
    case EV_KEY:
        return (code >= BTN_MISC && code <= BTN_GEAR_UP) || (code >= BTN_TRIGGER_HAPPY && code <= BTN_TRIGGER_HAPPY40);
    case EV_MSC:
        return code == MSC_TIMESTAMP;
    default:
        return false;
    }
}

void TouchpadFilter::restrict(DeviceDescription& description)
{
    for (auto type = description.codes.begin(); type != description.codes.end();) {
        std::erase_if(type->second, [&](std::uint16_t code) { return !passes(type->first, code); });
        type = type->second.empty() ? description.codes.erase(type) : std::next(type);
    }
}

} // namespace rimglider::inputd
