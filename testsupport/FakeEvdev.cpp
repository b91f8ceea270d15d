#include "FakeEvdev.h"

#include <umockdev.h>

#include <cstring>

namespace rimglider::inputd::test {

namespace {

void setBits(std::uint8_t* bytes, std::size_t size, const std::set<std::uint16_t>& bits)
{
    std::memset(bytes, 0, size);
    for (std::uint16_t bit : bits)
        if (bit / 8u < size) bytes[bit / 8u] = std::uint8_t(bytes[bit / 8u] | (1u << (bit % 8u)));
}

} // namespace

FakeEvdev::FakeEvdev(EmulatedInput& emulation, const DeviceDescription& device, int number,
                     const std::vector<std::string>& udevProperties, std::string phys)
    : device_(device), phys_(std::move(phys))
{
    // Answering before the node appears: a broker that hears of it opens it at once.
    handler_ = std::make_unique<IoctlHandler>(
        emulation.testbed(), "/dev/input/event" + std::to_string(number),
        [this](unsigned long request, UMockdevIoctlData* arg, IoctlHandler::Client) { return answer(request, arg); });
    node_ = emulation.addBare(device.name, number, udevProperties, phys_);
}

std::vector<int> FakeEvdev::grabs() const
{
    std::lock_guard lock(mutex_);
    return grabs_;
}

void FakeEvdev::grabBusy(bool busy)
{
    std::lock_guard lock(mutex_);
    busy_ = busy;
}

std::vector<ff_effect> FakeEvdev::uploads() const
{
    std::lock_guard lock(mutex_);
    return uploads_;
}

void FakeEvdev::failUploads(int error)
{
    std::lock_guard lock(mutex_);
    failUploads_ = error;
}

IoctlHandler::Answer FakeEvdev::answer(unsigned long request, UMockdevIoctlData* arg)
{
    if (_IOC_TYPE(request) != 'E') return {-1, ENOTTY};
    const unsigned nr = _IOC_NR(request);
    const std::size_t size = _IOC_SIZE(request);
    const auto buffer = [&] { return IoctlHandler::resolve(arg, size)->data; };
    const auto text = [&](const std::string& s) -> IoctlHandler::Answer {
        auto* out = reinterpret_cast<char*>(buffer());
        const std::size_t n = std::min(size, s.size() + 1);
        std::memcpy(out, s.c_str(), n);
        return {long(n), 0};
    };
    if (nr >= 0x20 && nr < 0x40) { // EVIOCGBIT(type)
        std::set<std::uint16_t> bits;
        if (nr == 0x20) {
            bits.insert(EV_SYN);
            for (const auto& [type, set] : device_.codes)
                bits.insert(type);
        } else if (const auto it = device_.codes.find(std::uint16_t(nr - 0x20)); it != device_.codes.end()) {
            bits = it->second;
        }
        setBits(reinterpret_cast<std::uint8_t*>(buffer()), size, bits);
        return {long(size), 0};
    }
    if (nr >= 0x40 && nr < 0x80) { // EVIOCGABS(code)
        const AbsInfo* a = device_.abs(std::uint16_t(nr - 0x40));
        const input_absinfo info =
            a ? input_absinfo{a->value, a->minimum, a->maximum, a->fuzz, a->flat, a->resolution} : input_absinfo{};
        std::memcpy(buffer(), &info, sizeof info);
        return {0, 0};
    }
    if (nr >= 0xc0) return {0, 0}; // EVIOCSABS
    switch (nr) {
    case 0x01: { // EVIOCGVERSION
        const int version = 0x010001;
        std::memcpy(buffer(), &version, sizeof version);
        return {0, 0};
    }
    case 0x02: { // EVIOCGID
        const input_id id{device_.id.bustype, device_.id.vendor, device_.id.product, device_.id.version};
        std::memcpy(buffer(), &id, sizeof id);
        return {0, 0};
    }
    case 0x06: // EVIOCGNAME
        return text(device_.name);
    case 0x07: // EVIOCGPHYS
        return text(phys_);
    case 0x09: // EVIOCGPROP
        setBits(reinterpret_cast<std::uint8_t*>(buffer()), size, device_.properties);
        return {long(size), 0};
    case 0x0a: { // EVIOCGMTSLOTS: every slot empty
        auto* values = reinterpret_cast<std::int32_t*>(buffer());
        for (std::size_t i = 1; i < size / 4; ++i)
            values[i] = values[0] == ABS_MT_TRACKING_ID ? -1 : 0;
        return {0, 0};
    }
    case 0x18: // EVIOCGKEY: nothing down
    case 0x19: // EVIOCGLED
    case 0x1a: // EVIOCGSND
    case 0x1b: // EVIOCGSW
        std::memset(buffer(), 0, size);
        return {long(size), 0};
    case 0x80: { // EVIOCSFF
        std::lock_guard lock(mutex_);
        if (failUploads_) return {-1, failUploads_};
        auto* effect = reinterpret_cast<ff_effect*>(buffer());
        effect->id = std::int16_t(uploads_.size());
        uploads_.push_back(*effect);
        return {0, 0};
    }
    case 0x90: { // EVIOCGRAB
        std::lock_guard lock(mutex_);
        const int on = int(IoctlHandler::value(arg));
        if (on && busy_) return {-1, EBUSY};
        grabs_.push_back(on);
        return {0, 0};
    }
    case 0xa0: // EVIOCSCLOCKID
        return {0, 0};
    default:
        return {-1, ENOENT};
    }
}

} // namespace rimglider::inputd::test
