#include "GestureEngineKit/JsonCoding.h"

#include <gtest/gtest.h>

#include <limits>

using namespace GestureEngineKit;
using nlohmann::json;

namespace {

std::string decodeError(const json& j, auto decode)
{
    try {
        decode(j);
    } catch (const DecodingError& e) {
        return e.what();
    }
    return "(no error)";
}

template <class T>
std::string errorOf(const json& j)
{
    return decodeError(j, fromJson<T>);
}

json sampleJson()
{
    return json::parse(R"({"id":3,"s":4,"x":0.5,"y":0.25,"ma":9.5,"mi":7,"ax":100,"ay":200})");
}

} // namespace

TEST(TouchTypes, TouchingMeansStateThreeOrFour)
{
    for (int state : {0, 1, 2, 5, 6, 7})
        EXPECT_FALSE(TouchSample{.state = state}.isTouching()) << state;
    EXPECT_TRUE(TouchSample{.state = 3}.isTouching());
    EXPECT_TRUE(TouchSample{.state = 4}.isTouching());
}

TEST(TouchTypes, EventsCompareByCaseAndPayload)
{
    EXPECT_NE(GestureEvent::sliderStep(Zone::right, SliderDirection::up, true),
              GestureEvent::sliderStep(Zone::right, SliderDirection::up, false));
    EXPECT_NE(GestureEvent::tap(Zone::bottom), GestureEvent::doubleTap(Zone::bottom));
    EXPECT_FALSE(GestureEvent::released(GestureEvent::Outcome::completed()).isAction());
    EXPECT_EQ(EngineInput::modifiers({}, 4.5).time(), 4.5);
}

TEST(TouchTypes, TextualForms)
{
    EXPECT_EQ(describe(GestureEvent::sliderStep(Zone::right, SliderDirection::down, false)),
              "sliderStep(right, down, fine: false)");
    EXPECT_EQ(describe(GestureEvent::released(GestureEvent::Outcome::cancelled(CancelReason::timeout))),
              "released(cancelled(timeout))");
    EXPECT_EQ(describe(GestureEvent::claimed({Zone::topRightCorner, Zone::right})), "claimed([right, topRightCorner])");
    EXPECT_EQ(
        describe(std::vector{GestureEvent::swipe(Zone::bottom, SwipeDirection::left), GestureEvent::tap(Zone::bottom)}),
        "[swipe(bottom, left), tap(bottom)]");
    EXPECT_EQ(describe(std::vector<GestureEvent>{}), "[]");
}

TEST(EngineInputJson, EachKindEncodesOnlyItsKeys)
{
    EXPECT_EQ(toJson(EngineInput::keyDown(1.5)), json::parse(R"({"k":"key","t":1.5})"));
    EXPECT_EQ(toJson(EngineInput::mouseDown(2)), json::parse(R"({"k":"click","t":2.0})"));
    EXPECT_EQ(toJson(EngineInput::modifiers({ModifierState::shift, ModifierState::option}, 3)),
              json::parse(R"({"k":"mod","m":5,"t":3.0})"));
    const json frame = toJson(EngineInput::frame({4, {TouchSample{3, 4, 0.5f, 0.25f, 9.5f, 7, 100, 200}}}));
    EXPECT_EQ(
        frame,
        json::parse(R"({"k":"f","t":4.0,"f":[{"id":3,"s":4,"x":0.5,"y":0.25,"ma":9.5,"mi":7,"ax":100,"ay":200}]})"));
    EXPECT_EQ(toJson(ModifierState{}), json(0));
    EXPECT_EQ(floatNumber(0.95f).dump(), "0.95"); // shortest text that reads back to the float
}

TEST(EngineInputJson, RoundTripsEveryKindExactly)
{
    const std::vector<EngineInput> inputs{
        EngineInput::frame({12345.678912,
                            {TouchSample{-7, 3, 0.95f, 0.1f, 12.3f, 0.7f, -3.5f, 1e30f},
                             TouchSample{2147483647, -2147483647 - 1, 1.0f / 3, 2.0f / 3, 0, 0, 0, 0}}}),
        EngineInput::frame({0.001, {}}),
        EngineInput::keyDown(-1.25),
        EngineInput::mouseDown(1e-300),
        EngineInput::modifiers(ModifierState(255), 7),
    };
    for (const auto& input : inputs)
        EXPECT_EQ(fromJson<EngineInput>(json::parse(toJson(input).dump())), input) << toJson(input).dump();
}

