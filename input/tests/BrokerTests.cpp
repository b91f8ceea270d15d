// The broker protocol's bytes, and the client side of a connection: opening it in the broker's
// version or saying why not, a peer that never answers, receiving with a timeout, skipping what a
// later protocol adds.
#include "RimgliderInput/BrokerConnection.h"
#include "RimgliderInput/BrokerProtocol.h"

#include "FakeBroker.h"
#include "SocketFolder.h"
#include "TempSocket.h"

#include <gtest/gtest.h>

#include <map>

using namespace rimglider;
using namespace rimglider::broker;
using Outcome = RequestDecoding::Outcome;
using Bytes = std::vector<std::uint8_t>;
using rimglider::test::FakeBroker;
using rimglider::test::SocketFolder;
using Kind = BrokerConnection::Failure::Kind;
using namespace std::chrono_literals;

namespace {

TouchpadInfo sampleTouchpad()
{
    DeviceDescription d;
    d.name = "SynPS/2 Synaptics TouchPad \"quoted\" ünï";
    d.id = {17, 2, 7, 433};
    d.properties = {INPUT_PROP_POINTER, INPUT_PROP_BUTTONPAD};
    d.codes[EV_SYN] = {SYN_REPORT, SYN_DROPPED};
    d.codes[EV_KEY] = {BTN_LEFT, BTN_TOOL_FINGER, BTN_TOUCH};
    d.codes[EV_ABS] = {ABS_X, ABS_Y, ABS_MT_SLOT, ABS_MT_POSITION_X};
    d.absInfo[ABS_X] = {0, 1472, 5472, 0, 0, 60};
    d.absInfo[ABS_MT_POSITION_X] = {-5, -2147483647 - 1, 2147483647, 8, 0, 60};
    d.udevProperties = {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1", "LIBINPUT_FUZZ_00=8"};
    return {.deviceId = 7, .description = d, .builtIn = true, .forceFeedback = true, .seat = "seat1"};
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

BrokerConnection::Failure failureOf(std::variant<BrokerConnection, BrokerConnection::Failure> opened)
{
    const auto* failure = std::get_if<BrokerConnection::Failure>(&opened);
    EXPECT_TRUE(failure);
    return failure ? *failure : BrokerConnection::Failure{};
}

} // namespace

// Each kind's bytes both ways, with values at the edges of their ranges: little-endian, no
// padding. (Every kind is in the committed fuzz corpus, replayed by every test run.)
TEST(BrokerProtocol, WireLayoutIsLittleEndianWithoutPadding)
{
    const Time t{0x0102030405060708, 999999}; // 999999 = 0x000F423F
    const Bytes time = {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0x3F, 0x42, 0x0F, 0x00};
    const std::pair<ClientMessage, Bytes> requests[] = {
        {{0x01020304, PlayEffect{0x0A0B0C0D, -2147483647 - 1}},
         header(0x0008, 0, 0x01020304) + Bytes{0x0D, 0x0C, 0x0B, 0x0A, 0, 0, 0, 0x80}},
        {{5, PostSystemKey{SystemKey::mute, true}}, header(0x0007, 0, 5) + Bytes{7, 1}},
        {{6, HideContact{2, 0x0102, false}}, header(0x000A, 0, 6) + Bytes{2, 0, 0, 0, 2, 1, 0, 0, 0}},
        {{0xFFFFFFFF, SetClickGuard{2, true, t, 250, {5, -2 + 0x10000}}},
         header(0x000B, 0, 0xFFFFFFFF) + Bytes{2, 0, 0, 0, 1} + time + Bytes{250, 0, 2} +
             Bytes{5, 0, 0, 0, 0xFE, 0xFF, 0, 0}},
    };
    for (const auto& [request, bytes] : requests) {
        EXPECT_EQ(encode(request), bytes);
        EXPECT_EQ(decodeRequest(bytes).message, request);
    }
    const std::pair<BrokerMessage, Bytes> messages[] = {
        {{0, Events{0x11223344, true, {{t, EV_ABS, ABS_MT_TRACKING_ID, -1}}}},
         header(0x8006, 1, 0) + Bytes{0x44, 0x33, 0x22, 0x11, 1, 0} + time +
             Bytes{0x03, 0x00, 0x39, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
        {{9, Button{t, 0x0102, true}}, header(0x800A, 0, 9) + time + Bytes{2, 1, 1}},
        {{0, Modifiers{t, GestureEngineKit::ModifierState(0x1F)}}, header(0x8009, 0, 0) + time + Bytes{0x1F}},
        {{0, KeyDown{t}}, header(0x8008, 0, 0) + time},
        {{3, Welcome{1, 1000, true}}, header(0x8001, 0, 3) + Bytes{1, 0, 0, 0, 0xE8, 0x03, 0, 0, 1, 0, 0, 0}},
        {{3, Error{ErrorCode::badArgument, "ab"}}, header(0x8002, 0, 3) + Bytes{2, 0, 'a', 'b'}},
        {{7, Exclusive{2, ExclusiveState::waiting, ExclusiveReason::grabBusy, 0x01020304}},
         header(0x800E, 0, 7) + Bytes{2, 0, 0, 0, 1, 3, 4, 3, 2, 1}},
        {{7, Exclusive{2, ExclusiveState::off, ExclusiveReason(200), 0}}, // a later version's reason is kept
         header(0x800E, 0, 7) + Bytes{2, 0, 0, 0, 0, 200, 0, 0, 0, 0}},
    };
    for (const auto& [message, bytes] : messages) {
        EXPECT_EQ(encode(message), bytes);
        EXPECT_EQ(decodeBrokerMessage(bytes), message);
    }
    // Full: every contact a guard may hold, a batch of the most events, a touchpad.
    const ClientMessage guard{
        1,
        SetClickGuard{4, true, {12, 999999}, maxGraceMilliseconds, std::vector<std::int32_t>(maxClaimedContacts, 7)}};
    EXPECT_EQ(decodeRequest(encode(guard)).message, guard);
    for (const Message& m : {Message(Events{6, false, std::vector<WireEvent>(maxEventsPerBatch, {t, EV_ABS, 0, -1})}),
                             Message(Touchpad{sampleTouchpad()})}) {
        const Bytes bytes = encode(BrokerMessage{77, m});
        EXPECT_LE(bytes.size(), maxBrokerMessageSize);
        EXPECT_EQ(decodeBrokerMessage(bytes), (BrokerMessage{77, m})) << m.index();
    }
}

TEST(BrokerProtocol, MalformedRequestsAreToldApartFromUnknownAndBadArguments)
{
    Bytes unknownTooLong = header(0x7777, 0, 1);
    unknownTooLong.resize(maxRequestSize + 1);
    const std::vector<Bytes> malformed = {
        {},
        Bytes(7, 0),
        header(0x0001, 1, 1) + Bytes{1, 0, 0, 0},    // HELLO with a flag set
        header(0x0001, 0, 1) + Bytes{1, 0, 0, 0, 0}, // HELLO one byte long
        header(0x0001, 0, 1) + Bytes{1, 0, 0},       // and one byte short
        header(0x0002, 0, 1) + Bytes{0},             // LIST_TOUCHPADS takes no payload
        header(0x0007, 0, 1) + Bytes{0},             // POST_SYSTEM_KEY short
        header(0x0008, 0, 1) + Bytes(7, 0),          // PLAY_EFFECT short
        header(0x7777, 2, 1),                        // unknown type but flags set
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

    const auto guard = [](std::uint16_t grace, std::vector<std::int32_t> ids, bool guarding = true,
                          std::uint32_t micro = 0) {
        return encode(ClientMessage{33, SetClickGuard{1, guarding, {0, micro}, grace, std::move(ids)}});
    };
    Bytes guardingTwo = guard(0, {5});
    guardingTwo[12] = 2;
    Bytes tooManyContacts = guard(0, std::vector<std::int32_t>(maxClaimedContacts, 5));
    tooManyContacts[27] = maxClaimedContacts + 1;
    tooManyContacts.insert(tooManyContacts.end(), {5, 0, 0, 0});
    const std::vector<Bytes> badArguments = {
        header(0x0007, 0, 33) + Bytes{19, 1}, // no such key (every code's key: below)
        header(0x0007, 0, 33) + Bytes{0, 2},
        header(0x0009, 0, 33) + Bytes{1, 0, 0, 0, 2},                // SET_EXCLUSIVE on = 2
        header(0x000A, 0, 33) + Bytes{1, 0, 0, 0, 0, 0, 0, 0x80, 1}, // negative tracking id
        header(0x000A, 0, 33) + Bytes{1, 0, 0, 0, 5, 0, 0, 0, 2},
        guardingTwo,
        guard(0, {5}, true, 1000000),
        guard(maxGraceMilliseconds + 1, {5}),
        tooManyContacts,
        guard(0, {}), // guarding with no contact to end it
        guard(0, {-1}, false),
    };
    for (const Bytes& packet : badArguments) {
        const auto decoded = decodeRequest(packet);
        EXPECT_EQ(decoded.outcome, Outcome::badArgument) << packet.size();
        EXPECT_EQ(decoded.serial, 33u);
    }
    Bytes countBeyondPacket = guard(0, {5, 5});
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
    EXPECT_EQ(info->description.id, (InputId{17, 2, 7, 433}));
    EXPECT_EQ(info->description.properties, (std::set<std::uint16_t>{0, 2}));
    EXPECT_EQ(info->description.absInfo.at(ABS_MT_POSITION_X), (AbsInfo{0, 1472, 5472, 0, 0, 60}));
    EXPECT_TRUE(info->description.hasUdevProperty("ID_INPUT_TOUCHPAD_INTEGRATION=internal"));
    EXPECT_TRUE(info->builtIn && !info->forceFeedback);

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
    std::map<int, std::uint16_t> mapped;
    for (int code = 0; code < 256; ++code)
        if (const auto key = systemKeyFromCode(std::uint8_t(code))) mapped[code] = linuxKeyCode(*key);
    EXPECT_EQ(mapped, table);
}

// (The variable followed: every recorder test.)
TEST(BrokerProtocol, AnEmptySocketVariableMeansTheDefaultPath)
{
    setenv("RIMGLIDER_INPUTD_SOCKET", "", 1);
    EXPECT_EQ(socketPath(), defaultSocketPath);
    unsetenv("RIMGLIDER_INPUTD_SOCKET");
}

TEST(BrokerConnection, OpensWithHelloInTheBrokersVersionAndSaysWhyItCouldNot)
{
    SocketFolder folder;
    {
        const auto failure = failureOf(BrokerConnection::open(folder.path(), 500ms));
        EXPECT_EQ(failure.kind, Kind::unreachable);
        EXPECT_NE(failure.message.find(folder.path()), std::string::npos) << failure.message;
    }
    EXPECT_EQ(failureOf(BrokerConnection::open(std::string(200, 'x'), 500ms)).kind, Kind::unreachable);

    FakeBroker broker(folder.path());
    auto opened = BrokerConnection::open(folder.path(), 2s);
    ASSERT_TRUE(std::holds_alternative<BrokerConnection>(opened));
    EXPECT_EQ(std::get<BrokerConnection>(opened).welcome().uid, ::getuid());
    EXPECT_EQ(broker.requestsOf<Hello>(), std::vector<Hello>{Hello{protocolVersion}});

    // Refused at once on connecting (the HELLO may meet a closed socket) or beyond the user's
    // limit: either way the broker's ERROR is read.
    for (const auto& [code, kind] :
         {std::pair{ErrorCode::refused, Kind::refused}, {ErrorCode::tooManyClients, Kind::busy}}) {
        broker.refuseClients(true, code);
        for (int attempt = 0; attempt < 20; ++attempt) {
            const auto refused = failureOf(BrokerConnection::open(folder.path(), 2s));
            ASSERT_EQ(refused.kind, kind) << refused.message;
            EXPECT_NE(refused.message.find("uid"), std::string::npos) << refused.message; // the broker's explanation
        }
    }

    broker.refuseClients(false);
    broker.speakUpTo(1); // an older broker is spoken to in its own version
    opened = BrokerConnection::open(folder.path(), 2s);
    ASSERT_TRUE(std::holds_alternative<BrokerConnection>(opened));
    EXPECT_EQ(std::get<BrokerConnection>(opened).welcome().version, 1u);
    EXPECT_EQ(broker.requestsOf<Hello>().back(), Hello{1});
    broker.speakUpTo(0); // speaks nothing this client knows
    EXPECT_EQ(failureOf(BrokerConnection::open(folder.path(), 2s)).kind, Kind::protocol);

    // A peer that listens but never accepts nor answers: the HELLO exchange gives up on its own.
    const rimglider::inputd::test::TempSocket silent;
    const auto unanswered = failureOf(BrokerConnection::open(silent.path(), 50ms));
    EXPECT_EQ(unanswered.kind, Kind::unreachable);
    EXPECT_NE(unanswered.message.find("no answer to HELLO"), std::string::npos) << unanswered.message;
    ::close(silent.fd());
}

TEST(BrokerConnection, ReceivesInOrderSkipsUnknownTypesAndEndsOnClose)
{
    SocketFolder folder;
    FakeBroker broker(folder.path());
    auto connection = std::get<BrokerConnection>(BrokerConnection::open(folder.path(), 2s));
    BrokerMessage message;
    EXPECT_EQ(connection.receive(message, 0ms), BrokerConnection::Received::timeout);

    ASSERT_TRUE(connection.send(SubscribeKeys{}, 7));
    ASSERT_EQ(connection.receive(message, 2s), BrokerConnection::Received::message);
    EXPECT_EQ(message.serial, 7u);
    EXPECT_TRUE(std::holds_alternative<Modifiers>(message.message));

    broker.broadcastRaw({0x7f, 0x80, 0, 0, 0, 0, 0, 0, 1, 2, 3}); // a type of a later version
    broker.broadcast(Ping{41});                                   // answered by the reader itself
    broker.sendKeys(KeyDown{{12, 500000}});
    ASSERT_EQ(connection.receive(message, 2s), BrokerConnection::Received::message);
    EXPECT_EQ(message.message, Message(KeyDown{{12, 500000}}));
    ASSERT_TRUE(connection.send(SubscribeKeys{}, 8)); // answered after the PONG, which is then recorded
    ASSERT_EQ(connection.receive(message, 2s), BrokerConnection::Received::message);
    EXPECT_EQ(broker.requestsOf<Pong>(), std::vector<Pong>{Pong{41}});

    broker.disconnectAll();
    EXPECT_EQ(connection.receive(message, 2s), BrokerConnection::Received::closed);
    EXPECT_FALSE(connection.send(ListTouchpads{}));
}
