// `rimglider-trace record` against a fake input broker: the same events give the same trace
// inputs as an import; the header describes the machine; each failure says what to do.
#include "LiveRecorder.h"
#include "ToolRun.h"

#include "RimgliderInput/ContextTracker.h"
#include "RimgliderInput/Recording.h"

#include "Eventually.h"
#include "FakeBroker.h"
#include "SocketFolder.h"
#include "TestData.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

using namespace rimglider;
using namespace rimglider::test;
using namespace GestureEngineKit;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// A recording's touchpad and keyboard as the broker serves them, merged by time as an import
// merges them: touchpad events in batches ending at SYN_REPORT, keys as they happen.
void replay(FakeBroker& broker, std::uint32_t touchpadId, const RecordedDevice& touchpad,
            const RecordedDevice& keyboard)
{
    ContextTracker keys;
    std::vector<broker::WireEvent> batch;
    std::size_t t = 0, k = 0;
    while (t < touchpad.events.size() || k < keyboard.events.size()) {
        const bool fromTouchpad = k == keyboard.events.size() ||
                                  (t < touchpad.events.size() && !(keyboard.events[k].time < touchpad.events[t].time));
        if (fromTouchpad) {
            const InputEvent& e = touchpad.events[t++];
            batch.push_back(wireEvent(e));
            if (e.type == EV_SYN && e.code == SYN_REPORT) {
                broker.sendEvents(touchpadId, batch);
                batch.clear();
            }
        } else if (auto context = keys.handle(keyboard.events[k++])) {
            if (context->kind == ContextEvent::Kind::keyDown) broker.sendKeys(broker::KeyDown{wireTime(context->time)});
            if (context->kind == ContextEvent::Kind::modifiersChanged)
                broker.sendKeys(broker::Modifiers{wireTime(context->time), context->modifiers});
        }
    }
}

class TraceRecordTest : public ::testing::Test {
  protected:
    void TearDown() override { ::unsetenv("RIMGLIDER_INPUTD_SOCKET"); }

    SocketFolder folder;
    fs::path scratch = scratchFolder("record-");
};

// A recording on a thread of its own with its own stop flag, set when the test leaves: a
// failed assertion ends the recording instead of waiting for it forever.
struct RecordingRun {
    template <class Record>
    explicit RecordingRun(Record record)
        : result(std::async(std::launch::async, [this, record] { return record(stop); }))
    {}
    ~RecordingRun() { stop = true; }
    std::atomic<bool> stop{false};
    std::future<LiveRecorder::Result> result;
};

void writeText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

} // namespace

TEST_F(TraceRecordTest, RecordsTheInputsAnImportOfTheSameEventsGives)
{
    const Recording recording = readLibinputRecord(readData("handmade/test-touchpad-and-keyboard.yml"));
    const RecordedDevice& touchpad = recording.devices.at(1);
    const RecordedDevice& keyboard = recording.devices.at(2);
    ImportOptions importOptions;
    const Trace imported = importRecording(recording, importOptions);

    FakeBroker broker(folder.path());
    broker.addTouchpad({1, recording.devices.at(0).description, false, false, "seat0"}); // not chosen: external
    broker.addTouchpad({4, touchpad.description, true, false, "seat0"});
    const std::string out = (scratch / "live.trace").string();
    auto running = runAsync({"record", "--label", "rightSlideUp", "--note", "live test", "-o", out}, broker.path());
    ASSERT_TRUE(eventually([&] { return broker.touchpadSubscribers(4) == 1 && broker.keySubscribers() == 1; }));
    replay(broker, 4, touchpad, keyboard);
    broker.disconnectAll(); // the recording ends with the broker; what came before is kept
    ASSERT_EQ(running.wait_for(10s), std::future_status::ready);
    const ToolRun r = running.get();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "rimglider-trace: record: the input broker went away; saving what was recorded\n");
    EXPECT_EQ(r.out, "Recorded " + std::to_string(imported.inputs.size()) + " inputs (" +
                         std::to_string(std::count_if(imported.inputs.begin(), imported.inputs.end(),
                                                      [](const EngineInput& i) { return i.as<TouchFrame>(); })) +
                         " frames) from \"Rimglider Test Touchpad\" into " + out + "\n");

    std::ifstream file(out, std::ios::binary);
    const Trace recorded = TraceFile::decode(std::string(std::istreambuf_iterator<char>(file), {}));
    EXPECT_EQ(recorded.inputs, imported.inputs);
    EXPECT_EQ(recorded.header.label, TraceLabel::rightSlideUp);
    EXPECT_EQ(recorded.header.note, "live test");
    EXPECT_TRUE(recorded.header.hasContextEvents);
    EXPECT_EQ(recorded.header.osVersion, LiveRecorder::osVersion("/"));
    EXPECT_FALSE(fs::exists(out + ".partial"));
}