TEST(EngineInputJson, DecodingIgnoresKeysTheKindDoesNotUse)
{
    EXPECT_EQ(fromJson<EngineInput>(json::parse(R"({"k":"key","t":1,"f":"whatever"})")), EngineInput::keyDown(1));
    EXPECT_EQ(fromJson<EngineInput>(json::parse(R"({"k":"click","t":1,"m":900})")), EngineInput::mouseDown(1));
    EXPECT_EQ(fromJson<EngineInput>(json::parse(R"({"k":"mod","t":1,"m":3.0})")),
              EngineInput::modifiers(ModifierState(3), 1));
}

TEST(EngineInputJson, DecodingFailuresNameTheKey)
{
    const auto error = [](const char* text) { return errorOf<EngineInput>(json::parse(text)); };
    EXPECT_EQ(error(R"({"k":"key"})"), R"(missing key "t")");
    EXPECT_EQ(error(R"({"k":"swipe","t":1})"), R"(key "k": unknown input kind "swipe")");
    EXPECT_EQ(error(R"({"k":"f","t":1,"f":{}})"), R"(key "f": expected an array of touches)");
    EXPECT_EQ(error(R"({"k":"mod","t":1,"m":256})"), R"(key "m": number 256 does not fit an unsigned 8-bit integer)");
    EXPECT_EQ(error(R"({"k":"mod","t":1,"m":1.5})"), R"(key "m": expected an integer)");
    EXPECT_EQ(error(R"({"k":"key","t":"1"})"), R"(key "t": expected a number)");
    EXPECT_EQ(errorOf<EngineInput>(json{{"k", "key"}, {"t", std::numeric_limits<double>::infinity()}}),
              R"(key "t": number out of range)");
    EXPECT_EQ(error(R"([1,2])"), "expected a JSON object");
}

TEST(TouchSampleJson, EveryKeyIsRequiredAndRangesAreChecked)
{
    for (const char* key : {"id", "s", "x", "y", "ma", "mi", "ax", "ay"}) {
        json j = sampleJson();
        j.erase(key);
        EXPECT_EQ(errorOf<TouchSample>(j), std::string("missing key \"") + key + "\"");
    }
    json j = sampleJson();
    j["id"] = 2147483648LL;
    EXPECT_EQ(errorOf<TouchSample>(j), R"(key "id": number 2147483648 does not fit a signed 32-bit integer)");
    j = sampleJson();
    j["x"] = 1e39;
    EXPECT_EQ(errorOf<TouchSample>(j), R"(key "x": number does not fit a 32-bit float)");
    const json frame = json::parse(R"({"k":"f","t":1,"f":[{"id":1,"s":4,"x":0,"y":0,"ma":0,"mi":0,"ax":0}]})");
    EXPECT_EQ(errorOf<EngineInput>(frame), R"(key "f": touch 0: missing key "ay")");
}

TEST(EnumerationJson, NamesAreExactAndCaseSensitive)
{
    for (Zone z : allZones)
        EXPECT_EQ(fromJson<Zone>(toJson(z)), z);
    EXPECT_EQ(errorOf<EdgeAction>(json("Volume")), R"(unknown edge action "Volume")");
    EXPECT_EQ(errorOf<CancelReason>(json(3)), "expected a cancel reason name");
}

TEST(GestureConfigJson, RoundTripsAndLeavesOutAbsentOptionals)
{
    GestureConfig config;
    json j = toJson(config);
    EXPECT_FALSE(j.contains("sliderStartLimit"));
    EXPECT_FALSE(j.contains("requiredModifier"));
    EXPECT_EQ(j.size(), 20u);
    EXPECT_EQ(fromJson<GestureConfig>(j), config);

    config.sliderStartLimit = 0.25;
    config.requiredModifier = ModifierState{ModifierState::control, ModifierState::command};
    config.enabledZones = {Zone::bottom, Zone::left};
    config.stepDistanceMM = 3.5;
    j = toJson(config);
    EXPECT_EQ(j["requiredModifier"], 10);
    EXPECT_EQ(j["enabledZones"], json::parse(R"(["left","bottom"])"));
    EXPECT_EQ(fromJson<GestureConfig>(json::parse(j.dump())), config);
}

