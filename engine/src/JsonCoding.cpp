#include "GestureEngineKit/JsonCoding.h"

#include "JsonNumber.h"
#include "Overloaded.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace GestureEngineKit {

using detail::Overloaded;
using nlohmann::json;

namespace {

[[noreturn]] void fail(std::string_view key, const std::string& reason)
{
    throw DecodingError("key \"" + std::string(key) + "\": " + reason);
}

void requireObject(const json& j)
{
    if (!j.is_object()) throw DecodingError("expected a JSON object");
}

const json& member(const json& object, std::string_view key)
{
    auto it = object.find(key);
    if (it == object.end()) throw DecodingError("missing key \"" + std::string(key) + "\"");
    return *it;
}

// Absent keys and null values both mean "not given".
const json* optionalMember(const json& object, std::string_view key)
{
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) return nullptr;
    return &*it;
}

double readNumber(const json& value, std::string_view key)
{
    if (!value.is_number()) fail(key, "expected a number");
    const double number = value.get<double>();
    if (!std::isfinite(number)) fail(key, "number out of range");
    return number;
}

template <class Int>
Int readInteger(const json& value, std::string_view key)
{
    using Limits = std::numeric_limits<Int>;
    const auto outOfRange = [&](const std::string& text) {
        fail(key, "number " + text + " does not fit " + (Limits::is_signed ? "a signed " : "an unsigned ") +
                      std::to_string(Limits::digits + (Limits::is_signed ? 1 : 0)) + "-bit integer");
    };
    if (value.is_number_unsigned()) {
        const auto n = value.get<std::uint64_t>();
        if (n > std::uint64_t(Limits::max())) outOfRange(std::to_string(n));
        return Int(n);
    }
    if (value.is_number_integer()) {
        const auto n = value.get<std::int64_t>();
        if (n < std::int64_t(Limits::min()) || (n > 0 && std::uint64_t(n) > std::uint64_t(Limits::max())))
            outOfRange(std::to_string(n));
        return Int(n);
    }
    if (value.is_number_float()) {
        // 3.0 is the integer 3; 3.5 is not an integer at all.
        const double d = value.get<double>();
        if (!std::isfinite(d) || d != std::trunc(d)) fail(key, "expected an integer");
        // 2^digits is exact in a double, unlike the largest value of a 64-bit type.
        if (d < double(Limits::min()) || d >= std::ldexp(1.0, Limits::digits)) outOfRange(value.dump());
        return Int(d);
    }
    fail(key, "expected an integer");
}

float readFloat(const json& value, std::string_view key)
{
    const double number = readNumber(value, key);
    if (std::abs(number) > double(std::numeric_limits<float>::max())) fail(key, "number does not fit a 32-bit float");
    return float(number);
}

const std::string& readString(const json& value, std::string_view key)
{
    if (!value.is_string()) fail(key, "expected a string");
    return value.get_ref<const std::string&>();
}

bool readBool(const json& value, std::string_view key)
{
    if (!value.is_boolean()) fail(key, "expected true or false");
    return value.get<bool>();
}

template <class Enum, class Lookup>
Enum readName(const json& value, std::string_view what, Lookup lookup)
{
    if (!value.is_string()) throw DecodingError("expected a " + std::string(what) + " name");
    const auto& text = value.get_ref<const std::string&>();
    if (auto found = lookup(text)) return *found;
    throw DecodingError("unknown " + std::string(what) + " \"" + text + "\"");
}

// Decodes `value` with `decode`, naming `key` in any error.
template <class Decode>
auto under(std::string_view key, const json& value, Decode decode)
{
    try {
        return decode(value);
    } catch (const DecodingError& e) {
        throw DecodingError("key \"" + std::string(key) + "\": " + e.what());
    }
}

double readNumberKey(const json& object, std::string_view key)
{
    return readNumber(member(object, key), key);
}

int twoDigits(std::string_view text, std::size_t at)
{
    if (at + 2 > text.size() || !std::isdigit(static_cast<unsigned char>(text[at])) ||
        !std::isdigit(static_cast<unsigned char>(text[at + 1])))
        return -1;
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

} // namespace

json floatNumber(float value)
{
    return detail::shortestDouble(value);
}

