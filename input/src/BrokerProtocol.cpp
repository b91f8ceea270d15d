#include "RimgliderInput/BrokerProtocol.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <type_traits>

namespace rimglider::broker {

namespace {

constexpr std::size_t headerSize = 8;
constexpr std::size_t timeSize = 12;
constexpr std::size_t eventSize = 20;
constexpr std::size_t clickGuardSize = 4 + 1 + timeSize + 2 + 1; // before the claimed ids
constexpr std::uint16_t stateFlag = 1;
constexpr std::uint32_t brokerIsRootFlag = 1;

enum : std::uint16_t {
    typeHello = 0x0001,
    typeListTouchpads = 0x0002,
    typeSubscribeTouchpad = 0x0003,
    typeUnsubscribeTouchpad = 0x0004,
    typeSubscribeKeys = 0x0005,
    typeUnsubscribeKeys = 0x0006,
    typePostSystemKey = 0x0007,
    typePlayEffect = 0x0008,
    typeSetExclusive = 0x0009,
    typeHideContact = 0x000A,
    typeSetClickGuard = 0x000B,
    typePong = 0x000C,

    typeWelcome = 0x8001,
    typeError = 0x8002,
    typeTouchpad = 0x8003,
    typeListEnd = 0x8004,
    typeTouchpadRemoved = 0x8005,
    typeEvents = 0x8006,
    typeDropped = 0x8007,
    typeKeyDown = 0x8008,
    typeModifiers = 0x8009,
    typeButton = 0x800A,
    typeEffectResult = 0x800B,
    typeSuspended = 0x800C,
    typeResumed = 0x800D,
    typeExclusive = 0x800E,
    typePing = 0x800F,
};

// Little-endian writes, whatever the host's byte order.
class Writer {
  public:
    Writer(std::uint16_t type, std::uint16_t flags, std::uint32_t serial)
    {
        u16(type);
        u16(flags);
        u32(serial);
    }
    void u8(std::uint8_t v) { bytes_.push_back(v); }
    void u16(std::uint16_t v) { put(v, 2); }
    void u32(std::uint32_t v) { put(v, 4); }
    void s32(std::int32_t v) { put(static_cast<std::uint32_t>(v), 4); }
    void s64(std::int64_t v) { put(static_cast<std::uint64_t>(v), 8); }
    void time(const Time& t)
    {
        s64(t.seconds);
        u32(t.microseconds);
    }
    void text(std::string_view s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

  private:
    void put(std::uint64_t v, int size)
    {
        for (int i = 0; i < size; ++i)
            bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    std::vector<std::uint8_t> bytes_;
};

// Little-endian reads of a payload; the caller has checked the length.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint8_t u8() { return bytes_[at_++]; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(get(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(get(4)); }
    std::int32_t s32() { return static_cast<std::int32_t>(u32()); }
    std::int64_t s64() { return static_cast<std::int64_t>(get(8)); }
    Time time()
    {
        Time t;
        t.seconds = s64();
        t.microseconds = u32();
        return t;
    }
    std::string rest()
    {
        std::string s(reinterpret_cast<const char*>(bytes_.data() + at_), bytes_.size() - at_);
        at_ = bytes_.size();
        return s;
    }
    [[nodiscard]] std::size_t remaining() const { return bytes_.size() - at_; }

  private:
    std::uint64_t get(int size)
    {
        std::uint64_t v = 0;
        for (int i = 0; i < size; ++i)
            v |= std::uint64_t(bytes_[at_ + std::size_t(i)]) << (8 * i);
        at_ += std::size_t(size);
        return v;
    }
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

// Cut to at most `limit` bytes without splitting a UTF-8 sequence.
std::string_view cutUtf8(std::string_view s, std::size_t limit)
{
    if (s.size() <= limit) return s;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
        --end;
    return s.substr(0, end);
}

std::vector<std::uint8_t> checked(std::vector<std::uint8_t> bytes)
{
    if (bytes.size() > maxBrokerMessageSize) throw std::length_error("broker message over 65536 bytes");
    return bytes;
}

template <class T>
bool fits(const nlohmann::json& j)
{
    if (!j.is_number_integer()) return false;
    if (j.is_number_unsigned()) return j.get<std::uint64_t>() <= std::uint64_t(std::numeric_limits<T>::max());
    const auto v = j.get<std::int64_t>();
    return v >= std::int64_t(std::numeric_limits<T>::min()) && v <= std::int64_t(std::numeric_limits<T>::max());
}

// A decimal string key of a u16, strictly ("3", not "03" or "+3").
std::optional<std::uint16_t> codeKey(const std::string& key)
{
    if (key.empty() || key.size() > 5 || (key.size() > 1 && key[0] == '0')) return std::nullopt;
    std::uint32_t v = 0;
    for (char c : key) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + std::uint32_t(c - '0');
    }
    if (v > 0xFFFF) return std::nullopt;
    return std::uint16_t(v);
}

std::optional<std::set<std::uint16_t>> codeSet(const nlohmann::json& j)
{
    if (!j.is_array()) return std::nullopt;
    std::set<std::uint16_t> out;
    for (const auto& v : j) {
        if (!fits<std::uint16_t>(v)) return std::nullopt;
        out.insert(v.get<std::uint16_t>());
    }
    return out;
}

} // namespace

std::string socketPath()
{
    const char* env = std::getenv("RIMGLIDER_INPUTD_SOCKET");
    return env && *env ? std::string(env) : std::string(defaultSocketPath);
}

std::optional<SystemKey> systemKeyFromCode(std::uint8_t code)
{
    switch (code) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 7:
    case 16:
    case 17:
    case 18:
        return static_cast<SystemKey>(code);
    default:
        return std::nullopt;
    }
}

std::uint16_t linuxKeyCode(SystemKey key)
{
    switch (key) {
    case SystemKey::soundUp:
        return KEY_VOLUMEUP;
    case SystemKey::soundDown:
        return KEY_VOLUMEDOWN;
    case SystemKey::brightnessUp:
        return KEY_BRIGHTNESSUP;
    case SystemKey::brightnessDown:
        return KEY_BRIGHTNESSDOWN;
    case SystemKey::mute:
        return KEY_MUTE;
    case SystemKey::playPause:
        return KEY_PLAYPAUSE;
    case SystemKey::nextTrack:
        return KEY_NEXTSONG;
    case SystemKey::previousTrack:
        return KEY_PREVIOUSSONG;
    }
    return KEY_RESERVED;
}

std::string touchpadJson(const TouchpadInfo& info)
{
    using nlohmann::json;
    const DeviceDescription& d = info.description;
    json codes = json::object();
    for (const auto& [type, set] : d.codes)
        codes[std::to_string(type)] = set;
    json absinfo = json::object();
    for (const auto& [code, a] : d.absInfo)
        absinfo[std::to_string(code)] = {a.value, a.minimum, a.maximum, a.fuzz, a.flat, a.resolution};
    const json j = {
        {"name", d.name},
        {"id",
         {{"bustype", d.id.bustype}, {"vendor", d.id.vendor}, {"product", d.id.product}, {"version", d.id.version}}},
        {"properties", d.properties},
        {"codes", codes},
        {"absinfo", absinfo},
        {"udev", d.udevProperties},
        {"builtIn", info.builtIn},
        {"forceFeedback", info.forceFeedback},
        {"seat", info.seat},
    };
    // Kernel device names are bytes; invalid UTF-8 is replaced rather than thrown on.
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::optional<TouchpadInfo> touchpadFromJson(std::string_view text, std::uint32_t deviceId)
{
    using nlohmann::json;
    const json j = json::parse(text, nullptr, false);
    if (!j.is_object()) return std::nullopt;
    TouchpadInfo info;
    info.deviceId = deviceId;
    DeviceDescription& d = info.description;

    const auto name = j.find("name");
    if (name == j.end() || !name->is_string()) return std::nullopt;
    d.name = name->get<std::string>();

    const auto id = j.find("id");
    if (id == j.end() || !id->is_object()) return std::nullopt;
    for (auto [key, field] : {std::pair{"bustype", &d.id.bustype}, std::pair{"vendor", &d.id.vendor},
                              std::pair{"product", &d.id.product}, std::pair{"version", &d.id.version}}) {
        const auto v = id->find(key);
        if (v == id->end() || !fits<std::uint16_t>(*v)) return std::nullopt;
        *field = v->get<std::uint16_t>();
    }

    const auto properties = j.find("properties");
    if (properties == j.end()) return std::nullopt;
    auto propertySet = codeSet(*properties);
    if (!propertySet) return std::nullopt;
    d.properties = std::move(*propertySet);

    const auto codes = j.find("codes");
    if (codes == j.end() || !codes->is_object()) return std::nullopt;
    for (const auto& [key, value] : codes->items()) {
        const auto type = codeKey(key);
        auto set = codeSet(value);
        if (!type || !set) return std::nullopt;
        d.codes[*type] = std::move(*set);
    }

    const auto absinfo = j.find("absinfo");
    if (absinfo == j.end() || !absinfo->is_object()) return std::nullopt;
    for (const auto& [key, value] : absinfo->items()) {
        const auto code = codeKey(key);
        if (!code || !value.is_array() || value.size() != 6) return std::nullopt;
        for (const auto& v : value)
            if (!fits<std::int32_t>(v)) return std::nullopt;
        d.absInfo[*code] =
            AbsInfo{value[0].get<std::int32_t>(), value[1].get<std::int32_t>(), value[2].get<std::int32_t>(),
                    value[3].get<std::int32_t>(), value[4].get<std::int32_t>(), value[5].get<std::int32_t>()};
    }

    if (const auto udev = j.find("udev"); udev != j.end()) {
        if (!udev->is_array()) return std::nullopt;
        for (const auto& v : *udev) {
            if (!v.is_string()) return std::nullopt;
            d.udevProperties.push_back(v.get<std::string>());
        }
    }
    if (const auto v = j.find("builtIn"); v != j.end()) {
        if (!v->is_boolean()) return std::nullopt;
        info.builtIn = v->get<bool>();
    }
    if (const auto v = j.find("forceFeedback"); v != j.end()) {
        if (!v->is_boolean()) return std::nullopt;
        info.forceFeedback = v->get<bool>();
    }
    if (const auto v = j.find("seat"); v != j.end()) {
        if (!v->is_string()) return std::nullopt;
        info.seat = v->get<std::string>();
    }
    return info;
}

std::vector<std::uint8_t> encode(const ClientMessage& message)
{
    const std::uint32_t serial = message.serial;
    return std::visit(
        [serial](const auto& m) {
            using T = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<T, Hello>) {
                Writer w(typeHello, 0, serial);
                w.u32(m.version);
                return w.take();
            } else if constexpr (std::is_same_v<T, ListTouchpads>) {
                return Writer(typeListTouchpads, 0, serial).take();
            } else if constexpr (std::is_same_v<T, SubscribeTouchpad>) {
                Writer w(typeSubscribeTouchpad, 0, serial);
                w.u32(m.deviceId);
                return w.take();
            } else if constexpr (std::is_same_v<T, UnsubscribeTouchpad>) {
                Writer w(typeUnsubscribeTouchpad, 0, serial);
                w.u32(m.deviceId);
                return w.take();
            } else if constexpr (std::is_same_v<T, SubscribeKeys>) {
                return Writer(typeSubscribeKeys, 0, serial).take();
            } else if constexpr (std::is_same_v<T, UnsubscribeKeys>) {
                return Writer(typeUnsubscribeKeys, 0, serial).take();
            } else if constexpr (std::is_same_v<T, PostSystemKey>) {
                Writer w(typePostSystemKey, 0, serial);
                w.u8(static_cast<std::uint8_t>(m.key));
                w.u8(m.fine ? 1 : 0);
                return w.take();
            } else if constexpr (std::is_same_v<T, PlayEffect>) {
                Writer w(typePlayEffect, 0, serial);
                w.u32(m.deviceId);
                w.s32(m.actuationId);
                return w.take();
            } else if constexpr (std::is_same_v<T, SetExclusive>) {
                Writer w(typeSetExclusive, 0, serial);
                w.u32(m.deviceId);
                w.u8(m.on ? 1 : 0);
                return w.take();
            } else if constexpr (std::is_same_v<T, HideContact>) {
                Writer w(typeHideContact, 0, serial);
                w.u32(m.deviceId);
                w.s32(m.trackingId);
                w.u8(m.hide ? 1 : 0);
                return w.take();
            } else if constexpr (std::is_same_v<T, SetClickGuard>) {
                if (m.claimed.size() > maxClaimedContacts) throw std::length_error("more than 32 claimed contacts");
                Writer w(typeSetClickGuard, 0, serial);
                w.u32(m.deviceId);
                w.u8(m.guarding ? 1 : 0);
                w.time(m.guardUntil);
                w.u16(m.graceMilliseconds);
                w.u8(static_cast<std::uint8_t>(m.claimed.size()));
                for (std::int32_t id : m.claimed)
                    w.s32(id);
                return w.take();
            } else {
                static_assert(std::is_same_v<T, Pong>);
                Writer w(typePong, 0, serial);
                w.u32(m.token);
                return w.take();
            }
        },
        message.request);
}

std::vector<std::uint8_t> encode(const BrokerMessage& message)
{
    const std::uint32_t serial = message.serial;
    return checked(std::visit(
        [serial](const auto& m) {
            using T = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<T, Welcome>) {
                Writer w(typeWelcome, 0, serial);
                w.u32(m.version);
                w.u32(m.uid);
                w.u32(m.brokerIsRoot ? brokerIsRootFlag : 0);
                return w.take();
            } else if constexpr (std::is_same_v<T, Error>) {
                Writer w(typeError, 0, serial);
                w.u16(static_cast<std::uint16_t>(m.code));
                w.text(cutUtf8(m.text, maxErrorTextSize));
                return w.take();
            } else if constexpr (std::is_same_v<T, Touchpad>) {
                Writer w(typeTouchpad, 0, serial);
                w.u32(m.info.deviceId);
                w.text(touchpadJson(m.info));
                return w.take();
            } else if constexpr (std::is_same_v<T, ListEnd>) {
                return Writer(typeListEnd, 0, serial).take();
            } else if constexpr (std::is_same_v<T, TouchpadRemoved>) {
                Writer w(typeTouchpadRemoved, 0, serial);
                w.u32(m.deviceId);
                return w.take();
            } else if constexpr (std::is_same_v<T, Events>) {
                if (m.events.size() > maxEventsPerBatch) throw std::length_error("EVENTS batch over 1024 events");
                Writer w(typeEvents, m.isState ? stateFlag : 0, serial);
                w.u32(m.deviceId);
                w.u16(static_cast<std::uint16_t>(m.events.size()));
                for (const WireEvent& e : m.events) {
                    w.time(e.time);
                    w.u16(e.type);
                    w.u16(e.code);
                    w.s32(e.value);
                }
                return w.take();
            } else if constexpr (std::is_same_v<T, Dropped>) {
                Writer w(typeDropped, 0, serial);
                w.u32(m.deviceId);
                return w.take();
            } else if constexpr (std::is_same_v<T, KeyDown>) {
                Writer w(typeKeyDown, 0, serial);
                w.time(m.time);
                return w.take();
            } else if constexpr (std::is_same_v<T, Modifiers>) {
                Writer w(typeModifiers, 0, serial);
                w.time(m.time);
                w.u8(m.modifiers.rawValue());
                return w.take();
            } else if constexpr (std::is_same_v<T, Button>) {
                Writer w(typeButton, 0, serial);
                w.time(m.time);
                w.u16(m.button);
                w.u8(m.down ? 1 : 0);
                return w.take();
            } else if constexpr (std::is_same_v<T, EffectResult>) {
                Writer w(typeEffectResult, 0, serial);
                w.s32(m.status);
                return w.take();
            } else if constexpr (std::is_same_v<T, Suspended>) {
                return Writer(typeSuspended, 0, serial).take();
            } else if constexpr (std::is_same_v<T, Resumed>) {
                return Writer(typeResumed, 0, serial).take();
            } else if constexpr (std::is_same_v<T, Exclusive>) {
                Writer w(typeExclusive, 0, serial);
                w.u32(m.deviceId);
                w.u8(static_cast<std::uint8_t>(m.state));
                w.u8(static_cast<std::uint8_t>(m.reason));
                w.u32(m.swallowedPresses);
                return w.take();
            } else {
                static_assert(std::is_same_v<T, Ping>);
                Writer w(typePing, 0, serial);
                w.u32(m.token);
                return w.take();
            }
        },
        message.message));
}

