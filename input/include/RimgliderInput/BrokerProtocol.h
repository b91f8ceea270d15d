// The messages of the input broker's socket protocol (inputd/PROTOCOL.md) as values, with
// their encoding and decoding. Pure: no sockets here, so the broker, its clients, the tests
// and the fuzzer share one codec.
#pragma once

#include "RimgliderInput/EvdevDevice.h"

#include "GestureEngineKit/TouchTypes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace rimglider::broker {

// The newest protocol version this code speaks, and the oldest one a broker still serves.
inline constexpr std::uint32_t protocolVersion = 2;
inline constexpr std::uint32_t oldestProtocolVersion = 1;
inline constexpr std::size_t maxRequestSize = 256;
inline constexpr std::size_t maxBrokerMessageSize = 65536;
inline constexpr std::size_t maxEventsPerBatch = 1024;
inline constexpr std::size_t maxErrorTextSize = 200;
inline constexpr std::uint32_t keyStreamId = 0xFFFFFFFF; // DROPPED for the key stream
inline constexpr const char* defaultSocketPath = "/run/rimglider/inputd.sock";
inline constexpr std::size_t maxClaimedContacts = 32;       // SET_CLICK_GUARD
inline constexpr std::uint16_t maxGraceMilliseconds = 2000; // SET_CLICK_GUARD

// $RIMGLIDER_INPUTD_SOCKET when set and not empty, else defaultSocketPath.
std::string socketPath();

// Kernel time as sent: seconds and microseconds of CLOCK_MONOTONIC.
struct Time {
    std::int64_t seconds = 0;
    std::uint32_t microseconds = 0;

    [[nodiscard]] double toSeconds() const { return double(seconds) + double(microseconds) / 1e6; }
    friend bool operator==(const Time&, const Time&) = default;
};

// The eight system keys a client may post, by their system key code.
enum class SystemKey : std::uint8_t {
    soundUp = 0,
    soundDown = 1,
    brightnessUp = 2,
    brightnessDown = 3,
    mute = 7,
    playPause = 16,
    nextTrack = 17,
    previousTrack = 18,
};
// The SystemKey a code stands for; absent for any other code.
std::optional<SystemKey> systemKeyFromCode(std::uint8_t code);
// The Linux key code (KEY_VOLUMEUP, ...) the broker emits for it.
std::uint16_t linuxKeyCode(SystemKey key);

// ---- Requests (client -> broker) ----
struct Hello {
    std::uint32_t version = protocolVersion;
    friend bool operator==(const Hello&, const Hello&) = default;
};
struct ListTouchpads {
    friend bool operator==(const ListTouchpads&, const ListTouchpads&) = default;
};
struct SubscribeTouchpad {
    std::uint32_t deviceId = 0;
    friend bool operator==(const SubscribeTouchpad&, const SubscribeTouchpad&) = default;
};
struct UnsubscribeTouchpad {
    std::uint32_t deviceId = 0;
    friend bool operator==(const UnsubscribeTouchpad&, const UnsubscribeTouchpad&) = default;
};
struct SubscribeKeys {
    friend bool operator==(const SubscribeKeys&, const SubscribeKeys&) = default;
};
struct UnsubscribeKeys {
    friend bool operator==(const UnsubscribeKeys&, const UnsubscribeKeys&) = default;
};
struct PostSystemKey {
    SystemKey key = SystemKey::soundUp;
    bool fine = false;
    friend bool operator==(const PostSystemKey&, const PostSystemKey&) = default;
};
struct PlayEffect {
    std::uint32_t deviceId = 0;
    std::int32_t actuationId = 0;
    friend bool operator==(const PlayEffect&, const PlayEffect&) = default;
};

