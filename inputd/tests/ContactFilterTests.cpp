// What the clone of a touchpad shows in exclusive mode, frame by frame: pass-through, hidden and
// shown contacts, clicks decided at the press, contacts replaced in place.
#include "ContactFilter.h"

#include <gtest/gtest.h>

#include <array>
#include <map>

using namespace rimglider;
using namespace rimglider::inputd;

namespace {

using E = std::array<int, 3>; // type, code, value
using Frames = std::vector<std::vector<E>>;
using Us = ContactFilter::Microseconds;

// Three slots, pressure, single-touch axes, one button: the clone, ABS_MT_TOOL_TYPE included.
DeviceDescription clone()
{
    DeviceDescription d;
    d.codes[EV_KEY] = {BTN_LEFT, BTN_TOOL_FINGER, BTN_TOUCH, BTN_TOOL_DOUBLETAP, BTN_TOOL_TRIPLETAP};
    d.codes[EV_MSC] = {MSC_TIMESTAMP};
    for (std::uint16_t code : {ABS_X, ABS_Y, ABS_PRESSURE, ABS_MT_POSITION_X, ABS_MT_POSITION_Y, ABS_MT_PRESSURE})
        d.absInfo[code] = {0, 0, 4000, 0, 0, 40};
    d.absInfo[ABS_MT_SLOT] = {0, 0, 2, 0, 0, 0};
    d.absInfo[ABS_MT_TRACKING_ID] = {0, 0, 65535, 0, 0, 0};
    d.absInfo[ABS_MT_TOOL_TYPE] = {0, 0, 2, 0, 0, 0};
    for (const auto& [code, info] : d.absInfo)
        d.codes[EV_ABS].insert(code);
    return d;
}

// The events the tests spell most, short enough for a frame to fit a line.
const auto mtSlot = [](int v) { return E{EV_ABS, ABS_MT_SLOT, v}; };
const auto mtId = [](int v) { return E{EV_ABS, ABS_MT_TRACKING_ID, v}; };
const auto mtX = [](int v) { return E{EV_ABS, ABS_MT_POSITION_X, v}; };
const auto mtY = [](int v) { return E{EV_ABS, ABS_MT_POSITION_Y, v}; };
const auto mtTool = [](int v) { return E{EV_ABS, ABS_MT_TOOL_TYPE, v}; };
const auto stX = [](int v) { return E{EV_ABS, ABS_X, v}; };
const auto stY = [](int v) { return E{EV_ABS, ABS_Y, v}; };
const auto stPressure = [](int v) { return E{EV_ABS, ABS_PRESSURE, v}; };
const auto key = [](int code, int v) { return E{EV_KEY, code, v}; };

class Filter : public ::testing::Test {
  protected:
    // One real frame at time `t` (in ms); the frames written to the clone, SYN_REPORTs checked and left out.
    Frames frame(Us t, std::vector<E> events)
    {
        ContactFilter::Frames out;
        events.push_back({EV_SYN, SYN_REPORT, 0});
        for (const E& e : events)
            filter.push(event(t, e), out);
        return strip(out);
    }
    static input_event event(Us t, const E& e)
    {
        return {{t / 1000, t % 1000 * 1000}, std::uint16_t(e[0]), std::uint16_t(e[1]), e[2]};
    }
    static Frames strip(const ContactFilter::Frames& frames)
    {
        Frames out;
        for (const auto& f : frames) {
            EXPECT_TRUE(!f.empty() && f.back().type == EV_SYN && f.back().code == SYN_REPORT) << "no SYN_REPORT";
            std::vector<E> events;
            for (std::size_t i = 0; i + 1 < f.size(); ++i)
                events.push_back({f[i].type, f[i].code, f[i].value});
            out.push_back(events);
        }
        return out;
    }
    Frames hide(int id, Us t = 0, bool hidden = true)
    {
        ContactFilter::Frames out;
        if (hidden)
            filter.hide(id, t * 1000, out);
        else
            filter.show(id, t * 1000, out);
        return strip(out);
    }
    // Finger `id` lands, the first, in `slot` at x, y.
    Frames land(int slot, int id, int x, int y, Us t = 1)
    {
        return frame(
            t, {mtSlot(slot), mtId(id), mtX(x), mtY(y), key(BTN_TOUCH, 1), key(BTN_TOOL_FINGER, 1), stX(x), stY(y)});
    }