RequestDecoding decodeRequest(std::span<const std::uint8_t> packet)
{
    RequestDecoding out;
    if (packet.size() < headerSize || packet.size() > maxRequestSize) return out;
    Reader header(packet.first(headerSize));
    const std::uint16_t type = header.u16();
    const std::uint16_t flags = header.u16();
    const std::uint32_t serial = header.u32();
    if (flags != 0) return out;
    Reader r(packet.subspan(headerSize));
    const std::size_t length = r.remaining();

    auto expect = [&](std::size_t size, auto makeRequest) {
        if (length != size) return;
        out.serial = serial;
        std::optional<Request> request = makeRequest();
        if (!request) {
            out.outcome = RequestDecoding::Outcome::badArgument;
            return;
        }
        out.outcome = RequestDecoding::Outcome::request;
        out.message = ClientMessage{serial, std::move(*request)};
    };
    using R = std::optional<Request>;
    switch (type) {
    case typeHello:
        expect(4, [&] { return R(Hello{r.u32()}); });
        break;
    case typeListTouchpads:
        expect(0, [] { return R(ListTouchpads{}); });
        break;
    case typeSubscribeTouchpad:
        expect(4, [&] { return R(SubscribeTouchpad{r.u32()}); });
        break;
    case typeUnsubscribeTouchpad:
        expect(4, [&] { return R(UnsubscribeTouchpad{r.u32()}); });
        break;
    case typeSubscribeKeys:
        expect(0, [] { return R(SubscribeKeys{}); });
        break;
    case typeUnsubscribeKeys:
        expect(0, [] { return R(UnsubscribeKeys{}); });
        break;
    case typePostSystemKey:
        expect(2, [&]() -> R {
            const auto key = systemKeyFromCode(r.u8());
            const std::uint8_t fine = r.u8();
            if (!key || fine > 1) return std::nullopt;
            return PostSystemKey{*key, fine == 1};
        });
        break;
    case typePlayEffect:
        expect(8, [&] {
            const std::uint32_t deviceId = r.u32();
            return R(PlayEffect{deviceId, r.s32()});
        });
        break;
    case typeSetExclusive:
        expect(5, [&]() -> R {
            const std::uint32_t deviceId = r.u32();
            const std::uint8_t on = r.u8();
            if (on > 1) return std::nullopt;
            return SetExclusive{deviceId, on == 1};
        });
        break;
    case typeHideContact:
        expect(9, [&]() -> R {
            const std::uint32_t deviceId = r.u32();
            const std::int32_t trackingId = r.s32();
            const std::uint8_t hide = r.u8();
            if (trackingId < 0 || hide > 1) return std::nullopt;
            return HideContact{deviceId, trackingId, hide == 1};
        });
        break;
    case typeSetClickGuard: {
        // The claimed ids' count is the last byte before them; the length must agree with it.
        const std::size_t count = length >= clickGuardSize ? packet[headerSize + clickGuardSize - 1] : 0;
        expect(clickGuardSize + 4 * count, [&]() -> R {
            SetClickGuard g;
            g.deviceId = r.u32();
            const std::uint8_t guarding = r.u8();
            g.guardUntil = r.time();
            g.graceMilliseconds = r.u16();
            r.u8();
            for (std::size_t i = 0; i < count; ++i)
                g.claimed.push_back(r.s32());
            const bool badId = std::any_of(g.claimed.begin(), g.claimed.end(), [](std::int32_t id) { return id < 0; });
            if (guarding > 1 || g.guardUntil.microseconds > 999999 || g.graceMilliseconds > maxGraceMilliseconds ||
                count > maxClaimedContacts || badId || (guarding == 1 && count == 0))
                return std::nullopt;
            g.guarding = guarding == 1;
            return g;
        });
        break;
    }
    case typePong:
        expect(4, [&] { return R(Pong{r.u32()}); });
        break;
    default:
        out.outcome = RequestDecoding::Outcome::unknown;
        out.serial = serial;
        break;
    }
    return out;
}

