// TouchInput with the real rimglider-inputd, on a touchpad emulated by umockdev: a recording
// played into the device node reaches the frame handler as the frames an import of the same
// recording gives. Runs under umockdev-wrapper.
#include "TouchInput.h"

#include "BrokerProcess.h"
#include "CaughtFrames.h"
#include "EmulatedInput.h"
#include "Eventually.h"
#include "TestData.h"

#include <gtest/gtest.h>

using namespace rimglider;
using namespace rimglider::test;
using namespace GestureEngineKit;
using namespace std::chrono_literals;

TEST(TouchInputWithTheBroker, PlayedRecordingArrivesAsTheImportedFrames)
{
    const std::string recordingName = "evemu-devices/AlpsPS2 ALPS GlidePoint";
    const DeviceDescription pad = describedIn(recordingName + ".desc");
    const std::string events = readData(recordingName + ".right-edge-scroll.events");
    const Recording recording{Recording::Format::evemu, {{pad, readEvemu(events).events}}, ""};
    std::vector<TouchFrame> expected;
    for (const EngineInput& input : importRecording(recording, {}).inputs)
        if (const auto* frame = input.as<TouchFrame>()) expected.push_back(*frame);

    inputd::test::EmulatedInput emulation;
    const auto node =
        emulation.add(pad, 5, {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1", "ID_INPUT_TOUCHPAD_INTEGRATION=internal"});
    inputd::test::BrokerProcess broker(INPUTD_PATH, emulation.directory());

    // The recording's times are from 2013: a clock standing before them leaves gap filling to
    // the events' own times, as in the import.
    TouchInput input(TouchInput::Options{.socketPath = broker.socket(), .clock = [] { return 0.0; }});
    CaughtFrames caught;
    input.setOnFrame(caught.handler());
    input.start();
    ASSERT_TRUE(eventually([&] { return input.status() == TouchInput::Status::running(1); })) << broker.log();
    ASSERT_TRUE(eventually([&] { return caught.frames().size() == 1; })); // the state: nothing touches
    EXPECT_TRUE(caught.frames()[0].touches.empty());

    emulation.play(node, events); // only now: the broker has the node open
    ASSERT_TRUE(eventually([&] { return caught.frames().size() >= expected.size() + 1; }, 10s))
        << caught.frames().size() << " of " << expected.size() + 1;
    auto frames = caught.frames();
    frames.erase(frames.begin());
    EXPECT_EQ(frames, expected);

    input.stop();
    EXPECT_EQ(broker.stop(), 0) << broker.log();
}
