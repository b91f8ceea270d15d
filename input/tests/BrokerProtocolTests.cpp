#include "RimgliderInput/BrokerProtocol.h"

#include <gtest/gtest.h>

#include <map>

using namespace rimglider;
using namespace rimglider::broker;
using Outcome = RequestDecoding::Outcome;
using Bytes = std::vector<std::uint8_t>;

namespace {

TouchpadInfo sampleTouchpad()
{
    TouchpadInfo info;
    info.deviceId = 7;
    DeviceDescription& d = info.description;
    d.name = "SynPS/2 Synaptics TouchPad \"quoted\" ünï";
    d.id = {17, 2, 7, 433};
    d.properties = {INPUT_PROP_POINTER, INPUT_PROP_BUTTONPAD};
    d.codes[EV_SYN] = {SYN_REPORT, SYN_DROPPED};
    d.codes[EV_KEY] = {BTN_LEFT, BTN_TOOL_FINGER, BTN_TOUCH};
    d.codes[EV_ABS] = {ABS_X, ABS_Y, ABS_MT_SLOT, ABS_MT_POSITION_X};
    d.absInfo[ABS_X] = {0, 1472, 5472, 0, 0, 60};
    d.absInfo[ABS_MT_POSITION_X] = {-5, -2147483647 - 1, 2147483647, 8, 0, 60};
    d.udevProperties = {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1", "LIBINPUT_FUZZ_00=8"};
    info.builtIn = true;
    info.forceFeedback = true;
    info.seat = "seat1";
    return info;
}

Bytes header(std::uint16_t type, std::uint16_t flags, std::uint32_t serial)
{
    return {Bytes::value_type(type),         Bytes::value_type(type >> 8),   Bytes::value_type(flags),
            Bytes::value_type(flags >> 8),   Bytes::value_type(serial),      Bytes::value_type(serial >> 8),
            Bytes::value_type(serial >> 16), Bytes::value_type(serial >> 24)};
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

// Every message type round-trips through the committed fuzz corpus (one packet per type),
// replayed by every test run; here the edges of the ranges.
TEST(BrokerProtocol, ExtremeValuesAndAFullBatchRoundTrip)
{
    for (const Request& r :
         {Request(PlayEffect{0xDEADBEEF, -2147483647 - 1}),
          Request(SetClickGuard{
              4, true, {12, 999999}, maxGraceMilliseconds, std::vector<std::int32_t>(maxClaimedContacts, 7)})}) {
        const ClientMessage request{0xFFFFFFFF, r};
        EXPECT_EQ(decodeRequest(encode(request)).message, request);
    }
    std::vector<WireEvent> full(maxEventsPerBatch, WireEvent{{1234567890123, 999999}, EV_ABS, ABS_MT_SLOT, -1});
    for (const Message& m : {Message(Events{6, false, full}), Message(Touchpad{sampleTouchpad()}),
                             Message(Modifiers{{-3, 5}, GestureEngineKit::ModifierState(0x1F)}),
                             Message(Exclusive{3, ExclusiveState::off, ExclusiveReason(200), 0xFFFFFFFF})}) {
        const BrokerMessage message{77, m};
        const Bytes bytes = encode(message);
        EXPECT_LE(bytes.size(), maxBrokerMessageSize);
        EXPECT_EQ(decodeBrokerMessage(bytes), message) << m.index();
    }
}

TEST(BrokerProtocol, WireLayoutIsLittleEndianWithoutPadding)
{
    const auto client = [](std::uint32_t serial, Request request) { return encode(ClientMessage{serial, request}); };
    const auto broker = [](std::uint32_t serial, Message message) { return encode(BrokerMessage{serial, message}); };
    EXPECT_EQ(client(0x01020304, PlayEffect{0x0A0B0C0D, -2}),
              (header(0x0008, 0, 0x01020304) + Bytes{0x0D, 0x0C, 0x0B, 0x0A, 0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(client(5, PostSystemKey{SystemKey::mute, true}), (header(0x0007, 0, 5) + Bytes{7, 1}));
    EXPECT_EQ(client(6, HideContact{2, 0x0102, false}), (header(0x000A, 0, 6) + Bytes{2, 0, 0, 0, 2, 1, 0, 0, 0}));

    const Time t{0x0102030405060708, 999999}; // 999999 = 0x000F423F
    const Bytes time = {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0x3F, 0x42, 0x0F, 0x00};
    const Events events{0x11223344, true, {{t, EV_ABS, ABS_MT_TRACKING_ID, -1}}};
    EXPECT_EQ(broker(0, events), (header(0x8006, 1, 0) + Bytes{0x44, 0x33, 0x22, 0x11, 1, 0} + time +
                                  Bytes{0x03, 0x00, 0x39, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(broker(9, Button{t, 0x0102, true}), (header(0x800A, 0, 9) + time + Bytes{2, 1, 1}));
    EXPECT_EQ(broker(0, Modifiers{t, GestureEngineKit::ModifierState::control}),
              (header(0x8009, 0, 0) + time + Bytes{2}));
    EXPECT_EQ(broker(0, KeyDown{t}), header(0x8008, 0, 0) + time);
    EXPECT_EQ(broker(3, Welcome{1, 1000, true}),
              (header(0x8001, 0, 3) + Bytes{1, 0, 0, 0, 0xE8, 0x03, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(broker(3, Error{ErrorCode::badArgument, "ab"}), (header(0x8002, 0, 3) + Bytes{2, 0, 'a', 'b'}));
    EXPECT_EQ(
        client(7, SetClickGuard{2, true, t, 250, {5, -2 + 0x10000}}),
        (header(0x000B, 0, 7) + Bytes{2, 0, 0, 0, 1} + time + Bytes{250, 0, 2} + Bytes{5, 0, 0, 0, 0xFE, 0xFF, 0, 0}));
    EXPECT_EQ(broker(7, Exclusive{2, ExclusiveState::waiting, ExclusiveReason::grabBusy, 0x01020304}),
              (header(0x800E, 0, 7) + Bytes{2, 0, 0, 0, 1, 3, 4, 3, 2, 1}));
}

TEST(BrokerProtocol, MalformedRequestsAreToldApartFromUnknownAndBadArguments)
{
    const Bytes hello = encode(ClientMessage{1, Hello{1}});
    Bytes flagged = hello;
    flagged[2] = 1;
    Bytes longHello = hello;
    longHello.push_back(0);
    Bytes shortHello = hello;
    shortHello.pop_back();
    Bytes unknownTooLong = header(0x7777, 0, 1);
    unknownTooLong.resize(maxRequestSize + 1);
    const std::vector<Bytes> malformed = {
        {},
        Bytes(7, 0),
        flagged,
        longHello,
        shortHello,
        header(0x0002, 0, 1) + Bytes{0},    // LIST_TOUCHPADS takes no payload
        header(0x0007, 0, 1) + Bytes{0},    // POST_SYSTEM_KEY short
        header(0x0008, 0, 1) + Bytes(7, 0), // PLAY_EFFECT short
        header(0x7777, 2, 1),               // unknown type but flags set
        unknownTooLong,
    };
    for (const Bytes& packet : malformed)
        EXPECT_EQ(decodeRequest(packet).outcome, Outcome::malformed) << packet.size();

    Bytes unknownMax = header(0x7777, 0, 0xABCD);
    unknownMax.resize(maxRequestSize);
    for (const Bytes& packet : {header(0x7777, 0, 0xABCD), unknownMax, header(0x8001, 0, 0xABCD)}) {
        const auto decoded = decodeRequest(packet);
        EXPECT_EQ(decoded.outcome, Outcome::unknown);
        EXPECT_EQ(decoded.serial, 0xABCDu);
        EXPECT_FALSE(decoded.message);
    }

    const auto guard = [](std::uint8_t guarding, std::uint32_t micro, std::uint16_t grace, std::uint8_t count,
                          std::int32_t id) {
        Bytes b = header(0x000B, 0, 33) + Bytes{1, 0, 0, 0, guarding, 0, 0, 0, 0, 0, 0, 0, 0};
        for (int i = 0; i < 4; ++i)
            b.push_back(std::uint8_t(micro >> (8 * i)));
        b.insert(b.end(), {std::uint8_t(grace), std::uint8_t(grace >> 8), count});
        for (int n = 0; n < count; ++n)
            for (int i = 0; i < 4; ++i)
                b.push_back(std::uint8_t(std::uint32_t(id) >> (8 * i)));
        return b;
    };
    const std::vector<Bytes> badArguments = {
        header(0x0007, 0, 33) + Bytes{4, 0},
        header(0x0007, 0, 33) + Bytes{19, 1},
        header(0x0007, 0, 33) + Bytes{255, 0},
        header(0x0007, 0, 33) + Bytes{0, 2},
        header(0x0007, 0, 33) + Bytes{16, 255},
        header(0x0009, 0, 33) + Bytes{1, 0, 0, 0, 2},                // SET_EXCLUSIVE on = 2
        header(0x000A, 0, 33) + Bytes{1, 0, 0, 0, 0, 0, 0, 0x80, 1}, // negative tracking id
        header(0x000A, 0, 33) + Bytes{1, 0, 0, 0, 5, 0, 0, 0, 2},
        guard(2, 0, 0, 1, 5),
        guard(1, 1000000, 0, 1, 5),
        guard(1, 0, maxGraceMilliseconds + 1, 1, 5),
        guard(1, 0, 0, std::uint8_t(maxClaimedContacts + 1), 5),
        guard(1, 0, 0, 0, 5), // guarding with no contact to end it
        guard(0, 0, 0, 1, -1),
    };
    for (const Bytes& packet : badArguments) {
        const auto decoded = decodeRequest(packet);
        EXPECT_EQ(decoded.outcome, Outcome::badArgument) << packet.size();
        EXPECT_EQ(decoded.serial, 33u);
    }
    Bytes countBeyondPacket = guard(1, 0, 0, 2, 5);
    countBeyondPacket.resize(countBeyondPacket.size() - 4);
    EXPECT_EQ(decodeRequest(countBeyondPacket).outcome, Outcome::malformed);
    EXPECT_THROW(encode(ClientMessage{1, SetClickGuard{1, true, {}, 0, std::vector<std::int32_t>(33, 1)}}),
                 std::length_error);
}

TEST(BrokerProtocol, MalformedBrokerMessagesAreRefused)
{
    const Time t{1, 2};
    const Bytes events = encode(BrokerMessage{0, Events{1, false, {{t, 1, 2, 3}, {t, 0, 0, 0}}}});
    Bytes countTooHigh = events;
    countTooHigh[12] = 3;
    Bytes badMicroseconds = encode(BrokerMessage{0, KeyDown{t}});
    badMicroseconds[16] = 0x40, badMicroseconds[17] = 0x42, badMicroseconds[18] = 0x0F; // 1000000
    Bytes badDown = encode(BrokerMessage{0, Button{t, 1, true}});
    badDown.back() = 2;
    Bytes longError = header(0x8002, 0, 0) + Bytes{1, 0};
    longError.resize(longError.size() + maxErrorTextSize + 1, 'x');
    Bytes tooLarge = header(0x8004, 0, 0);
    tooLarge.resize(maxBrokerMessageSize + 1);
    const std::vector<Bytes> malformed = {
        Bytes(7, 0),
        countTooHigh,
        Bytes(events.begin(), events.end() - 1),
        badMicroseconds,
        badDown,
        longError,
        tooLarge,
        header(0x8003, 0, 0) + Bytes{1, 0, 0, 0} + Bytes{'{', '}'}, // JSON without the required keys
        header(0x8003, 0, 0) + Bytes{1, 0},
        header(0x8005, 0, 0) + Bytes{1, 0, 0},
        header(0x800C, 0, 0) + Bytes{0},
        header(0x800E, 0, 0) + Bytes{1, 0, 0, 0, 3, 0, 0, 0, 0, 0}, // no such state
        header(0x800F, 0, 0) + Bytes{1, 0, 0},
        header(0x8FFF, 0, 0), // a later version's type: ignored
        header(0x0001, 0, 0) + Bytes{1, 0, 0, 0},
    };
    for (const Bytes& packet : malformed)
        EXPECT_FALSE(decodeBrokerMessage(packet)) << packet.size();
}

TEST(BrokerProtocol, EventsBatchesAndErrorTextsStayWithinTheirLimits)
{
    std::vector<WireEvent> tooMany(maxEventsPerBatch + 1);
    EXPECT_THROW(encode(BrokerMessage{0, Events{1, false, tooMany}}), std::length_error);

    TouchpadInfo huge = sampleTouchpad();
    huge.description.name.assign(maxBrokerMessageSize, 'n');
    EXPECT_THROW(encode(BrokerMessage{0, Touchpad{huge}}), std::length_error);

    // 199 ASCII bytes then a two-byte character: cut before the character, not inside it.
    std::string text(199, 'a');
    text += "é";
    const auto decoded = decodeBrokerMessage(encode(BrokerMessage{0, Error{ErrorCode::unavailable, text + "tail"}}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::get<Error>(decoded->message).text, std::string(199, 'a'));
}

TEST(BrokerProtocol, TouchpadJsonReadsTheDocumentedFormAndIgnoresUnknownKeys)
{
    const std::string text =
        R"({"name":"SynPS/2 Synaptics TouchPad","id":{"bustype":17,"vendor":2,"product":7,"version":433},
 "properties":[0,2],"codes":{"0":[0,2],"1":[272,325,330],"3":[0,1,47,53,54,57]},
 "absinfo":{"0":[0,1472,5472,0,0,60],"53":[0,1472,5472,0,0,60]},
 "udev":["ID_INPUT=1","ID_INPUT_TOUCHPAD=1","ID_INPUT_TOUCHPAD_INTEGRATION=internal"],
 "builtIn":true,"forceFeedback":false,"seat":"seat0","future":{"x":1}})";
    const auto info = touchpadFromJson(text, 4);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->deviceId, 4u);
    EXPECT_EQ(info->description.id, (InputId{17, 2, 7, 433}));
    EXPECT_EQ(info->description.properties, (std::set<std::uint16_t>{0, 2}));
    EXPECT_EQ(info->description.absInfo.at(ABS_MT_POSITION_X), (AbsInfo{0, 1472, 5472, 0, 0, 60}));
    EXPECT_TRUE(info->description.hasUdevProperty("ID_INPUT_TOUCHPAD_INTEGRATION=internal"));
    EXPECT_TRUE(info->builtIn && !info->forceFeedback);

    EXPECT_EQ(touchpadFromJson(touchpadJson(sampleTouchpad()), 7), sampleTouchpad());

    const std::string valid = touchpadJson(sampleTouchpad());
    const auto pad = [](const char* bustype, const char* rest) {
        return R"({"name":"x","id":{"bustype":)" + std::string(bustype) +
               R"(,"vendor":0,"product":0,"version":0},"properties":[],)" + rest + "}";
    };
    EXPECT_TRUE(touchpadFromJson(pad("1", R"("codes":{},"absinfo":{})"), 1)); // the bad ones spoil just one thing
    for (const std::string& bad :
         {std::string("not json"), std::string("[]"), std::string(R"({"name":"x"})"), valid.substr(0, valid.size() - 1),
          pad("65536", R"("codes":{},"absinfo":{})"), pad("1", R"("codes":{"03":[1]},"absinfo":{})"),
          pad("1", R"("codes":{},"absinfo":{"0":[1,2,3]})"), pad("1", R"("codes":{},"absinfo":{},"builtIn":"yes")")})
        EXPECT_FALSE(touchpadFromJson(bad, 1)) << bad;

    TouchpadInfo binaryName = sampleTouchpad();
    binaryName.description.name = "pad\xff\xfe";
    EXPECT_TRUE(touchpadFromJson(touchpadJson(binaryName), 1)); // invalid UTF-8 is replaced, not thrown on
}

TEST(BrokerProtocol, SystemKeysMapToTheirLinuxKeysAndNothingElse)
{
    const std::map<int, std::uint16_t> table = {
        {0, KEY_VOLUMEUP}, {1, KEY_VOLUMEDOWN}, {2, KEY_BRIGHTNESSUP}, {3, KEY_BRIGHTNESSDOWN},
        {7, KEY_MUTE},     {16, KEY_PLAYPAUSE}, {17, KEY_NEXTSONG},    {18, KEY_PREVIOUSSONG},
    };
    for (int code = 0; code < 256; ++code) {
        const auto key = systemKeyFromCode(std::uint8_t(code));
        ASSERT_EQ(key.has_value(), table.contains(code)) << code;
        if (key) {
            EXPECT_EQ(linuxKeyCode(*key), table.at(code));
        }
    }
}

TEST(BrokerProtocol, SocketPathFollowsTheEnvironmentUnlessEmpty)
{
    setenv("RIMGLIDER_INPUTD_SOCKET", "/tmp/x.sock", 1);
    EXPECT_EQ(socketPath(), "/tmp/x.sock");
    setenv("RIMGLIDER_INPUTD_SOCKET", "", 1);
    EXPECT_EQ(socketPath(), defaultSocketPath);
    unsetenv("RIMGLIDER_INPUTD_SOCKET");
}
