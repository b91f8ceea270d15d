// When posted keys are written: the exact sequences, and a device that cannot be made at all, are
// checked through uinput (UinputTests).
#include "VirtualKeyboard.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

using namespace rimglider::inputd;
using namespace std::chrono_literals;
using rimglider::broker::SystemKey;
using Event = VirtualKeyboard::KeyEvent;

namespace {

struct Recording {
    std::vector<Event> events;
    int made = 0;
    int writes = 0;
    int failAt = -1; // the write that fails, once
};

class RecordingSink : public KeySink {
  public:
    RecordingSink(Recording& r, std::string sysname) : r_(r), sysname_(std::move(sysname)) {}
    bool emit(std::uint16_t type, std::uint16_t code, std::int32_t value) override
    {
        if (r_.writes++ == r_.failAt) return false;
        r_.events.push_back({type, code, value});
        return true;
    }
    [[nodiscard]] std::string sysname() const override { return sysname_; }

  private:
    Recording& r_;
    std::string sysname_;
};

// Each device made is input<N>, N counting from 1.
VirtualKeyboard::SinkFactory factory(Recording& r)
{
    return [&r]() -> std::unique_ptr<KeySink> {
        return std::make_unique<RecordingSink>(r, "input" + std::to_string(++r.made));
    };
}

const Event report{EV_SYN, SYN_REPORT, 0};

Event key(std::uint16_t code, std::int32_t value)
{
    return {EV_KEY, code, value};
}

const std::vector<Event> muteKey = {key(KEY_MUTE, 1), report, key(KEY_MUTE, 0), report};
const VirtualKeyboard::TimePoint start{};

} // namespace

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
        Recording r;
        VirtualKeyboard keyboard(factory(r));
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
    Recording r;
    r.failAt = 1; // the key went down, its sync failed
    VirtualKeyboard keyboard(factory(r));
    ASSERT_TRUE(keyboard.prepare(start));
    keyboard.announced("input1", start);
    ASSERT_TRUE(keyboard.post(SystemKey::mute, false, start + 5s));
    EXPECT_EQ(r.made, 2);
    r.events.clear();
    keyboard.announced("input1", start + 5s); // the old device's: not the one to wait for
    EXPECT_TRUE(r.events.empty());
    keyboard.announced("input2", start + 5s);
    EXPECT_EQ(r.events, muteKey);
}