// Version 2: exclusive mode.
struct SetExclusive {
    std::uint32_t deviceId = 0;
    bool on = false;
    friend bool operator==(const SetExclusive&, const SetExclusive&) = default;
};
struct HideContact {
    std::uint32_t deviceId = 0;
    std::int32_t trackingId = 0; // as the touchpad's own events name the contact
    bool hide = true;            // false: show it again
    friend bool operator==(const HideContact&, const HideContact&) = default;
};
struct SetClickGuard {
    std::uint32_t deviceId = 0;
    bool guarding = false;
    Time guardUntil;                     // presses before this time are swallowed
    std::uint16_t graceMilliseconds = 0; // guarding lasts this long after the claimed contacts lift
    std::vector<std::int32_t> claimed;   // tracking ids; at least one while guarding
    friend bool operator==(const SetClickGuard&, const SetClickGuard&) = default;
};
struct Pong {
    std::uint32_t token = 0;
    friend bool operator==(const Pong&, const Pong&) = default;
};

using Request =
    std::variant<Hello, ListTouchpads, SubscribeTouchpad, UnsubscribeTouchpad, SubscribeKeys, UnsubscribeKeys,
                 PostSystemKey, PlayEffect, SetExclusive, HideContact, SetClickGuard, Pong>;

struct ClientMessage {
    std::uint32_t serial = 0;
    Request request;
    friend bool operator==(const ClientMessage&, const ClientMessage&) = default;
};

// ---- Broker messages (broker -> client) ----
enum class ErrorCode : std::uint16_t {
    unknownRequest = 1,
    badArgument = 2,
    noSuchDevice = 3,
    unavailable = 4,
    unsupportedVersion = 5,
    refused = 6,
    tooManyClients = 7, // the user holds as many connections as the broker allows
};

struct TouchpadInfo {
    std::uint32_t deviceId = 0;
    DeviceDescription description; // udevProperties carries the ID_* and LIBINPUT_* properties
    bool builtIn = false;
    bool forceFeedback = false;
    std::string seat = "seat0";
    friend bool operator==(const TouchpadInfo&, const TouchpadInfo&) = default;
};

struct Welcome {
    std::uint32_t version = protocolVersion;
    std::uint32_t uid = 0;
    bool brokerIsRoot = false;
    friend bool operator==(const Welcome&, const Welcome&) = default;
};
struct Error {
    ErrorCode code = ErrorCode::unknownRequest;
    std::string text; // at most maxErrorTextSize bytes on the wire (longer text is cut)
    friend bool operator==(const Error&, const Error&) = default;
};
struct Touchpad {
    TouchpadInfo info;
    friend bool operator==(const Touchpad&, const Touchpad&) = default;
};
struct ListEnd {
    friend bool operator==(const ListEnd&, const ListEnd&) = default;
};
struct TouchpadRemoved {
    std::uint32_t deviceId = 0;
    friend bool operator==(const TouchpadRemoved&, const TouchpadRemoved&) = default;
};
struct WireEvent {
    Time time;
    std::uint16_t type = 0;
    std::uint16_t code = 0;
    std::int32_t value = 0;

    [[nodiscard]] InputEvent toInputEvent() const { return {time.toSeconds(), type, code, value}; }
    friend bool operator==(const WireEvent&, const WireEvent&) = default;
};
struct Events {
    std::uint32_t deviceId = 0;
    bool isState = false;          // the device's whole current state, for a fresh view
    std::vector<WireEvent> events; // at most maxEventsPerBatch
    friend bool operator==(const Events&, const Events&) = default;
};
struct Dropped {
    std::uint32_t deviceId = 0; // keyStreamId for the key stream
    friend bool operator==(const Dropped&, const Dropped&) = default;
};
struct KeyDown {
    Time time;
    friend bool operator==(const KeyDown&, const KeyDown&) = default;
};
struct Modifiers {
    Time time;
    GestureEngineKit::ModifierState modifiers;
    friend bool operator==(const Modifiers&, const Modifiers&) = default;
};
struct Button {
    Time time;
    std::uint16_t button = 0; // code - BTN_MOUSE
    bool down = false;
    friend bool operator==(const Button&, const Button&) = default;
};
struct EffectResult {
    std::int32_t status = 0; // 0 played, else a positive errno value
    friend bool operator==(const EffectResult&, const EffectResult&) = default;
};
struct Suspended {
    friend bool operator==(const Suspended&, const Suspended&) = default;
};
struct Resumed {
    friend bool operator==(const Resumed&, const Resumed&) = default;
};

