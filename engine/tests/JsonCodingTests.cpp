#include "GestureEngineKit/JsonCoding.h"

#include <gtest/gtest.h>

using namespace GestureEngineKit;
using nlohmann::json;

namespace {

template <class T>
std::string errorOf(const json& j)
{
    try {
        fromJson<T>(j);
    } catch (const DecodingError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

// Inputs round-trip through trace files (the trace file tests); here the reading rules a writer
// of its own could meet.
TEST(EngineInputJson, KeysTheKindDoesNotUseAreIgnoredAndWholeNumbersAreIntegers)
{
    EXPECT_EQ(fromJson<EngineInput>(json::parse(R"({"k":"key","t":1,"f":"whatever"})")), EngineInput::keyDown(1));
    EXPECT_EQ(fromJson<EngineInput>(json::parse(R"({"k":"mod","t":1,"m":3.0})")),
              EngineInput::modifiers(ModifierState(3), 1));
}

TEST(GestureConfigJson, RoundTripsLeavesOutAbsentOptionalsAndChecksEveryKey)
{
    GestureConfig config;
    json j = toJson(config);
    EXPECT_FALSE(j.contains("sliderStartLimit") || j.contains("requiredModifier"));
    EXPECT_EQ(fromJson<GestureConfig>(j), config);
    config.sliderStartLimit = 0.25;
    config.requiredModifier = ModifierState{ModifierState::control, ModifierState::command};
    config.enabledZones = {Zone::bottom, Zone::left};
    j = toJson(config);
    EXPECT_EQ(j["requiredModifier"], 10);
    EXPECT_EQ(j["enabledZones"], json::parse(R"(["left","bottom"])"));
    EXPECT_EQ(fromJson<GestureConfig>(json::parse(j.dump())), config);

    const auto changed = [](const json& change) {
        json k = toJson(GestureConfig{});
        k.update(change);
        return k;
    };
    const std::pair<json, std::string> cases[] = {
        {{{"bottomTapEnabled", 1}}, R"(key "bottomTapEnabled": expected true or false)"},
        {{{"enabledZones", json::array({"left", "middle"})}}, R"(key "enabledZones": unknown zone "middle")"},
        {{{"requiredModifier", 300}}, R"(key "requiredModifier": number 300 does not fit an unsigned 8-bit integer)"},
        {{{"sliderStartLimit", nullptr}}, "(no error)"}, // null reads as absent
    };
    for (const auto& [change, error] : cases) // (a missing key: the trace tool's tests)
        EXPECT_EQ(errorOf<GestureConfig>(changed(change)), error) << change;
}

// Written in UTC with whole seconds (earlier times round down); read with offsets and fractions.
TEST(InternetDates, FormatWholeSecondsParseOffsetsAndFractionsAndRejectNonsense)
{
    using namespace std::chrono;
    EXPECT_EQ(formatInternetDate(TraceDate{} - 250ms), "1969-12-31T23:59:59Z");
    const TraceDate expected = sys_days{2026y / December / 6} + 14h + 5min + 9s;
    EXPECT_EQ(parseInternetDate("2026-12-06T14:05:09Z"), expected);
    EXPECT_EQ(parseInternetDate("2026-12-06T15:35:09+01:30"), expected);
    EXPECT_EQ(parseInternetDate("2026-12-06T09:05:09-05:00"), expected);
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