json toJson(const TouchSample& s)
{
    return json{{"id", s.id},
                {"s", s.state},
                {"x", floatNumber(s.x)},
                {"y", floatNumber(s.y)},
                {"ma", floatNumber(s.majorAxis)},
                {"mi", floatNumber(s.minorAxis)},
                {"ax", floatNumber(s.absoluteX)},
                {"ay", floatNumber(s.absoluteY)}};
}

template <>
TouchSample fromJson<TouchSample>(const json& j)
{
    requireObject(j);
    TouchSample s;
    s.id = readInteger<std::int32_t>(member(j, "id"), "id");
    s.state = readInteger<std::int32_t>(member(j, "s"), "s");
    s.x = readFloat(member(j, "x"), "x");
    s.y = readFloat(member(j, "y"), "y");
    s.majorAxis = readFloat(member(j, "ma"), "ma");
    s.minorAxis = readFloat(member(j, "mi"), "mi");
    s.absoluteX = readFloat(member(j, "ax"), "ax");
    s.absoluteY = readFloat(member(j, "ay"), "ay");
    return s;
}

namespace {

json touchesToJson(const std::vector<TouchSample>& touches)
{
    json array = json::array();
    for (const TouchSample& s : touches)
        array.push_back(toJson(s));
    return array;
}

std::vector<TouchSample> touchesFromJson(const json& value, std::string_view key)
{
    if (!value.is_array()) fail(key, "expected an array of touches");
    std::vector<TouchSample> touches;
    touches.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        try {
            touches.push_back(fromJson<TouchSample>(value[i]));
        } catch (const DecodingError& e) {
            fail(key, "touch " + std::to_string(i) + ": " + e.what());
        }
    }
    return touches;
}

} // namespace

json toJson(const TouchFrame& frame)
{
    return json{{"time", frame.time}, {"touches", touchesToJson(frame.touches)}};
}

template <>
TouchFrame fromJson<TouchFrame>(const json& j)
{
    requireObject(j);
    return TouchFrame{readNumberKey(j, "time"), touchesFromJson(member(j, "touches"), "touches")};
}

json toJson(ModifierState state)
{
    return state.rawValue();
}

template <>
ModifierState fromJson<ModifierState>(const json& j)
{
    return ModifierState(readInteger<std::uint8_t>(j, "modifiers"));
}

json toJson(Zone zone)
{
    return name(zone);
}
json toJson(SliderDirection d)
{
    return name(d);
}
json toJson(SwipeDirection d)
{
    return name(d);
}
json toJson(CancelReason r)
{
    return name(r);
}
json toJson(EdgeAction a)
{
    return name(a);
}
json toJson(TraceLabel l)
{
    return name(l);
}

json toJson(ZoneSet zones)
{
    json array = json::array();
    for (Zone z : zones.members())
        array.push_back(name(z));
    return array;
}

template <>
Zone fromJson<Zone>(const json& j)
{
    return readName<Zone>(j, "zone", zoneNamed);
}

template <>
ZoneSet fromJson<ZoneSet>(const json& j)
{
    if (!j.is_array()) throw DecodingError("expected an array of zones");
    ZoneSet zones;
    for (const json& element : j)
        zones.insert(fromJson<Zone>(element));
    return zones;
}

template <>
SliderDirection fromJson<SliderDirection>(const json& j)
{
    return readName<SliderDirection>(j, "slider direction", sliderDirectionNamed);
}

template <>
SwipeDirection fromJson<SwipeDirection>(const json& j)
{
    return readName<SwipeDirection>(j, "swipe direction", swipeDirectionNamed);
}

template <>
CancelReason fromJson<CancelReason>(const json& j)
{
    return readName<CancelReason>(j, "cancel reason", cancelReasonNamed);
}

template <>
EdgeAction fromJson<EdgeAction>(const json& j)
{
    return readName<EdgeAction>(j, "edge action", edgeActionNamed);
}

template <>
TraceLabel fromJson<TraceLabel>(const json& j)
{
    return readName<TraceLabel>(j, "label", traceLabelNamed);
}

json toJson(const EngineInput& input)
{
    json j{{"t", input.time()}};
    std::visit(Overloaded{
                   [&](const TouchFrame& frame) {
                       j["k"] = "f";
                       j["f"] = touchesToJson(frame.touches);
                   },
                   [&](const EngineInput::KeyDown&) { j["k"] = "key"; },
                   [&](const EngineInput::MouseDown&) { j["k"] = "click"; },
                   [&](const EngineInput::Modifiers& m) {
                       j["k"] = "mod";
                       j["m"] = m.state.rawValue();
                   },
               },
               input.payload);
    return j;
}