// Version 2: exclusive mode.
enum class ExclusiveState : std::uint8_t {
    off = 0,     // not this client's: never asked, left, refused or ended (the reason says which)
    waiting = 1, // asked; the touchpad is grabbed at the next moment no finger and no button is down
    active = 2,  // grabbed: the touchpad reaches the desktop only through its clone
};
enum class ExclusiveReason : std::uint8_t {
    none = 0,
    semiMultitouch = 1,  // the pad reports INPUT_PROP_SEMI_MT: never grabbed
    notMultitouch = 2,   // no multitouch slots
    grabBusy = 3,        // another program holds the touchpad's grab
    otherClient = 4,     // another connection holds exclusive mode on this touchpad
    sessionInactive = 5, // the user's session is not active on the seat
    cloneFailed = 6,     // the clone could not be made or written
    notAnswering = 7,    // a PING went unanswered
    watchdog = 8,        // forwarding stalled; the grab was dropped
    deviceRemoved = 9,   // the touchpad went away
    notSubscribed = 10,  // exclusive mode needs a subscription to the touchpad
};
struct Exclusive {
    std::uint32_t deviceId = 0;
    ExclusiveState state = ExclusiveState::off;
    ExclusiveReason reason = ExclusiveReason::none;
    std::uint32_t swallowedPresses = 0; // by this connection's click guard, since it connected
    friend bool operator==(const Exclusive&, const Exclusive&) = default;
};
struct Ping {
    std::uint32_t token = 0;
    friend bool operator==(const Ping&, const Ping&) = default;
};

using Message = std::variant<Welcome, Error, Touchpad, ListEnd, TouchpadRemoved, Events, Dropped, KeyDown, Modifiers,
                             Button, EffectResult, Suspended, Resumed, Exclusive, Ping>;

struct BrokerMessage {
    std::uint32_t serial = 0;
    Message message;
    friend bool operator==(const BrokerMessage&, const BrokerMessage&) = default;
};

// ---- Encoding and decoding ----
// Throws std::length_error for a SetClickGuard with more than maxClaimedContacts ids.
std::vector<std::uint8_t> encode(const ClientMessage& message);
// Throws std::length_error when the message would exceed maxBrokerMessageSize (an Events batch
// over maxEventsPerBatch, a description too large).
std::vector<std::uint8_t> encode(const BrokerMessage& message);

// What the broker makes of one packet from a client.
struct RequestDecoding {
    enum class Outcome : std::uint8_t {
        request,     // `message` holds the request
        unknown,     // a well-formed header of an unknown type: answer ERROR unknownRequest
        badArgument, // a known request of the right size whose arguments are out of range
                     // (a key, a flag, a time, a count): answer ERROR badArgument
        malformed,   // anything else: end the connection
    };
    Outcome outcome = Outcome::malformed;
    std::uint32_t serial = 0; // valid for request, unknown and badArgument
    std::optional<ClientMessage> message;
};
RequestDecoding decodeRequest(std::span<const std::uint8_t> packet);

// A broker message; absent when the packet is malformed or of a type this client does not
// know (later protocol versions add types; a client ignores them).
std::optional<BrokerMessage> decodeBrokerMessage(std::span<const std::uint8_t> packet);

// The touchpad JSON of a TOUCHPAD message.
std::string touchpadJson(const TouchpadInfo& info);
// Absent when the text is not such JSON.
std::optional<TouchpadInfo> touchpadFromJson(std::string_view json, std::uint32_t deviceId);

} // namespace rimglider::broker