TEST(GestureConfigJson, RequiredKeysAndTypes)
{
    json j = toJson(GestureConfig{});
    j.erase("palmMajorAxisMax");
    EXPECT_EQ(errorOf<GestureConfig>(j), R"(missing key "palmMajorAxisMax")");
    j = toJson(GestureConfig{});
    j["bottomTapEnabled"] = 1;
    EXPECT_EQ(errorOf<GestureConfig>(j), R"(key "bottomTapEnabled": expected true or false)");
    j = toJson(GestureConfig{});
    j["enabledZones"] = json::parse(R"(["left","middle"])");
    EXPECT_EQ(errorOf<GestureConfig>(j), R"(key "enabledZones": unknown zone "middle")");
    j = toJson(GestureConfig{});
    j["sliderStartLimit"] = nullptr; // null reads as absent
    EXPECT_EQ(fromJson<GestureConfig>(j).sliderStartLimit, std::nullopt);
    j["requiredModifier"] = 300;
    EXPECT_EQ(errorOf<GestureConfig>(j),
              R"(key "requiredModifier": number 300 does not fit an unsigned 8-bit integer)");
}

TEST(InternetDates, FormatInUtcWithWholeSeconds)
{
    using namespace std::chrono;
    const TraceDate date = sys_days{2026y / December / 6} + 14h + 5min + 9s + 750ms;
    EXPECT_EQ(formatInternetDate(date), "2026-12-06T14:05:09Z");
    EXPECT_EQ(formatInternetDate(TraceDate{}), "1970-01-01T00:00:00Z");
    EXPECT_EQ(formatInternetDate(TraceDate{} - 250ms), "1969-12-31T23:59:59Z");
    EXPECT_THROW(formatInternetDate(sys_days{10000y / January / 1}), std::range_error);
}

TEST(InternetDates, ParseOffsetsFractionsAndRejectNonsense)
{
    using namespace std::chrono;
    const TraceDate expected = sys_days{2026y / December / 6} + 14h + 5min + 9s;
    EXPECT_EQ(parseInternetDate("2026-12-06T14:05:09Z"), expected);
    EXPECT_EQ(parseInternetDate("2026-12-06T15:35:09+01:30"), expected);
    EXPECT_EQ(parseInternetDate("2026-12-06T09:05:09-05:00"), expected);
    EXPECT_EQ(parseInternetDate("2026-12-06T14:05:09.5Z"), expected + 500ms);
    EXPECT_EQ(parseInternetDate("2026-12-06T14:05:09.123456789Z"), expected + 123456us);
    EXPECT_EQ(parseInternetDate("0000-01-01T00:00:00.5+01:00"), TraceDate(sys_days{0y / January / 1} - 1h + 500ms));
    for (const char* bad :
         {"", "2026-12-06", "2026-12-06 14:05:09Z", "2026-13-06T14:05:09Z", "2026-02-30T14:05:09Z",
          "2026-12-06T24:00:00Z", "2026-12-06T14:05:09", "2026-12-06T14:05:09z", "2026-12-06T14:05:09+0100",
          "2026-12-06T14:05:09.Z", "20x6-12-06T14:05:09Z", "2026-12-06T14:05:09Zjunk"})
        EXPECT_THROW(parseInternetDate(bad), DecodingError) << bad;
}

TEST(TraceHeaderJson, AllSevenKeysRequired)
{
    TraceHeader header(TraceLabel::leftSlideDown, TraceDate{}, "Model/1", "Debian 12", true, "a \"note\"");
    const json j = toJson(header);
    EXPECT_EQ(j.size(), 7u);
    EXPECT_EQ(fromJson<TraceHeader>(j), header);
    for (const auto& [key, _] : j.items()) {
        json missing = j;
        missing.erase(key);
        EXPECT_EQ(errorOf<TraceHeader>(missing), "missing key \"" + key + "\"");
    }
    json other = j;
    other["version"] = 7; // any integer version is read and kept
    EXPECT_EQ(fromJson<TraceHeader>(other).version, 7);
    other["version"] = 9223372036854775808.0; // 2^63 as a float: beyond a 64-bit integer
    EXPECT_EQ(errorOf<TraceHeader>(other),
              R"(key "version": number 9.223372036854776e+18 does not fit a signed 64-bit integer)");
    other["version"] = 7;
    other["label"] = "slideUp";
    EXPECT_EQ(errorOf<TraceHeader>(other), R"(key "label": unknown label "slideUp")");
}