template <>
EngineInput fromJson<EngineInput>(const json& j)
{
    requireObject(j);
    const double time = readNumberKey(j, "t");
    const std::string& kind = readString(member(j, "k"), "k");
    // Keys the kind does not use are ignored.
    if (kind == "f") return EngineInput::frame(TouchFrame{time, touchesFromJson(member(j, "f"), "f")});
    if (kind == "key") return EngineInput::keyDown(time);
    if (kind == "click") return EngineInput::mouseDown(time);
    if (kind == "mod")
        return EngineInput::modifiers(ModifierState(readInteger<std::uint8_t>(member(j, "m"), "m")), time);
    fail("k", "unknown input kind \"" + kind + "\"");
}

json toJson(const GestureConfig& c)
{
    json j{
        {"surfaceWidthMM", c.surfaceWidthMM},
        {"surfaceHeightMM", c.surfaceHeightMM},
        {"enabledZones", toJson(c.enabledZones)},
        {"edgeWidth", c.edgeWidth},
        {"bottomEdgeHeight", c.bottomEdgeHeight},
        {"cornerWidth", c.cornerWidth},
        {"cornerHeight", c.cornerHeight},
        {"bottomSwipeEnabled", c.bottomSwipeEnabled},
        {"bottomTapEnabled", c.bottomTapEnabled},
        {"activationDistanceMM", c.activationDistanceMM},
        {"activationAngleRatio", c.activationAngleRatio},
        {"candidateTimeout", c.candidateTimeout},
        {"stepDistanceMM", c.stepDistanceMM},
        {"sensitivity", c.sensitivity},
        {"tapMaxDuration", c.tapMaxDuration},
        {"tapMaxMovementMM", c.tapMaxMovementMM},
        {"doubleTapInterval", c.doubleTapInterval},
        {"swipeMinDistanceMM", c.swipeMinDistanceMM},
        {"typingGuard", c.typingGuard},
        {"palmMajorAxisMax", c.palmMajorAxisMax},
    };
    if (c.sliderStartLimit) j["sliderStartLimit"] = *c.sliderStartLimit;
    if (c.requiredModifier) j["requiredModifier"] = c.requiredModifier->rawValue();
    return j;
}

template <>
GestureConfig fromJson<GestureConfig>(const json& j)
{
    requireObject(j);
    GestureConfig c;
    c.surfaceWidthMM = readNumberKey(j, "surfaceWidthMM");
    c.surfaceHeightMM = readNumberKey(j, "surfaceHeightMM");
    c.enabledZones = under("enabledZones", member(j, "enabledZones"), fromJson<ZoneSet>);
    c.edgeWidth = readNumberKey(j, "edgeWidth");
    c.bottomEdgeHeight = readNumberKey(j, "bottomEdgeHeight");
    c.cornerWidth = readNumberKey(j, "cornerWidth");
    c.cornerHeight = readNumberKey(j, "cornerHeight");
    if (const json* limit = optionalMember(j, "sliderStartLimit"))
        c.sliderStartLimit = readNumber(*limit, "sliderStartLimit");
    c.bottomSwipeEnabled = readBool(member(j, "bottomSwipeEnabled"), "bottomSwipeEnabled");
    c.bottomTapEnabled = readBool(member(j, "bottomTapEnabled"), "bottomTapEnabled");
    if (const json* required = optionalMember(j, "requiredModifier"))
        c.requiredModifier = ModifierState(readInteger<std::uint8_t>(*required, "requiredModifier"));
    c.activationDistanceMM = readNumberKey(j, "activationDistanceMM");
    c.activationAngleRatio = readNumberKey(j, "activationAngleRatio");
    c.candidateTimeout = readNumberKey(j, "candidateTimeout");
    c.stepDistanceMM = readNumberKey(j, "stepDistanceMM");
    c.sensitivity = readNumberKey(j, "sensitivity");
    c.tapMaxDuration = readNumberKey(j, "tapMaxDuration");
    c.tapMaxMovementMM = readNumberKey(j, "tapMaxMovementMM");
    c.doubleTapInterval = readNumberKey(j, "doubleTapInterval");
    c.swipeMinDistanceMM = readNumberKey(j, "swipeMinDistanceMM");
    c.typingGuard = readNumberKey(j, "typingGuard");
    c.palmMajorAxisMax = readNumberKey(j, "palmMajorAxisMax");
    return c;
}

