// When posted keys are written: the exact sequences, and a device that cannot be made at all, are
// checked through uinput (UinputTests).
#include "RecordingKeys.h"
#include "VirtualKeyboard.h"

#include <gtest/gtest.h>

using namespace rimglider::inputd;
using namespace rimglider::inputd::test;
using namespace std::chrono_literals;
using rimglider::broker::SystemKey;
using Event = VirtualKeyboard::KeyEvent;

const VirtualKeyboard::TimePoint start{};

TEST(VirtualKeyboard, KeysWaitForTheNewDevicesAnnouncementOrOneSecond)
{
    struct Case {
        const char* name;
        std::optional<std::string> announcement; // at 300 ms
        std::chrono::milliseconds writtenAt;
    };
    for (const Case& c : {Case{"announced", "input1", 300ms}, Case{"another device announced", "input9", 1000ms},
                          Case{"never announced", std::nullopt, 1000ms}}) {
        SCOPED_TRACE(c.name);
        RecordingKeys r;
        VirtualKeyboard keyboard(r.factory());
        ASSERT_TRUE(keyboard.prepare(start));
        ASSERT_TRUE(keyboard.post(SystemKey::mute, false, start + 100ms));
        ASSERT_TRUE(keyboard.post(SystemKey::playPause, false, start + 200ms));
        EXPECT_EQ(keyboard.deadline(), start + 1s);
        if (c.announcement) keyboard.announced(*c.announcement, start + 300ms);
        keyboard.expire(start + 999ms);
        EXPECT_EQ(r.events.size(), c.writtenAt == 300ms ? 8u : 0u);
        keyboard.expire(start + 1s);
        ASSERT_EQ(r.events.size(), 8u); // both, in order
        EXPECT_EQ(r.events[0], key(KEY_MUTE, 1));
        EXPECT_EQ(r.events[4], key(KEY_PLAYPAUSE, 1));
        EXPECT_EQ(keyboard.deadline(), std::nullopt);
        ASSERT_TRUE(keyboard.post(SystemKey::mute, false, start + 2s)); // from now on at once
        EXPECT_EQ(r.events.size(), 12u);
    }
}

TEST(VirtualKeyboard, BrokenDeviceIsMadeAnewAndItsKeyWaitsForTheNewOne)
{
    RecordingKeys r;
    r.failAt = 1; // the key went down, its sync failed
    VirtualKeyboard keyboard(r.factory());
    ASSERT_TRUE(keyboard.prepare(start));
    keyboard.announced("input1", start);
    ASSERT_TRUE(keyboard.post(SystemKey::mute, false, start + 5s));
    EXPECT_EQ(r.made, 2);
    r.events.clear();
    keyboard.announced("input1", start + 5s); // the old device's: not the one to wait for
    EXPECT_TRUE(r.events.empty());
    keyboard.announced("input2", start + 5s);
    EXPECT_EQ(r.events, (std::vector<Event>{key(KEY_MUTE, 1), report, key(KEY_MUTE, 0), report}));
}
