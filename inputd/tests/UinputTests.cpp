// The virtual keyboard through libevdev's uinput code, against a /dev/uinput emulated in this
// process: what reaches the kernel for each post, and when.
#include "EmulatedInput.h"
#include "FakeUinput.h"
#include "InProcessBroker.h"
#include "RecordingKeys.h"
#include "UinputKeySink.h"
#include "VirtualKeyboard.h"

#include <gtest/gtest.h>

#include <set>

using namespace rimglider::broker;
using namespace rimglider::inputd;
using namespace rimglider::inputd::test;

namespace {

using Written = VirtualKeyboard::KeyEvent;

std::vector<Written> events(const FakeUinput& uinput)
{
    std::vector<Written> out;
    for (const auto& device : uinput.devices())
        for (const input_event& e : device.written)
            out.push_back({e.type, e.code, e.value});
    return out;
}

const VirtualKeyboard::SinkFactory uinputSinks = []() -> std::unique_ptr<KeySink> {
    std::string error;
    return UinputKeySink::create(error);
};

} // namespace

TEST(Uinput, KeysPostedRightAfterTheServiceStartsAreWrittenOnceUdevAnnouncesTheDevice)
{
    EmulatedInput emulation;
    FakeUinput uinput(emulation);
    BrokerConfig config;
    config.keySinkFactory = uinputSinks;
    InProcessBroker broker(config, true);

    const auto client = broker.greeted();
    ASSERT_EQ(uinput.devices().size(), 1u); // made for the first client, before any key
    EXPECT_EQ(uinput.device("Rimglider virtual keys").description.codes.at(EV_KEY),
              (std::set<std::uint16_t>{KEY_VOLUMEUP, KEY_VOLUMEDOWN, KEY_BRIGHTNESSUP, KEY_BRIGHTNESSDOWN, KEY_MUTE,
                                       KEY_PLAYPAUSE, KEY_NEXTSONG, KEY_PREVIOUSSONG, KEY_LEFTSHIFT}));
    client->send(PostSystemKey{SystemKey::soundDown, false}, 2);
    client->send(PostSystemKey{SystemKey::nextTrack, true}, 3);
    broker.settle();
    EXPECT_TRUE(events(uinput).empty()); // nobody could have read it yet

    // udev's "add" of the device's event node (its input node is what UI_GET_SYSNAME named).
    emulation.addBare("Rimglider virtual keys", 42, {"ID_INPUT=1", "ID_INPUT_KEY=1", "ID_INPUT_KEYBOARD=1"});
    for (int round = 0; round < 200 && events(uinput).size() < 12; ++round)
        broker.broker().dispatch(10);
    EXPECT_EQ(events(uinput), (std::vector<Written>{key(KEY_VOLUMEDOWN, 1), report, key(KEY_VOLUMEDOWN, 0), report,
                                                    key(KEY_LEFTSHIFT, 1), report, key(KEY_NEXTSONG, 1), report,
                                                    key(KEY_NEXTSONG, 0), report, key(KEY_LEFTSHIFT, 0), report}));
    EXPECT_FALSE(client->receive(std::chrono::milliseconds(0))); // posts are answered only on failure
    EXPECT_EQ(uinput.devices().size(), 1u);
}

TEST(Uinput, RefusedDeviceMakesThePostUnavailableAndNothingIsWritten)
{
    EmulatedInput emulation;
    FakeUinput uinput(emulation);
    uinput.failCreate(EPERM);

    VirtualKeyboard keyboard(uinputSinks);
    EXPECT_FALSE(keyboard.post(SystemKey::mute, false, {}));
    EXPECT_TRUE(uinput.devices().empty());
    uinput.failCreate(0);
    EXPECT_TRUE(keyboard.post(SystemKey::mute, false, {}));                           // tried again on the next post
    keyboard.expire(VirtualKeyboard::TimePoint{} + VirtualKeyboard::announceTimeout); // udev never tells here
    EXPECT_EQ(events(uinput).size(), 4u);
}