json toJson(const TraceHeader& h)
{
    return json{{"version", h.version},
                {"label", name(h.label)},
                {"recordedAt", formatInternetDate(h.recordedAt)},
                {"hardwareModel", h.hardwareModel},
                {"osVersion", h.osVersion},
                {"hasContextEvents", h.hasContextEvents},
                {"note", h.note}};
}

template <>
TraceHeader fromJson<TraceHeader>(const json& j)
{
    requireObject(j);
    TraceHeader h;
    h.version = readInteger<std::int64_t>(member(j, "version"), "version");
    h.label = under("label", member(j, "label"), fromJson<TraceLabel>);
    h.recordedAt = under("recordedAt", member(j, "recordedAt"), [](const json& v) {
        if (!v.is_string()) throw DecodingError("expected a date string");
        return parseInternetDate(v.get_ref<const std::string&>());
    });
    h.hardwareModel = readString(member(j, "hardwareModel"), "hardwareModel");
    h.osVersion = readString(member(j, "osVersion"), "osVersion");
    h.hasContextEvents = readBool(member(j, "hasContextEvents"), "hasContextEvents");
    h.note = readString(member(j, "note"), "note");
    return h;
}

std::string formatInternetDate(TraceDate date)
{
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(date);
    const auto days = floor<std::chrono::days>(seconds);
    const year_month_day ymd{days};
    const hh_mm_ss time{seconds - days};
    const int y = int(ymd.year());
    if (y < 0 || y > 9999) throw std::range_error("date outside the years 0000 to 9999");
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", y, unsigned(ymd.month()), unsigned(ymd.day()),
                  int(time.hours().count()), int(time.minutes().count()), int(time.seconds().count()));
    return text;
}

TraceDate parseInternetDate(std::string_view text)
{
    using namespace std::chrono;
    const auto bad = [&]() -> DecodingError {
        return DecodingError("\"" + std::string(text) + "\" is not an ISO 8601 date-time");
    };
    // YYYY-MM-DDTHH:MM:SS[.fraction](Z|+HH:MM|-HH:MM)
    if (text.size() < 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
        throw bad();
    const int century = twoDigits(text, 0), yy = twoDigits(text, 2), month = twoDigits(text, 5),
              day = twoDigits(text, 8), hour = twoDigits(text, 11), minute = twoDigits(text, 14),
              second = twoDigits(text, 17);
    if (century < 0 || yy < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0) throw bad();
    const year_month_day ymd{year{century * 100 + yy}, std::chrono::month{unsigned(month)},
                             std::chrono::day{unsigned(day)}};
    if (!ymd.ok() || hour > 23 || minute > 59 || second > 59) throw bad();

    std::size_t at = 19;
    // In the date's own unit: finer units overflow for the earliest representable years.
    TraceDate::duration fraction{0};
    if (at < text.size() && text[at] == '.') {
        std::int64_t scale = TraceDate::period::den / 10; // digits beyond the unit are dropped
        const std::size_t digitsStart = ++at;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
            fraction += TraceDate::duration((text[at] - '0') * scale);
            scale /= 10;
            ++at;
        }
        if (at == digitsStart) throw bad();
    }
    minutes offset{0};
    if (at + 1 == text.size() && text[at] == 'Z') {
        // UTC
    } else if (at + 6 == text.size() && (text[at] == '+' || text[at] == '-') && text[at + 3] == ':') {
        const int offsetHours = twoDigits(text, at + 1), offsetMinutes = twoDigits(text, at + 4);
        if (offsetHours < 0 || offsetHours > 23 || offsetMinutes < 0 || offsetMinutes > 59) throw bad();
        offset = hours(offsetHours) + minutes(offsetMinutes);
        if (text[at] == '-') offset = -offset;
    } else {
        throw bad();
    }
    const auto local = sys_days{ymd} + hours(hour) + minutes(minute) + seconds(second);
    return TraceDate(local - offset) + fraction;
}

} // namespace GestureEngineKit
