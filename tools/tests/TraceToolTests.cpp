// rimglider-trace run in-process, its exit status and both output streams kept: showing,
// replaying, judging and importing traces; and `record` against a fake input broker, where the
// same events give the same trace inputs as an import, the header describes the machine and each
// failure says what to do.
#include "LiveRecorder.h"
#include "TraceTool.h"

#include "GestureEngineKit/GestureScript.h"
#include "GestureEngineKit/JsonCoding.h"
#include "GestureEngineKit/Trace.h"
#include "RimgliderInput/ContextTracker.h"

#include "Eventually.h"
#include "FakeBroker.h"
#include "SocketFolder.h"
#include "TestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <vector>

using namespace rimglider;
using namespace rimglider::test;
using namespace GestureEngineKit;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun run(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = runTraceTool(args, out, err);
    return {status, out.str(), err.str()};
}

// The tool with RIMGLIDER_INPUTD_SOCKET pointing at `socket`, on a thread of its own.
std::future<ToolRun> runAsync(std::vector<std::string> args, const std::string& socket)
{
    ::setenv("RIMGLIDER_INPUTD_SOCKET", socket.c_str(), 1);
    return std::async(std::launch::async, [args = std::move(args)] { return run(args); });
}

class TraceToolTest : public ::testing::Test {
  protected:
    std::string write(const std::string& fileName, const std::string& bytes)
    {
        const fs::path path = folder / fileName;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    // Failed with status 2 and a single error line that starts with `start`.
    static void expectFailure(const ToolRun& r, const std::string& start)
    {
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind(start, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }

    // An empty folder in the build tree named after the running test.
    fs::path folder = [] {
        const auto path = fs::path(TEST_SCRATCH_DIR) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(path);
        fs::create_directories(path);
        return path;
    }();
};

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

class TraceRecordTest : public TraceToolTest {
  protected:
    void TearDown() override { ::unsetenv("RIMGLIDER_INPUTD_SOCKET"); }

    SocketFolder sockets;
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

} // namespace

TEST_F(TraceToolTest, ReplayPrintsEveryEventKindAsTextOrJson)
{
    GestureScript hand;
    hand.down(1, 0.05f, 0.03f).hold(1.0).upAll();                   // claimed, cancelled timeout
    hand.wait(1).down(2, 0.5f, 0.03f).glide(0.2, -0.2f, 0).upAll(); // swipe left
    hand.wait(1).down(5, 0.95f, 0.5f).glide(0.1, 0, 0.1f).upAll();  // slide up
    const std::string file = write("all.trace", TraceFile::encode(Trace{{}, hand.take()}));
    const std::pair<std::string, std::string> expected[] = {
        {"claimed([left, bottom])", R"({"event":"claimed","zones":["left","bottom"]})"},
        {"released(cancelled(timeout))", R"({"event":"released","outcome":"cancelled","reason":"timeout"})"},
        {"claimed([bottom])", R"({"event":"claimed","zones":["bottom"]})"},
        {"swipe(bottom, left)", R"({"event":"swipe","zone":"bottom","direction":"left"})"},
        {"released(completed)", R"({"event":"released","outcome":"completed"})"},
        {"claimed([right])", R"({"event":"claimed","zones":["right"]})"},
        {"sliderBegan(right)", R"({"event":"sliderBegan","zone":"right"})"},
    };

    const ToolRun text = run({"replay", file});
    const ToolRun json = run({"replay", "--json", file});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(text.status, 0) << text.err;
    std::istringstream textLines(text.out), jsonLines(json.out);
    std::string textLine, jsonLine;
    for (const auto& [textForm, jsonForm] : expected) {
        ASSERT_TRUE(std::getline(textLines, textLine) && std::getline(jsonLines, jsonLine));
        auto j = nlohmann::ordered_json::parse(jsonLine);
        j.erase("t");
        EXPECT_EQ(textLine, textForm);
        EXPECT_EQ(j.dump(), jsonForm);
    }
    EXPECT_TRUE(text.out.ends_with("sliderStep(right, up, fine: false)\nreleased(completed)\n")) << text.out;
}

TEST_F(TraceToolTest, JudgeExitStatusFollowsTheVerdict)
{
    // (A passing judgement: the bundled examples' command-line tests.)
    Trace mislabelled = scriptedExample(TraceLabel::bottomSwipeLeft);
    mislabelled.header.label = TraceLabel::bottomSwipeRight;
    const ToolRun fail = run({"judge", write("fail.trace", TraceFile::encode(mislabelled))});
    EXPECT_EQ(fail.status, 1);
    EXPECT_EQ(fail.out, "swipe(bottom, right) never fired\nunexpected: [swipe(bottom, left)]\n");
    // (The configuration deciding: the imported real slide.)
}

TEST_F(TraceToolTest, BadFilesGiveOneLineAndStatusTwo)
{
    const std::string good = write("good.trace", TraceFile::encode(scriptedExample(TraceLabel::normalWork)));
    const std::string missing = (folder / "missing.trace").string();
    const std::string garbage = write("garbage.trace", "this is not a trace");
    const std::string badConfig = write("bad.json", R"({"surfaceWidthMM": 125})");
    const std::string notJson = write("notjson.json", "{");

    expectFailure(run({"show", missing}), "rimglider-trace: " + missing + ": No such file or directory");
    expectFailure(run({"judge", garbage}), "rimglider-trace: " + garbage + ": not a valid trace: ");
    expectFailure(run({"replay", "--config", badConfig, good}),
                  "rimglider-trace: " + badConfig +
                      ": not a valid gesture configuration: missing key \"surfaceHeightMM\"");
    expectFailure(run({"judge", "--config", notJson, good}), "rimglider-trace: " + notJson + ": not valid JSON");
    expectFailure(run({"show", folder.string()}), "rimglider-trace: " + folder.string() + ": ");

    // A file name holding a line feed still makes a single error line.
    const std::string oddName = write("odd\nname.trace", "garbage");
    expectFailure(run({"judge", oddName}), "rimglider-trace: " + (folder / "odd\\nname.trace").string() + ": ");
}

TEST_F(TraceToolTest, UsageErrorsAndHelp)
{
    EXPECT_EQ(run({}).status, 2);
    const ToolRun help = run({"record", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: rimglider-trace record", 0), 0u);
    EXPECT_EQ(run({"frobnicate", "x"}).err,
              "rimglider-trace: unknown command \"frobnicate\" (try rimglider-trace --help)\n");
    EXPECT_EQ(run({"judge", "a", "b"}).err, "rimglider-trace: judge: more than one file given\n");
    EXPECT_EQ(run({"show", "--json", "a"}).err, "rimglider-trace: show: unknown option --json\n");
    EXPECT_EQ(run({"replay", "--config"}).err, "rimglider-trace: --config needs a value\n");
}

TEST_F(TraceToolTest, ImportsEvemuWithTheDescriptionBesideItAndLibinputRecordings)
{
    // The events file has no description; "AlpsPS2 ALPS GlidePoint.desc" beside it is found.
    const std::string out = (folder / "slide.trace").string();
    const ToolRun imported = run({"import", dataPath("evemu-devices/AlpsPS2 ALPS GlidePoint.right-edge-scroll.events"),
                                  "--label", "rightSlideUp", "--note", "real ALPS pad", "-o", out});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out, "Imported 55 inputs (55 frames) from \"AlpsPS/2 ALPS GlidePoint\" into " + out + "\n");
    const ToolRun shown = run({"show", out});
    EXPECT_NE(shown.out.find("note:               real ALPS pad\n"), std::string::npos);
    EXPECT_NE(shown.out.find("recorded at:        2013-01-14T22:32:43Z\n"), std::string::npos);
    // The finger, at 86 % of the width, begins a slide only on an edge wider than the default 0.1.
    const ToolRun narrow = run({"judge", out});
    EXPECT_EQ(narrow.status, 1);
    EXPECT_EQ(narrow.out, "slider never began\n");
    GestureConfig wide;
    wide.edgeWidth = 0.15;
    EXPECT_EQ(run({"judge", "--config", write("wide.json", toJson(wide).dump()), out}).out, "OK\n");

    ASSERT_EQ(
        run({"import", dataPath("handmade/test-touchpad-and-keyboard.yml"), "--label", "normalWork", "-o", out}).status,
        0);
    EXPECT_NE(run({"show", out}).out.find("  modifier changes: 4\n"), std::string::npos);
}

TEST_F(TraceToolTest, ImportFailuresLeaveNoFileBehind)
{
    const std::string out = (folder / "never.trace").string();
    const auto failsWith = [&](std::vector<std::string> args, const std::string& start) {
        expectFailure(run(args), start);
        EXPECT_FALSE(fs::exists(out));
        EXPECT_FALSE(fs::exists(out + ".partial"));
    };
    const std::string yaml = dataPath("handmade/test-touchpad-and-keyboard.yml");
    failsWith({"import", yaml, "-o", out}, "rimglider-trace: import: --label is required");
    failsWith({"import", yaml, "--desc", dataPath("handmade/Rimglider Test Touchpad.desc"), "--label", "normalWork",
               "-o", out},
              "rimglider-trace: import: --desc is for evemu recordings only");
    failsWith({"import", yaml, "--device", "Nope", "--label", "normalWork", "-o", out},
              "rimglider-trace: " + yaml + ": no device named \"Nope\"");
    // (An unsupported pad: the frame assembler's refusals.)

    const std::string lonely = write("lonely.events", "E: 0.1 0003 0039 1\nE: 0.1 0000 0000 0\n");
    failsWith({"import", lonely, "--label", "normalWork", "-o", out},
              "rimglider-trace: " + lonely + ": has no device description and no .desc file is beside it");
    const std::string broken = write("broken.events", "N: pad\nE: 0.1 0003 0039\n");
    failsWith({"import", broken, "--label", "normalWork", "-o", out},
              "rimglider-trace: " + broken + ": line 2: expected an event value");
    failsWith({"import", yaml, "--label", "normalWork", "-o", (folder / "no/such/dir.trace").string()},
              "rimglider-trace: " + (folder / "no/such/dir.trace").string() + ": No such file or directory");
}

TEST_F(TraceRecordTest, RecordsTheInputsAnImportOfTheSameEventsGives)
{
    const Recording recording = readLibinputRecord(readData("handmade/test-touchpad-and-keyboard.yml"));
    const Trace imported = importRecording(recording, ImportOptions{});

    std::future<ToolRun> running; // declared first so a failed assertion ends the broker, then the tool
    FakeBroker broker(sockets.path());
    broker.addTouchpad({1, recording.devices.at(0).description, false, false, "seat0"}); // not chosen: external
    broker.addTouchpad({4, recording.devices.at(1).description, true, false, "seat0"});
    const std::string out = (folder / "live.trace").string();
    running = runAsync({"record", "--label", "rightSlideUp", "--note", "live test", "-o", out}, broker.path());
    ASSERT_TRUE(eventually([&] { return broker.touchpadSubscribers(4) == 1 && broker.keySubscribers() == 1; }));
    replay(broker, 4, recording.devices.at(1), recording.devices.at(2)); // the touchpad and the keyboard
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
    EXPECT_FALSE(fs::exists(out + ".partial"));
}

TEST_F(TraceRecordTest, StopsWhenTheTimeIsUpAndKnowsWhetherKeysWereServed)
{
    FakeBroker broker(sockets.path());
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
    std::future<ToolRun> running; // declared first so a failed assertion ends the broker, then the tool
    FakeBroker broker(sockets.path());
    broker.addTouchpad({2, testTouchpad(), true, false, "seat0"});
    const std::string out = (folder / "interrupted.trace").string();
    running = runAsync({"record", "--label", "normalWork", "--seconds", "3600", "-o", out}, broker.path());
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
    const std::string root = (folder / "root").string();
    EXPECT_EQ(LiveRecorder::hardwareModel(root), "");
    EXPECT_EQ(LiveRecorder::osVersion(root), "");

    write("root/sys/class/dmi/id/product_name", "20HRCTO1WW\n");
    write("root/sys/class/dmi/id/product_version", "ThinkPad X1 Carbon 5th \n");
    EXPECT_EQ(LiveRecorder::hardwareModel(root), "20HRCTO1WW ThinkPad X1 Carbon 5th");

    write("root/proc/sys/kernel/osrelease", "6.1.0-28-amd64\n");
    EXPECT_EQ(LiveRecorder::osVersion(root), "6.1.0-28-amd64");
    write("root/usr/lib/os-release", "NAME=Debian\nPRETTY_NAME='Debian GNU/Linux 12 (bookworm)'\n");
    EXPECT_EQ(LiveRecorder::osVersion(root), "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0-28-amd64)");
    write("root/etc/os-release", "PRETTY_NAME=\"Fedora Linux 40 \\\"Workstation\\\"\"\nID=fedora\n");
    EXPECT_EQ(LiveRecorder::osVersion(root), "Fedora Linux 40 \"Workstation\" (Linux 6.1.0-28-amd64)");
}

TEST_F(TraceRecordTest, EachFailureIsOneLineThatSaysWhatToDo)
{
    const std::string out = (folder / "x.trace").string();
    // Failed with status 2 and a single error line that holds `part`.
    const auto failure = [&](std::vector<std::string> args, const std::string& part) {
        const ToolRun r = runAsync(std::move(args), sockets.path()).get();
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
        return r.err;
    };
    const std::string unreachable =
        failure({"record", "--label", "normalWork", "-o", out}, "cannot reach the input broker at " + sockets.path());
    EXPECT_NE(unreachable.find("systemctl start rimglider-inputd.socket"), std::string::npos) << unreachable;

    failure({"record", "-o", out}, "--label is required");
    failure({"record", "--label", "normalWork"}, "-o OUT.trace is required");
    failure({"record", "--label", "sideways", "-o", out}, "unknown label \"sideways\"");
    for (const char* seconds : {"0", "ten", "inf"})
        failure({"record", "--label", "normalWork", "--seconds", seconds, "-o", out}, "--seconds");
    failure({"record", "--label", "normalWork", "-o", out, "extra.file"}, "takes no file");

    FakeBroker broker(sockets.path());
    failure({"record", "--label", "normalWork", "-o", out}, "finds no touchpad");
    broker.addTouchpad({3, testTouchpad(), true, false, "seat0"});
    EXPECT_EQ(failure({"record", "--label", "normalWork", "--device", "Other Pad", "-o", out}, ""),
              "rimglider-trace: record: no touchpad named \"Other Pad\" (touchpads: \"Rimglider Test Touchpad\")\n");
    broker.refuseClients();
    failure({"record", "--label", "normalWork", "-o", out}, "refused");
    EXPECT_FALSE(fs::exists(out)); // nothing recorded, nothing written
}