    ContactFilter filter{clone()};
};

} // namespace

TEST_F(Filter, PassesFramesThroughAsTheyCameSaveTheClonesOwnTrackingIdsAndLiftsAReplacedContactFirst)
{
    const std::vector<std::vector<E>> frames = {
        {mtSlot(0), mtId(300), mtX(1000), mtY(2000), key(BTN_TOUCH, 1), key(BTN_TOOL_FINGER, 1), stX(1000), stY(2000),
         E{EV_MSC, MSC_TIMESTAMP, 7000}},
        {mtY(2100), mtY(2100), stY(2100)}, // a repeat too
        {mtId(-1), key(BTN_TOUCH, 0), key(BTN_TOOL_FINGER, 0)},
        {mtId(301), key(BTN_TOUCH, 1), key(BTN_TOOL_FINGER, 1)},
    };
    const std::map<int, int> cloneIds = {{300, 0}, {-1, -1}, {301, 1}};
    for (std::size_t i = 0; i < frames.size(); ++i) {
        std::vector<E> expected = frames[i];
        for (E& e : expected)
            if (e[1] == ABS_MT_TRACKING_ID) e[2] = cloneIds.at(e[2]);
        EXPECT_EQ(frame(Us(i), frames[i]), Frames{expected}) << i;
    }
    EXPECT_EQ(frame(5, {mtSlot(0)}), Frames{}); // nothing but the slot: no frame
    // A contact replaced in place lifts in a frame of its own first.
    EXPECT_EQ(frame(6, {mtId(307), mtX(3000)}),
              (Frames{{mtId(-1), key(BTN_TOOL_FINGER, 0), key(BTN_TOUCH, 0)},
                      {mtId(2), mtX(3000), key(BTN_TOOL_FINGER, 1), key(BTN_TOUCH, 1)}}));
}

TEST_F(Filter, HiddenContactTurnsPalmThenLiftsAndTheRestIsRecomputedForTheVisibleFinger)
{
    land(0, 100, 1000, 1000);
    frame(2, {mtSlot(1), mtId(101), mtX(3000), mtY(500), E{EV_ABS, ABS_MT_PRESSURE, 40}, key(BTN_TOOL_FINGER, 0),
              key(BTN_TOOL_DOUBLETAP, 1)});
    EXPECT_EQ(hide(100), (Frames{{mtSlot(0), mtTool(MT_TOOL_PALM)},
                                 {mtId(-1), key(BTN_TOOL_FINGER, 1), key(BTN_TOOL_DOUBLETAP, 0), stX(3000), stY(500),
                                  stPressure(40)}}));
    EXPECT_EQ(hide(100), Frames{}); // already hidden

    // The hidden finger's motion goes nowhere; the other one's does.
    EXPECT_EQ(frame(3, {mtSlot(0), mtY(1500), mtSlot(1), mtY(600)}), (Frames{{mtSlot(1), mtY(600), stY(600)}}));
    // It stays hidden until it lifts; the next contact in its slot is shown, as a finger again.
    const std::vector<E> lifted = {key(BTN_TOOL_DOUBLETAP, 0), key(BTN_TOOL_FINGER, 1), stX(3000), stY(600),
                                   stPressure(40)};
    std::vector<E> real = {mtSlot(0), mtId(-1)};
    real.insert(real.end(), lifted.begin(), lifted.end());
    EXPECT_EQ(frame(4, real), Frames{lifted}); // all as the clone has it already
    EXPECT_EQ(frame(5, {mtId(102), key(BTN_TOOL_FINGER, 0), key(BTN_TOOL_DOUBLETAP, 1)}),
              (Frames{{mtSlot(0), mtTool(MT_TOOL_FINGER), mtId(2), key(BTN_TOOL_FINGER, 0), key(BTN_TOOL_DOUBLETAP, 1),
                       mtY(1500)}})); // where its slot's hidden contact was last
}

