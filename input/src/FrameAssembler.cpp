#include "RimgliderInput/FrameAssembler.h"

#include <linux/input.h>

#include <string>

namespace rimglider {

using GestureEngineKit::TouchFrame;
using GestureEngineKit::TouchSample;

namespace {

// libevdev's own limit; more slots than this is a broken description, not a touchpad.
constexpr std::int32_t maxSlots = 256;
constexpr float palmMajorAxis = 255;

const AbsInfo& requireAxis(const DeviceDescription& device, std::uint16_t code, const char* name)
{
    const AbsInfo* info = device.abs(code);
    if (!info) throw FrameAssembler::UnsupportedDevice(std::string("the device has no range for ") + name);
    if (info->maximum <= info->minimum)
        throw FrameAssembler::UnsupportedDevice(std::string(name) + " has an empty range (" +
                                                std::to_string(info->minimum) + " to " + std::to_string(info->maximum) +
                                                ")");
    return *info;
}

// Contact axes in millimetres where the resolution is known, raw units where it is not.
double axisScale(const DeviceDescription& device, std::uint16_t code)
{
    const AbsInfo* info = device.abs(code);
    if (!info) return 0;
    return info->resolution > 0 ? 1.0 / info->resolution : 1.0;
}

} // namespace

FrameAssembler::FrameAssembler(const DeviceDescription& device)
    : multitouch_(device.has(EV_ABS, ABS_MT_POSITION_X) && device.has(EV_ABS, ABS_MT_POSITION_Y))
{
    std::int32_t slots = 1;
    if (multitouch_) {
        if (!device.has(EV_ABS, ABS_MT_SLOT))
            throw UnsupportedDevice("the device uses the older anonymous-contact multitouch protocol "
                                    "(SYN_MT_REPORT), which is not supported");
        // Slots count from 0, so a pad with a single slot has the range 0 to 0.
        const AbsInfo* slotInfo = device.abs(ABS_MT_SLOT);
        if (!slotInfo) throw UnsupportedDevice("the device has no range for ABS_MT_SLOT");
        if (slotInfo->maximum < 0 || slotInfo->maximum >= maxSlots)
            throw UnsupportedDevice("the device reports " + std::to_string(std::int64_t(slotInfo->maximum) + 1) +
                                    " slots");
        slots = slotInfo->maximum + 1;
        if (slotInfo->value >= 0 && slotInfo->value < slots) slot_ = slotInfo->value;
        majorScale_ = axisScale(device, ABS_MT_TOUCH_MAJOR);
        minorScale_ = axisScale(device, ABS_MT_TOUCH_MINOR);
    } else {
        if (!device.has(EV_ABS, ABS_X) || !device.has(EV_ABS, ABS_Y))
            throw UnsupportedDevice("the device reports no touch positions");
        if (!device.has(EV_KEY, BTN_TOUCH)) throw UnsupportedDevice("the device reports no BTN_TOUCH");
    }
    const AbsInfo& x =
        multitouch_ ? requireAxis(device, ABS_MT_POSITION_X, "ABS_MT_POSITION_X") : requireAxis(device, ABS_X, "ABS_X");
    const AbsInfo& y =
        multitouch_ ? requireAxis(device, ABS_MT_POSITION_Y, "ABS_MT_POSITION_Y") : requireAxis(device, ABS_Y, "ABS_Y");
    xAxis_ = {double(x.minimum), double(x.maximum) - x.minimum};
    yAxis_ = {double(y.minimum), double(y.maximum) - y.minimum};

    contacts_.resize(std::size_t(slots));
    if (!multitouch_) {
        // A single-touch pad's contact starts where its axes currently stand.
        contacts_[0].x = x.value;
        contacts_[0].y = y.value;
    }
    committed_ = contacts_;
    committedSlot_ = slot_;
}

std::optional<TouchFrame> FrameAssembler::push(const InputEvent& event)
{
    if (event.type == EV_SYN) {
        switch (event.code) {
        case SYN_REPORT:
            if (dropping_) {
                // The report that ends a dropped stretch describes an incomplete state: no frame.
                dropping_ = false;
                return std::nullopt;
            }
            return commitFrame(event.time);
        case SYN_DROPPED:
            // Events were lost: forget the partial frame and ignore everything up to the next
            // report. Contacts keep their last known places rather than jump to guessed ones.
            contacts_ = committed_;
            slot_ = committedSlot_;
            dropping_ = true;
            return std::nullopt;
        default:
            return std::nullopt;
        }
    }
    if (dropping_) return std::nullopt;
    if (multitouch_)
        pushMultitouch(event);
    else
        pushSingleTouch(event);
    return std::nullopt;
}

void FrameAssembler::pushMultitouch(const InputEvent& event)
{
    if (event.type != EV_ABS) return;
    if (event.code == ABS_MT_SLOT) {
        slot_ = event.value >= 0 && std::size_t(event.value) < contacts_.size() ? event.value : -1;
        return;
    }
    if (slot_ < 0) return; // values for a slot the device does not have
    Contact& contact = contacts_[std::size_t(slot_)];
    switch (event.code) {
    case ABS_MT_TRACKING_ID:
        // A new id in a slot, with or without a lift in between, is a new contact.
        if (event.value < 0) {
            contact.trackingId = -1;
            contact.announced = false;
        } else if (event.value != contact.trackingId) {
            contact.trackingId = event.value;
            contact.announced = false;
        }
        return;
    case ABS_MT_POSITION_X:
        contact.x = event.value;
        return;
    case ABS_MT_POSITION_Y:
        contact.y = event.value;
        return;
    case ABS_MT_TOUCH_MAJOR:
        contact.touchMajor = event.value;
        return;
    case ABS_MT_TOUCH_MINOR:
        contact.touchMinor = event.value;
        return;
    case ABS_MT_DISTANCE:
        contact.distance = event.value;
        return;
    case ABS_MT_TOOL_TYPE:
        contact.toolType = event.value;
        return;
    default:
        return;
    }
}

void FrameAssembler::pushSingleTouch(const InputEvent& event)
{
    Contact& contact = contacts_[0];
    if (event.type == EV_KEY && event.code == BTN_TOUCH) {
        if (event.value == 0) {
            contact.trackingId = -1;
            contact.announced = false;
        } else if (contact.trackingId < 0) {
            contact.trackingId = 0;
        }
    } else if (event.type == EV_ABS && event.code == ABS_X) {
        contact.x = event.value;
    } else if (event.type == EV_ABS && event.code == ABS_Y) {
        contact.y = event.value;
    }
}

TouchFrame FrameAssembler::buildFrame(const std::vector<Contact>& contacts, double time) const
{
    TouchFrame frame{time, {}};
    for (const Contact& c : contacts) {
        if (c.trackingId < 0) continue;
        const bool hovering = c.distance > 0;
        frame.touches.push_back(TouchSample{
            .id = c.trackingId,
            .state = hovering      ? 1
                     : c.announced ? TouchSample::stateTouching
                                   : TouchSample::stateTouchBegan,
            .x = float(xAxis_.normalised(c.x)),
            .y = float(1.0 - yAxis_.normalised(c.y)), // the kernel's y grows towards the user
            .majorAxis = c.toolType == MT_TOOL_PALM ? palmMajorAxis : float(c.touchMajor * majorScale_),
            .minorAxis = float(c.touchMinor * minorScale_),
            .absoluteX = float(c.x),
            .absoluteY = float(c.y),
        });
    }
    return frame;
}

TouchFrame FrameAssembler::commitFrame(double time)
{
    TouchFrame frame = buildFrame(contacts_, time);
    contactDown_ = false;
    for (Contact& c : contacts_) {
        if (c.trackingId < 0 || c.distance > 0) continue;
        c.announced = true;
        contactDown_ = true;
    }
    committed_ = contacts_;
    committedSlot_ = slot_;
    lastFrameTime_ = time;
    lastReportTime_ = time;
    return frame;
}

std::optional<TouchFrame> FrameAssembler::keepAlive(double now)
{
    const auto due = nextKeepAlive();
    if (!due || !(now > *due)) return std::nullopt;
    lastFrameTime_ = *due;
    return buildFrame(committed_, *due);
}

std::optional<double> FrameAssembler::nextKeepAlive() const
{
    if (!contactDown_ || !lastFrameTime_) return std::nullopt;
    const double due = *lastFrameTime_ + keepAliveInterval;
    if (due - lastReportTime_ > maxKeepAliveSpan) return std::nullopt;
    return due;
}

} // namespace rimglider
