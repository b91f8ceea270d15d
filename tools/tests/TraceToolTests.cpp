#include "TestData.h"
#include "ToolRun.h"

#include "GestureEngineKit/GestureScript.h"
#include "GestureEngineKit/JsonCoding.h"
#include "GestureEngineKit/Trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace GestureEngineKit;
using namespace rimglider::test;
namespace fs = std::filesystem;

namespace {

class TraceToolTest : public ::testing::Test {
  protected:
    std::string write(const std::string& fileName, const std::string& bytes)
    {
        const fs::path path = folder / fileName;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::string writeTrace(const std::string& fileName, const Trace& trace)
    {
        return write(fileName, TraceFile::encode(trace));
    }

    // Failed with status 2 and a single error line that starts with `start`.
    static void expectFailure(const ToolRun& r, const std::string& start)
    {
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind(start, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }

    fs::path folder = scratchFolder("");
};

} // namespace

TEST_F(TraceToolTest, ReplayPrintsEveryEventKindAsTextOrJson)
{
    GestureScript hand;
    hand.down(1, 0.05f, 0.03f).hold(1.0).upAll();                   // claimed, cancelled timeout
    hand.wait(1).down(2, 0.5f, 0.03f).glide(0.2, -0.2f, 0).upAll(); // swipe left
    hand.wait(1).down(5, 0.95f, 0.5f).glide(0.1, 0, 0.1f).upAll();  // slide up
    const std::string file = writeTrace("all.trace", Trace{{}, hand.take()});
    GestureConfig taps;
    taps.bottomTapEnabled = true;
    const std::string config = write("taps.json", toJson(taps).dump());
    const std::pair<std::string, std::string> expected[] = {
        {"claimed([left, bottom])", R"({"event":"claimed","zones":["left","bottom"]})"},
        {"released(cancelled(timeout))", R"({"event":"released","outcome":"cancelled","reason":"timeout"})"},
        {"claimed([bottom])", R"({"event":"claimed","zones":["bottom"]})"},
        {"swipe(bottom, left)", R"({"event":"swipe","zone":"bottom","direction":"left"})"},
        {"released(completed)", R"({"event":"released","outcome":"completed"})"},
        {"claimed([right])", R"({"event":"claimed","zones":["right"]})"},
        {"sliderBegan(right)", R"({"event":"sliderBegan","zone":"right"})"},
    };

    const ToolRun text = run({"replay", "--config", config, file});
    const ToolRun json = run({"replay", "--config", config, "--json", file});
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
    const ToolRun fail = run({"judge", writeTrace("fail.trace", mislabelled)});
    EXPECT_EQ(fail.status, 1);
    EXPECT_EQ(fail.out, "swipe(bottom, right) never fired\nunexpected: [swipe(bottom, left)]\n");

    // The configuration decides: with the right edge off, the slide never begins.
    GestureConfig noRight;
    noRight.enabledZones.erase(Zone::right);
    const ToolRun off = run({"judge", "--config", write("c.json", toJson(noRight).dump()),
                             writeTrace("s.trace", scriptedExample(TraceLabel::rightSlideUp))});
    EXPECT_EQ(off.status, 1);
    EXPECT_EQ(off.out, "slider never began\n");
}

TEST_F(TraceToolTest, BadFilesGiveOneLineAndStatusTwo)
{
    const std::string good = writeTrace("good.trace", scriptedExample(TraceLabel::normalWork));
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
    expectFailure(run({"replay", "--config", (folder / "none.json").string(), good}), "rimglider-trace: ");
    expectFailure(run({"show", folder.string()}), "rimglider-trace: " + folder.string() + ": ");

    // A file name holding a line feed still makes a single error line.
    const std::string oddName = write("odd\nname.trace", "garbage");
    expectFailure(run({"judge", oddName}), "rimglider-trace: " + (folder / "odd\\nname.trace").string() + ": ");
}

TEST_F(TraceToolTest, UsageErrorsAndHelp)
{
    EXPECT_EQ(run({}).status, 2);
    for (const char* command : {"show", "replay", "judge", "import", "record"}) {
        const ToolRun help = run({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind(std::string("Usage: rimglider-trace ") + command, 0), 0u);
    }
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

    const ToolRun yaml =
        run({"import", dataPath("handmade/test-touchpad-and-keyboard.yml"), "--label", "normalWork", "-o", out});
    ASSERT_EQ(yaml.status, 0) << yaml.err;
    const std::string yamlShown = run({"show", out}).out;
    EXPECT_NE(yamlShown.find("OS version:         debian:12 (Linux 6.1.0-28-amd64)\n"), std::string::npos) << yamlShown;
    EXPECT_NE(yamlShown.find("  modifier changes: 4\n"), std::string::npos) << yamlShown;
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
    failsWith({"import", yaml, "--label", "slide", "-o", out},
              "rimglider-trace: import: unknown label \"slide\" (one of normalWork, rightSlideUp, ");
    failsWith({"import", yaml, "--device", "Nope", "--label", "normalWork", "-o", out},
              "rimglider-trace: " + yaml + ": no device named \"Nope\"");
    failsWith(
        {"import", dataPath("evemu-devices/bcm5974.three-finger-click.events"), "--label", "normalWork", "-o", out},
        "rimglider-trace: " + dataPath("evemu-devices/bcm5974.three-finger-click.events") +
            ": \"bcm5974\": the device uses the older anonymous-contact");

    const std::string lonely = write("lonely.events", "E: 0.1 0003 0039 1\nE: 0.1 0000 0000 0\n");
    failsWith({"import", lonely, "--label", "normalWork", "-o", out},
              "rimglider-trace: " + lonely + ": has no device description and no .desc file is beside it");
    const std::string broken = write("broken.events", "N: pad\nE: 0.1 0003 0039\n");
    failsWith({"import", broken, "--label", "normalWork", "-o", out},
              "rimglider-trace: " + broken + ": line 2: expected an event value");
    const std::string badYaml = write("bad.yml", "devices:\n- evdev: {name: x}\n");
    failsWith({"import", badYaml, "--label", "normalWork", "-o", out}, "rimglider-trace: " + badYaml + ": line 2: ");
    failsWith({"import", yaml, "--label", "normalWork", "-o", (folder / "no/such/dir.trace").string()},
              "rimglider-trace: " + (folder / "no/such/dir.trace").string() + ": No such file or directory");
}
