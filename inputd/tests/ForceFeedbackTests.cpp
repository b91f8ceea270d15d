// Force feedback against an emulated touchpad node that takes EVIOCSFF uploads and EV_FF writes.
#include "EmulatedInput.h"
#include "FakeEvdev.h"
#include "ForceFeedback.h"

#include <gtest/gtest.h>

#include <array>
#include <fcntl.h>
#include <unistd.h>

using namespace rimglider;
using namespace rimglider::inputd;
using namespace rimglider::inputd::test;

TEST(ForceFeedbackOnNode, UploadsOncePerActuationIdPlaysWithAnEvFfWriteAndReportsRefusals)
{
    EmulatedInput emulation;
    FakeEvdev pad{emulation, {"Haptic Pad", {}, {}, {{EV_FF, {FF_RUMBLE}}}, {}, {}}, 20, {"ID_INPUT_TOUCHPAD=1"}};
    const int fd = open(pad.node().devnode.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ForceFeedback none(fd, false);
    EXPECT_EQ(none.play(2), ENOTSUP);
    pad.failUploads(ENOSPC);
    ForceFeedback ff(fd, true);
    EXPECT_EQ(ff.play(3), ENOSPC);
    EXPECT_TRUE(pad.uploads().empty());
    pad.failUploads(0);

    EXPECT_EQ(ff.play(3), 0); // a failed upload is not remembered
    EXPECT_EQ(ff.play(3), 0);
    EXPECT_EQ(ff.play(1), 0);
    EXPECT_EQ(ff.play(99), 0); // out of range: the firmest shape, still its own effect
    const auto uploads = pad.uploads();
    ASSERT_EQ(uploads.size(), 3u);
    EXPECT_EQ(uploads[0].type, FF_RUMBLE);
    EXPECT_EQ(uploads[0].replay.length, 20);
    EXPECT_EQ(uploads[0].u.rumble.strong_magnitude, 3 * 0x2800);
    EXPECT_EQ(uploads[1].replay.length, 10);
    EXPECT_EQ(uploads[2].replay.length, 35);
    std::vector<std::array<int, 3>> plays; // nothing for what was not played
    for (const input_event& e : pad.written())
        plays.push_back({e.type, e.code, e.value});
    EXPECT_EQ(plays, (std::vector<std::array<int, 3>>{{EV_FF, 0, 1}, {EV_FF, 0, 1}, {EV_FF, 1, 1}, {EV_FF, 2, 1}}));
    close(fd);
}
