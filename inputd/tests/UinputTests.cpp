// The virtual keyboard through libevdev's uinput code, against a /dev/uinput emulated in this
// process: what reaches the kernel for each post, and when.
#include "EmulatedInput.h"
#include "InProcessBroker.h"
#include "IoctlHandler.h"
#include "UinputKeySink.h"
#include "VirtualKeyboard.h"

#include <gtest/gtest.h>

#include <linux/uinput.h>
#include <umockdev.h>

#include <atomic>
#include <cstring>
#include <set>

using namespace rimglider::broker;
using namespace rimglider::inputd;
using namespace rimglider::inputd::test;

namespace {

struct FakeUinput {
    std::mutex mutex;
    std::string name;
    std::set<unsigned long> keys;
    int created = 0;
    int failCreateWith = 0;
};

IoctlHandler::OnIoctl uinput(FakeUinput& fake)
{
    return [&fake](unsigned long request, UMockdevIoctlData* arg) -> IoctlHandler::Answer {
        std::lock_guard lock(fake.mutex);
        if (_IOC_TYPE(request) == UINPUT_IOCTL_BASE && _IOC_NR(request) == _IOC_NR(UI_GET_SYSNAME(0))) {
            UMockdevIoctlData* buffer = IoctlHandler::resolve(arg, _IOC_SIZE(request));
            std::strcpy(reinterpret_cast<char*>(buffer->data), "input42");
            return {0, 0};
        }
        switch (request) {
        case UI_GET_VERSION:
            *reinterpret_cast<unsigned*>(IoctlHandler::resolve(arg, sizeof(unsigned))->data) = 5;
            return {0, 0};
        case UI_SET_KEYBIT:
            fake.keys.insert(IoctlHandler::value(arg));
            return {0, 0};
        case UI_SET_EVBIT:
        case UI_SET_PROPBIT:
        case UI_SET_PHYS:
        case UI_DEV_DESTROY:
            return {0, 0};
        case UI_DEV_SETUP: {
            uinput_setup setup{};
            std::memcpy(&setup, IoctlHandler::resolve(arg, sizeof setup)->data, sizeof setup);
            fake.name = setup.name;
            return {0, 0};
        }
        case UI_DEV_CREATE:
            if (fake.failCreateWith) return {-1, fake.failCreateWith};
            ++fake.created;
            return {0, 0};
        default:
            return {-1, ENOTTY};
        }
    };
}

struct Written {
    std::uint16_t type, code;
    std::int32_t value;
    friend bool operator==(const Written&, const Written&) = default;
};

std::vector<Written> events(const IoctlHandler& handler)
{
    std::vector<Written> out;
    for (const input_event& e : handler.written())
        out.push_back({e.type, e.code, e.value});
    return out;
}

Written key(std::uint16_t code, std::int32_t value)
{
    return {EV_KEY, code, value};
}

const Written report{EV_SYN, SYN_REPORT, 0};

VirtualKeyboard::SinkFactory uinputSinks()
{
    return []() -> std::unique_ptr<KeySink> {
        std::string error;
        return UinputKeySink::create(error);
    };
}

} // namespace

TEST(Uinput, KeysPostedRightAfterTheServiceStartsAreWrittenOnceUdevAnnouncesTheDevice)
{
    EmulatedInput emulation;
    emulation.addUinput();
    FakeUinput fake;
    IoctlHandler handler(emulation.testbed(), "/dev/uinput", uinput(fake));
    BrokerConfig config;
    config.brokerUid = geteuid();
    config.keySinkFactory = uinputSinks();
    InProcessBroker broker(config, true);

    const auto client = broker.connectAs(geteuid());
    client->send(Hello{1}, 1);
    ASSERT_TRUE(broker.next(*client));
    {
        std::lock_guard lock(fake.mutex); // made for the first client, before any key
        EXPECT_EQ(fake.created, 1);
        EXPECT_EQ(fake.name, "Rimglider virtual keys");
        EXPECT_EQ(fake.keys,
                  (std::set<unsigned long>{KEY_VOLUMEUP, KEY_VOLUMEDOWN, KEY_BRIGHTNESSUP, KEY_BRIGHTNESSDOWN, KEY_MUTE,
                                           KEY_PLAYPAUSE, KEY_NEXTSONG, KEY_PREVIOUSSONG, KEY_LEFTSHIFT}));
    }
    client->send(PostSystemKey{SystemKey::soundDown, false}, 2);
    client->send(PostSystemKey{SystemKey::nextTrack, true}, 3);
    broker.settle();
    EXPECT_TRUE(handler.written().empty()); // nobody could have read it yet

    // udev's "add" of the device's event node (its input node is what UI_GET_SYSNAME named).
    emulation.addBare("Rimglider virtual keys", 42, {"ID_INPUT=1", "ID_INPUT_KEY=1", "ID_INPUT_KEYBOARD=1"});
    for (int round = 0; round < 200 && handler.written().size() < 12; ++round)
        broker.broker().dispatch(10);
    EXPECT_EQ(events(handler), (std::vector<Written>{key(KEY_VOLUMEDOWN, 1), report, key(KEY_VOLUMEDOWN, 0), report,
                                                     key(KEY_LEFTSHIFT, 1), report, key(KEY_NEXTSONG, 1), report,
                                                     key(KEY_NEXTSONG, 0), report, key(KEY_LEFTSHIFT, 0), report}));
    EXPECT_FALSE(client->receive(std::chrono::milliseconds(0))); // posts are answered only on failure
    std::lock_guard lock(fake.mutex);
    EXPECT_EQ(fake.created, 1);
}

TEST(Uinput, RefusedDeviceMakesThePostUnavailableAndNothingIsWritten)
{
    EmulatedInput emulation;
    emulation.addUinput();
    FakeUinput fake;
    fake.failCreateWith = EPERM;
    IoctlHandler handler(emulation.testbed(), "/dev/uinput", uinput(fake));

    VirtualKeyboard keyboard(uinputSinks());
    EXPECT_FALSE(keyboard.post(SystemKey::mute, false, {}));
    EXPECT_TRUE(handler.written().empty());
    {
        std::lock_guard lock(fake.mutex);
        fake.failCreateWith = 0;
    }
    EXPECT_TRUE(keyboard.post(SystemKey::mute, false, {}));                           // tried again on the next post
    keyboard.expire(VirtualKeyboard::TimePoint{} + VirtualKeyboard::announceTimeout); // udev never tells here
    EXPECT_EQ(events(handler).size(), 4u);
}