std::optional<BrokerMessage> decodeBrokerMessage(std::span<const std::uint8_t> packet)
{
    if (packet.size() < headerSize || packet.size() > maxBrokerMessageSize) return std::nullopt;
    Reader header(packet.first(headerSize));
    const std::uint16_t type = header.u16();
    const std::uint16_t flags = header.u16();
    const std::uint32_t serial = header.u32();
    Reader r(packet.subspan(headerSize));
    const std::size_t length = r.remaining();
    auto message = [serial](Message m) { return std::optional<BrokerMessage>(BrokerMessage{serial, std::move(m)}); };
    auto time = [&r]() -> std::optional<Time> {
        const Time t = r.time();
        if (t.microseconds > 999999) return std::nullopt;
        return t;
    };

    switch (type) {
    case typeWelcome: {
        if (length != 12) return std::nullopt;
        Welcome w;
        w.version = r.u32();
        w.uid = r.u32();
        w.brokerIsRoot = (r.u32() & brokerIsRootFlag) != 0;
        return message(w);
    }
    case typeError: {
        if (length < 2 || length > 2 + maxErrorTextSize) return std::nullopt;
        Error e;
        e.code = static_cast<ErrorCode>(r.u16());
        e.text = r.rest();
        return message(std::move(e));
    }
    case typeTouchpad: {
        if (length < 4) return std::nullopt;
        const std::uint32_t deviceId = r.u32();
        auto info = touchpadFromJson(r.rest(), deviceId);
        if (!info) return std::nullopt;
        return message(Touchpad{std::move(*info)});
    }
    case typeListEnd:
        if (length != 0) return std::nullopt;
        return message(ListEnd{});
    case typeTouchpadRemoved:
        if (length != 4) return std::nullopt;
        return message(TouchpadRemoved{r.u32()});
    case typeEvents: {
        if (length < 6) return std::nullopt;
        Events e;
        e.deviceId = r.u32();
        e.isState = (flags & stateFlag) != 0;
        const std::uint16_t count = r.u16();
        if (count > maxEventsPerBatch || r.remaining() != std::size_t(count) * eventSize) return std::nullopt;
        e.events.reserve(count);
        for (std::uint16_t i = 0; i < count; ++i) {
            WireEvent w;
            const auto t = time();
            if (!t) return std::nullopt;
            w.time = *t;
            w.type = r.u16();
            w.code = r.u16();
            w.value = r.s32();
            e.events.push_back(w);
        }
        return message(std::move(e));
    }
    case typeDropped:
        if (length != 4) return std::nullopt;
        return message(Dropped{r.u32()});
    case typeKeyDown: {
        if (length != timeSize) return std::nullopt;
        const auto t = time();
        if (!t) return std::nullopt;
        return message(KeyDown{*t});
    }
    case typeModifiers: {
        if (length != timeSize + 1) return std::nullopt;
        const auto t = time();
        if (!t) return std::nullopt;
        return message(Modifiers{*t, GestureEngineKit::ModifierState(r.u8())});
    }
    case typeButton: {
        if (length != timeSize + 3) return std::nullopt;
        const auto t = time();
        if (!t) return std::nullopt;
        const std::uint16_t button = r.u16();
        const std::uint8_t down = r.u8();
        if (down > 1) return std::nullopt;
        return message(Button{*t, button, down == 1});
    }
    case typeEffectResult:
        if (length != 4) return std::nullopt;
        return message(EffectResult{r.s32()});
    case typeSuspended:
        if (length != 0) return std::nullopt;
        return message(Suspended{});
    case typeResumed:
        if (length != 0) return std::nullopt;
        return message(Resumed{});
    case typeExclusive: {
        if (length != 10) return std::nullopt;
        Exclusive e;
        e.deviceId = r.u32();
        const std::uint8_t state = r.u8();
        if (state > static_cast<std::uint8_t>(ExclusiveState::active)) return std::nullopt;
        e.state = static_cast<ExclusiveState>(state);
        e.reason = static_cast<ExclusiveReason>(r.u8()); // later versions add reasons
        e.swallowedPresses = r.u32();
        return message(e);
    }
    case typePing:
        if (length != 4) return std::nullopt;
        return message(Ping{r.u32()});
    default:
        return std::nullopt;
    }
}

} // namespace rimglider::broker
