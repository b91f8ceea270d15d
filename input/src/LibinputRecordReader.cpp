#include "RimgliderInput/Recording.h"

#include <yaml-cpp/yaml.h>

#include <limits>

namespace rimglider {

namespace {

[[noreturn]] void fail(const YAML::Node& node, const std::string& reason)
{
    const YAML::Mark mark = node.Mark();
    if (mark.is_null()) throw RecordingError(reason);
    throw RecordingError("line " + std::to_string(mark.line + 1) + ": " + reason);
}

YAML::Node required(const YAML::Node& parent, const char* key)
{
    YAML::Node child = parent[key];
    if (!child) fail(parent, std::string("missing \"") + key + "\"");
    return child;
}

const YAML::Node& requireKind(const YAML::Node& node, YAML::NodeType::value kind, const std::string& what)
{
    if (node.Type() != kind) fail(node, what);
    return node;
}

template <class Int>
Int integer(const YAML::Node& node, const char* what)
{
    if (!node.IsScalar()) fail(node, std::string("expected ") + what);
    long long value = 0;
    if (!YAML::convert<long long>::decode(node, value) || value < std::numeric_limits<Int>::min() ||
        value > std::numeric_limits<Int>::max())
        fail(node, std::string("expected ") + what + ", found \"" + node.Scalar() + "\"");
    return Int(value);
}

std::string text(const YAML::Node& node, const char* what)
{
    if (!node.IsScalar()) fail(node, std::string("expected ") + what);
    return node.Scalar();
}

DeviceDescription readDescription(const YAML::Node& evdev, const YAML::Node& udev)
{
    requireKind(evdev, YAML::NodeType::Map, "expected the device's evdev description");
    DeviceDescription d;
    d.name = text(required(evdev, "name"), "the device name");
    if (const YAML::Node id = evdev["id"]) {
        requireKind(id, YAML::NodeType::Sequence, "expected [bustype, vendor, product, version]");
        if (id.size() != 4) fail(id, "expected [bustype, vendor, product, version]");
        d.id = {integer<std::uint16_t>(id[0], "a bus type"), integer<std::uint16_t>(id[1], "a vendor"),
                integer<std::uint16_t>(id[2], "a product"), integer<std::uint16_t>(id[3], "a version")};
    }
    const YAML::Node codes = required(evdev, "codes");
    requireKind(codes, YAML::NodeType::Map, "expected the device's event codes");
    for (const auto& entry : codes) {
        const auto type = integer<std::uint16_t>(entry.first, "an event type");
        if (type >= EV_CNT) fail(entry.first, "event type " + std::to_string(type) + " does not exist");
        requireKind(entry.second, YAML::NodeType::Sequence, "expected a list of event codes");
        for (const YAML::Node& code : entry.second)
            d.codes[type].insert(integer<std::uint16_t>(code, "an event code"));
    }
    if (const YAML::Node absinfo = evdev["absinfo"]) {
        requireKind(absinfo, YAML::NodeType::Map, "expected axis ranges by code");
        for (const auto& entry : absinfo) {
            const auto code = integer<std::uint16_t>(entry.first, "an axis code");
            if (code >= ABS_CNT) fail(entry.first, "axis " + std::to_string(code) + " does not exist");
            const YAML::Node& range = entry.second;
            requireKind(range, YAML::NodeType::Sequence, "expected [min, max, fuzz, flat, resolution]");
            if (range.size() != 5) fail(range, "expected [min, max, fuzz, flat, resolution]");
            d.absInfo[code] = AbsInfo{0,
                                      integer<std::int32_t>(range[0], "the axis minimum"),
                                      integer<std::int32_t>(range[1], "the axis maximum"),
                                      integer<std::int32_t>(range[2], "the axis fuzz"),
                                      integer<std::int32_t>(range[3], "the axis flat"),
                                      integer<std::int32_t>(range[4], "the axis resolution")};
            d.codes[EV_ABS].insert(code);
        }
    }
    if (const YAML::Node properties = evdev["properties"]) {
        requireKind(properties, YAML::NodeType::Sequence, "expected a list of input properties");
        for (const YAML::Node& p : properties)
            d.properties.insert(integer<std::uint16_t>(p, "an input property"));
    }
    if (udev) {
        if (const YAML::Node list = udev["properties"]) {
            requireKind(list, YAML::NodeType::Sequence, "expected a list of udev properties");
            for (const YAML::Node& p : list)
                d.udevProperties.push_back(text(p, "a udev property"));
        }
    }
    return d;
}

std::vector<InputEvent> readEvents(const YAML::Node& events)
{
    std::vector<InputEvent> result;
    if (!events) return result;
    requireKind(events, YAML::NodeType::Sequence, "expected a list of events");
    for (const YAML::Node& group : events) {
        requireKind(group, YAML::NodeType::Map, "expected an event group such as \"- evdev: [...]\"");
        const YAML::Node evdev = group["evdev"];
        if (!evdev) continue; // hid reports and libinput's own events
        requireKind(evdev, YAML::NodeType::Sequence, "expected a list of evdev events");
        for (const YAML::Node& e : evdev) {
            requireKind(e, YAML::NodeType::Sequence, "expected [sec, usec, type, code, value]");
            if (e.size() != 5) fail(e, "expected [sec, usec, type, code, value]");
            const auto seconds = integer<std::int64_t>(e[0], "seconds");
            const auto micros = integer<std::int64_t>(e[1], "microseconds");
            if (seconds < 0 || micros < 0 || micros >= 1'000'000) fail(e, "the event time is out of range");
            result.push_back(InputEvent{
                double(seconds) + double(micros) / 1e6, integer<std::uint16_t>(e[2], "an event type"),
                integer<std::uint16_t>(e[3], "an event code"), integer<std::int32_t>(e[4], "an event value")});
        }
    }
    return result;
}

} // namespace

Recording readLibinputRecord(std::string_view yaml)
{
    YAML::Node root;
    try {
        root = YAML::Load(std::string(yaml));
    } catch (const YAML::Exception& e) {
        throw RecordingError("line " + std::to_string(e.mark.line + 1) + ": not valid YAML: " + e.msg);
    }
    if (!root.IsMap()) throw RecordingError("not a libinput recording: expected a YAML mapping");
    try {
        Recording recording;
        recording.format = Recording::Format::libinputRecord;
        if (const YAML::Node system = root["system"]; system && system.IsMap()) {
            const std::string os = system["os"] && system["os"].IsScalar() ? system["os"].Scalar() : "";
            const std::string kernel = system["kernel"] && system["kernel"].IsScalar() ? system["kernel"].Scalar() : "";
            recording.osVersion = os.empty() ? kernel : kernel.empty() ? os : os + " (Linux " + kernel + ")";
        }
        const YAML::Node devices = root["devices"];
        if (!devices) throw RecordingError("not a libinput recording: no \"devices\" list");
        requireKind(devices, YAML::NodeType::Sequence, "expected a list of devices");
        for (const YAML::Node& device : devices) {
            requireKind(device, YAML::NodeType::Map, "expected a device");
            recording.devices.push_back(
                {readDescription(required(device, "evdev"), device["udev"]), readEvents(device["events"])});
        }
        return recording;
    } catch (const YAML::Exception& e) {
        // Lookups on a malformed document; the checks above catch what they can first.
        throw RecordingError("line " + std::to_string(e.mark.line + 1) + ": " + e.msg);
    }
}

} // namespace rimglider
