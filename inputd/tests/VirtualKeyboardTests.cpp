#include "VirtualKeyboard.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

using namespace rimglider::inputd;
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
    explicit RecordingSink(Recording& r) : r_(r) {}
    bool emit(std::uint16_t type, std::uint16_t code, std::int32_t value) override
    {
        if (r_.writes++ == r_.failAt) return false;
        r_.events.push_back({type, code, value});
        return true;
    }

  private:
    Recording& r_;
};

VirtualKeyboard::SinkFactory factory(Recording& r, bool works = true)
{
    return [&r, works]() -> std::unique_ptr<KeySink> {
        ++r.made;
        if (!works) return nullptr;
        return std::make_unique<RecordingSink>(r);
    };
}

const Event report{EV_SYN, SYN_REPORT, 0};

Event key(std::uint16_t code, std::int32_t value)
{
    return {EV_KEY, code, value};
}

} // namespace

TEST(VirtualKeyboard, PostsKeyDownSyncKeyUpSyncAndWrapsFineStepsInShift)
{
    Recording r;
    VirtualKeyboard keyboard(factory(r));
    EXPECT_EQ(r.made, 0); // nothing is made before the first post
    ASSERT_TRUE(keyboard.post(SystemKey::soundUp, false));
    EXPECT_EQ(r.events, (std::vector<Event>{key(KEY_VOLUMEUP, 1), report, key(KEY_VOLUMEUP, 0), report}));

    r.events.clear();
    ASSERT_TRUE(keyboard.post(SystemKey::brightnessDown, true));
    EXPECT_EQ(r.events, (std::vector<Event>{key(KEY_LEFTSHIFT, 1), report, key(KEY_BRIGHTNESSDOWN, 1), report,
                                            key(KEY_BRIGHTNESSDOWN, 0), report, key(KEY_LEFTSHIFT, 0), report}));
    EXPECT_EQ(r.made, 1); // one device for every post
}

TEST(VirtualKeyboard, UnavailableDeviceFailsThePostAndIsTriedAgain)
{
    Recording r;
    VirtualKeyboard broken(factory(r, false));
    EXPECT_FALSE(broken.post(SystemKey::mute, false));
    EXPECT_FALSE(broken.post(SystemKey::mute, false));
    EXPECT_EQ(r.made, 2);
    EXPECT_TRUE(r.events.empty());

    // A write failing midway drops the device; the next post makes a new one and succeeds.
    Recording w;
    w.failAt = 1;
    VirtualKeyboard flaky(factory(w));
    EXPECT_FALSE(flaky.post(SystemKey::playPause, false));
    EXPECT_TRUE(flaky.post(SystemKey::playPause, false));
    EXPECT_EQ(w.made, 2);
}