TEST_F(Filter, PressesAreDecidedAtThePressAndReleasedAlongWithIt)
{
    struct Case {
        const char* name;
        ContactFilter::Guard guard; // set at 0, or right after the press
        bool guardAfterPress;
        bool claimedLiftsAt20;
        Us press, release; // ms
        bool swallowed;
    };
    const std::vector<Case> cases = {
        {"no guard", {}, false, false, 10, 12, false},
        {"before guardUntil, released after it", {false, 50'000, 0, {}}, false, false, 40, 90, true},
        {"guardUntil passed", {false, 50'000, 0, {}}, false, false, 50, 60, false},
        {"claimed contact down", {true, 0, 0, {100}}, false, false, 40, 90, true},
        {"within the grace after the claimed lift", {true, 0, 100'000, {100}}, false, true, 119, 130, true},
        {"after that grace", {true, 0, 100'000, {100}}, false, true, 121, 130, false},
        {"guardUntil far ahead is cut to 2 s", {false, 60'000'000, 0, {}}, false, false, 2001, 2002, false},
        {"press went through before guarding began", {true, 0, 0, {100}}, true, false, 10, 12, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        filter = ContactFilter{clone()};
        land(0, 100, 1000, 1000, 0);
        Frames written;
        const auto add = [&](const Frames& frames) { written.insert(written.end(), frames.begin(), frames.end()); };
        if (!c.guardAfterPress) filter.setGuard(c.guard, 0);
        if (c.claimedLiftsAt20) add(frame(20, {mtId(-1), key(BTN_TOUCH, 0), key(BTN_TOOL_FINGER, 0)}));
        add(frame(c.press, {key(BTN_LEFT, 1)}));
        if (c.guardAfterPress) filter.setGuard(c.guard, c.press * 1000);
        add(frame(c.release, {key(BTN_LEFT, 0)}));
        int presses = 0, releases = 0;
        for (const auto& f : written)
            for (const E& e : f)
                if (e[0] == EV_KEY && e[1] == BTN_LEFT) (e[2] ? presses : releases)++;
        EXPECT_EQ(presses, c.swallowed ? 0 : 1);
        EXPECT_EQ(releases, presses); // never a release without its press, never a press left down
        EXPECT_EQ(filter.takeSwallowed(), c.swallowed ? 1u : 0u);
    }
}

TEST_F(Filter, ShownContactStartsWhereTheFingerIsAndPassThroughShowsAllButSwallowsTheReleaseOfASwallowedPress)
{
    land(0, 100, 1000, 1000);
    hide(100);
    EXPECT_EQ(frame(2, {mtX(1400), stX(1400)}), Frames{});
    EXPECT_EQ(hide(100, 3, false), (Frames{{mtTool(MT_TOOL_FINGER), mtId(1), mtX(1400), key(BTN_TOOL_FINGER, 1),
                                            key(BTN_TOUCH, 1), stX(1400)}})); // with a new tracking id
    EXPECT_EQ(hide(100, 4, false), Frames{});
    EXPECT_EQ(hide(999), Frames{}); // no such contact (lifted before the request came)

    hide(100, 5);
    filter.setGuard({true, 0, 0, {100}}, 5000);
    EXPECT_EQ(frame(6, {key(BTN_LEFT, 1)}), Frames{});
    ContactFilter::Frames out;
    filter.passThrough(7000, out);
    EXPECT_EQ(strip(out), (Frames{{mtTool(MT_TOOL_FINGER), mtId(2), key(BTN_TOOL_FINGER, 1), key(BTN_TOUCH, 1)}}));
    EXPECT_EQ(frame(8, {key(BTN_LEFT, 0)}), Frames{});
    EXPECT_EQ(frame(9, {key(BTN_LEFT, 1)}), (Frames{{key(BTN_LEFT, 1)}})); // no guard any more
}
