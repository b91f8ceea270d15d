#include "FakeUinput.h"

#include <linux/uinput.h>
#include <umockdev.h>

#include <cstring>
#include <stdexcept>

namespace rimglider::inputd::test {

namespace {

// The NUL-terminated string a pointer argument points to (as long as the client's memory allows).
std::string stringArgument(UMockdevIoctlData* arg)
{
    for (std::size_t size : {256u, 64u, 16u}) {
        try {
            const UMockdevIoctlData* data = IoctlHandler::resolve(arg, size);
            const auto* text = reinterpret_cast<const char*>(data->data);
            return std::string(text, strnlen(text, size));
        } catch (const std::runtime_error&) {
        }
    }
    return {};
}

} // namespace

FakeUinput::FakeUinput(EmulatedInput& emulation)
{
    emulation.addUinput();
    handler_ =
        std::make_unique<IoctlHandler>(emulation.testbed(), "/dev/uinput",
                                       [this](unsigned long request, UMockdevIoctlData* arg,
                                              IoctlHandler::Client client) { return answer(request, arg, client); });
}

IoctlHandler::Answer FakeUinput::answer(unsigned long request, UMockdevIoctlData* arg, IoctlHandler::Client client)
{
    std::lock_guard lock(mutex_);
    if (_IOC_TYPE(request) == UINPUT_IOCTL_BASE && _IOC_NR(request) == _IOC_NR(UI_GET_SYSNAME(0))) {
        const std::string name = "input" + std::to_string(100 + made_.size());
        std::strcpy(reinterpret_cast<char*>(IoctlHandler::resolve(arg, _IOC_SIZE(request))->data), name.c_str());
        return {0, 0};
    }
    DeviceDescription& d = building_[client].description;
    const auto code = [&] { return std::uint16_t(IoctlHandler::value(arg)); };
    static const std::map<unsigned long, std::uint16_t> codeBits = {
        {UI_SET_KEYBIT, EV_KEY}, {UI_SET_ABSBIT, EV_ABS}, {UI_SET_RELBIT, EV_REL}, {UI_SET_MSCBIT, EV_MSC}};
    if (const auto bit = codeBits.find(request); bit != codeBits.end()) {
        d.codes[bit->second].insert(code());
        return {0, 0};
    }
    switch (request) {
    case UI_GET_VERSION:
        *reinterpret_cast<unsigned*>(IoctlHandler::resolve(arg, sizeof(unsigned))->data) = 5;
        return {0, 0};
    case UI_SET_EVBIT:
        d.codes[code()];
        return {0, 0};
    case UI_SET_PROPBIT:
        d.properties.insert(code());
        return {0, 0};
    case UI_SET_PHYS:
        building_[client].phys = stringArgument(arg);
        return {0, 0};
    case UI_DEV_SETUP: {
        uinput_setup setup{};
        std::memcpy(&setup, IoctlHandler::resolve(arg, sizeof setup)->data, sizeof setup);
        d.name = setup.name;
        d.id = {setup.id.bustype, setup.id.vendor, setup.id.product, setup.id.version};
        return {0, 0};
    }
    case UI_ABS_SETUP: {
        uinput_abs_setup setup{};
        std::memcpy(&setup, IoctlHandler::resolve(arg, sizeof setup)->data, sizeof setup);
        const input_absinfo& a = setup.absinfo;
        d.absInfo[setup.code] = {a.value, a.minimum, a.maximum, a.fuzz, a.flat, a.resolution};
        return {0, 0};
    }
    case UI_DEV_CREATE:
        if (failCreate_) return {-1, failCreate_};
        made_.emplace_back(client, std::move(building_[client]));
        building_.erase(client);
        return {0, 0};
    case UI_DEV_DESTROY:
        for (auto& [by, device] : made_)
            if (by == client) device.destroyed = true;
        return {0, 0};
    default:
        return {-1, ENOTTY};
    }
}

std::vector<FakeUinput::Device> FakeUinput::devices() const
{
    std::lock_guard lock(mutex_);
    std::vector<Device> out;
    for (const auto& [client, device] : made_) {
        out.push_back(device);
        out.back().written = handler_->writtenBy(client);
        out.back().arrived = handler_->arrivalsOf(client);
    }
    return out;
}

FakeUinput::Device FakeUinput::device(const std::string& name) const
{
    const auto all = devices();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (it->description.name == name) return *it;
    throw std::runtime_error("no uinput device \"" + name + "\" was made");
}

void FakeUinput::failCreate(int error)
{
    std::lock_guard lock(mutex_);
    failCreate_ = error;
}

} // namespace rimglider::inputd::test
