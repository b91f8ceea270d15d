// Force feedback against an emulated touchpad node that answers EVIOCSFF and takes EV_FF writes.
#include "EmulatedInput.h"
#include "ForceFeedback.h"
#include "IoctlHandler.h"

#include <gtest/gtest.h>

#include <umockdev.h>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace rimglider::inputd;
using namespace rimglider::inputd::test;

namespace {

struct FakeFf {
    std::mutex mutex;
    std::vector<ff_effect> uploaded;
    std::atomic<int> failUploadWith = 0;
};

IoctlHandler::OnIoctl forceFeedback(FakeFf& fake)
{
    return [&fake](unsigned long request, UMockdevIoctlData* arg, IoctlHandler::Client) -> IoctlHandler::Answer {
        if (request != EVIOCSFF) return {-1, ENOTTY};
        std::lock_guard lock(fake.mutex);
        if (fake.failUploadWith) return {-1, fake.failUploadWith};
        UMockdevIoctlData* data = IoctlHandler::resolve(arg, sizeof(ff_effect));
        ff_effect effect{};
        std::memcpy(&effect, data->data, sizeof effect);
        effect.id = std::int16_t(fake.uploaded.size());
        fake.uploaded.push_back(effect);
        std::memcpy(data->data, &effect, sizeof effect);
        return {0, 0};
    };
}

class ForceFeedbackOnNode : public ::testing::Test {
  protected:
    void SetUp() override
    {
        const auto node = emulation.addBare("Haptic Pad", 20, {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1"});
        handler = std::make_unique<IoctlHandler>(emulation.testbed(), node.devnode, forceFeedback(fake));
        fd = open(node.devnode.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(fd, 0);
    }
    void TearDown() override { close(fd); }

    EmulatedInput emulation;
    FakeFf fake;
    std::unique_ptr<IoctlHandler> handler;
    int fd = -1;
};

} // namespace

TEST_F(ForceFeedbackOnNode, UploadsOncePerActuationIdAndPlaysWithAnEvFfWrite)
{
    ForceFeedback ff(fd, true);
    EXPECT_EQ(ff.play(3), 0);
    EXPECT_EQ(ff.play(3), 0);
    EXPECT_EQ(ff.play(1), 0);
    EXPECT_EQ(ff.play(99), 0); // out of range: the firmest shape, still its own effect

    std::lock_guard lock(fake.mutex);
    ASSERT_EQ(fake.uploaded.size(), 3u);
    EXPECT_EQ(fake.uploaded[0].type, FF_RUMBLE);
    EXPECT_EQ(fake.uploaded[0].replay.length, 20);
    EXPECT_EQ(fake.uploaded[0].u.rumble.strong_magnitude, 3 * 0x2800);
    EXPECT_EQ(fake.uploaded[1].replay.length, 10);
    EXPECT_EQ(fake.uploaded[2].replay.length, 35);
    const auto written = handler->written();
    ASSERT_EQ(written.size(), 4u);
    const std::uint16_t expectedIds[] = {0, 0, 1, 2};
    for (std::size_t i = 0; i < written.size(); ++i) {
        EXPECT_EQ(written[i].type, EV_FF);
        EXPECT_EQ(written[i].code, expectedIds[i]);
        EXPECT_EQ(written[i].value, 1);
    }
}

TEST_F(ForceFeedbackOnNode, KernelRefusalIsReportedAndNoFeedbackMeansEnotsup)
{
    fake.failUploadWith = ENOSPC;
    ForceFeedback ff(fd, true);
    EXPECT_EQ(ff.play(2), ENOSPC);
    EXPECT_TRUE(handler->written().empty());
    fake.failUploadWith = 0;
    EXPECT_EQ(ff.play(2), 0); // a failed upload is not remembered

    handler->clear();
    ForceFeedback none(fd, false);
    EXPECT_EQ(none.play(2), ENOTSUP);
    EXPECT_TRUE(handler->requests().empty());
}