TEST_F(TraceRecordTest, StopsWhenTheTimeIsUpAndKnowsWhetherKeysWereServed)
{
    FakeBroker broker(folder.path());
    broker.addTouchpad({2, testTouchpad(), false, false, "seat0"});
    broker.refuseKeys();
    std::atomic<double> clock{100.0};
    LiveRecorder::Options options;
    options.socketPath = broker.path();
    options.clock = [&] { return clock.load(); };
    options.seconds = 30;
    RecordingRun timed([&](const std::atomic<bool>& stop) { return LiveRecorder(options).record(stop); });
    // Subscribed means the recording's time has begun.
    ASSERT_TRUE(eventually([&] { return broker.touchpadSubscribers(2) == 1; }));
    clock = 130.0;
    ASSERT_EQ(timed.result.wait_for(10s), std::future_status::ready);
    const LiveRecorder::Result result = timed.result.get();
    EXPECT_EQ(result.end, LiveRecorder::Result::End::timeUp);
    EXPECT_DOUBLE_EQ(result.counts.seconds, 30.0);
    EXPECT_FALSE(result.trace.header.hasContextEvents);
}

TEST_F(TraceRecordTest, CtrlCEndsTheRecordingAndSavesIt)
{
    FakeBroker broker(folder.path());
    broker.addTouchpad({2, testTouchpad(), true, false, "seat0"});
    const std::string out = (scratch / "interrupted.trace").string();
    auto running = runAsync({"record", "--label", "normalWork", "--seconds", "3600", "-o", out}, broker.path());
    // Subscribed means recording: the tool has taken over SIGINT by then.
    ASSERT_TRUE(eventually([&] { return broker.touchpadSubscribers(2) == 1; }));
    ::kill(::getpid(), SIGINT);
    ASSERT_EQ(running.wait_for(10s), std::future_status::ready);
    const ToolRun r = running.get();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::ifstream file(out, std::ios::binary);
    EXPECT_EQ(TraceFile::decode(std::string(std::istreambuf_iterator<char>(file), {})).header.label,
              TraceLabel::normalWork);
}

TEST_F(TraceRecordTest, HeaderDescribesTheMachineFromItsSystemFiles)
{
    const fs::path root = scratch / "root";
    EXPECT_EQ(LiveRecorder::hardwareModel(root.string()), "");
    EXPECT_EQ(LiveRecorder::osVersion(root.string()), "");

    writeText(root / "sys/class/dmi/id/product_name", "20HRCTO1WW\n");
    EXPECT_EQ(LiveRecorder::hardwareModel(root.string()), "20HRCTO1WW");
    writeText(root / "sys/class/dmi/id/product_version", "ThinkPad X1 Carbon 5th \n");
    EXPECT_EQ(LiveRecorder::hardwareModel(root.string()), "20HRCTO1WW ThinkPad X1 Carbon 5th");

    writeText(root / "proc/sys/kernel/osrelease", "6.1.0-28-amd64\n");
    EXPECT_EQ(LiveRecorder::osVersion(root.string()), "6.1.0-28-amd64");
    writeText(root / "usr/lib/os-release", "NAME=Debian\nPRETTY_NAME='Debian GNU/Linux 12 (bookworm)'\n");
    EXPECT_EQ(LiveRecorder::osVersion(root.string()), "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0-28-amd64)");
    writeText(root / "etc/os-release", "PRETTY_NAME=\"Fedora Linux 40 \\\"Workstation\\\"\"\nID=fedora\n");
    EXPECT_EQ(LiveRecorder::osVersion(root.string()), "Fedora Linux 40 \"Workstation\" (Linux 6.1.0-28-amd64)");
}

TEST_F(TraceRecordTest, EachFailureIsOneLineThatSaysWhatToDo)
{
    const std::string out = (scratch / "x.trace").string();
    const auto failure = [&](std::vector<std::string> args) {
        const ToolRun r = runAsync(std::move(args), folder.path()).get();
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        return r.err;
    };
    const std::string unreachable = failure({"record", "--label", "normalWork", "-o", out});
    EXPECT_NE(unreachable.find("cannot reach the input broker at " + folder.path()), std::string::npos) << unreachable;
    EXPECT_NE(unreachable.find("systemctl start rimglider-inputd.socket"), std::string::npos) << unreachable;

    EXPECT_NE(failure({"record", "-o", out}).find("--label is required"), std::string::npos);
    EXPECT_NE(failure({"record", "--label", "normalWork"}).find("-o OUT.trace is required"), std::string::npos);
    EXPECT_NE(failure({"record", "--label", "sideways", "-o", out}).find("unknown label \"sideways\""),
              std::string::npos);
    for (const char* seconds : {"0", "ten", "inf"})
        EXPECT_NE(failure({"record", "--label", "normalWork", "--seconds", seconds, "-o", out}).find("--seconds"),
                  std::string::npos)
            << seconds;
    EXPECT_NE(failure({"record", "--label", "normalWork", "-o", out, "extra.file"}).find("takes no file"),
              std::string::npos);

    FakeBroker broker(folder.path());
    EXPECT_NE(failure({"record", "--label", "normalWork", "-o", out}).find("finds no touchpad"), std::string::npos);
    broker.addTouchpad({3, testTouchpad(), true, false, "seat0"});
    EXPECT_EQ(failure({"record", "--label", "normalWork", "--device", "Other Pad", "-o", out}),
              "rimglider-trace: record: no touchpad named \"Other Pad\" (touchpads: \"Rimglider Test Touchpad\")\n");
    broker.refuseClients();
    EXPECT_NE(failure({"record", "--label", "normalWork", "-o", out}).find("refused"), std::string::npos);
    EXPECT_FALSE(fs::exists(out)); // nothing recorded, nothing written
}
