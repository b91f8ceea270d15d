#include "AppSettings.h"
#include "TestStore.h"
#include "TuningSettings.h"

#include <gtest/gtest.h>

using namespace rimglider;
using namespace GestureEngineKit;
using rimglider::test::TestStore;
using Strength = AppSettings::HapticStrength;

TEST(AppSettingsStore, LegacyHapticsMigratesByItsMeaningOnlyBeforeSchemaTwo)
{
    const struct {
        QVariant schema, haptics, strength;
        Strength expected;
        bool hapticsKept;
    } cases[] = {
        {{}, true, {}, Strength::medium, false},
        {{}, false, {}, Strength::off, false},
        {{}, "NO", {}, Strength::off, false},
        {{}, "on", {}, Strength::medium, false},
        {2, false, "light", Strength::light, true},      // already at schema 2: a leftover, kept
        {"2.0", "true", "light", Strength::light, true}, // unreadable schema: a stored strength wins
    };
    for (const auto& c : cases) {
        TestStore store;
        if (c.schema.isValid()) store.settings().setValue("schemaVersion", c.schema);
        store.settings().setValue("haptics", c.haptics);
        if (c.strength.isValid()) store.settings().setValue("hapticStrength", c.strength);
        store.settings().sync();
        const auto reopened = store.reopened();
        EXPECT_EQ(AppSettings(*reopened).hapticStrength(), c.expected) << c.haptics.toString().toStdString();
        EXPECT_EQ(reopened->contains("haptics"), c.hapticsKept);
        EXPECT_EQ(reopened->value("schemaVersion").toString(), "2");
    }
}

TEST(AppSettingsStore, StoredTextIsReadStrictlyAndWhatIsNoValueGivesTheDefault)
{
    TestStore store;
    const std::pair<const char*, const char*> stored[] = {
        {"enabled", "NO"},
        {"quickMute", "off"},
        {"mediaStrip", "0"},
        {"tapToPlay", "Yes"},
        {"swapSides", "ON"},
        {"volumeEdge", "nope"},
        {"fineControl", ""},
        {"sensitivity", "fast"},
        {"edgeWidth", " 0.15 "},
        {"hapticStrength", "Strong"},
        {"requiredModifier", "command"},
        {"appearance", "sepia"},
    };
    for (const auto& [key, text] : stored)
        store.settings().setValue(key, text);
    store.settings().sync();
    const auto reopened = store.reopened();
    AppSettings s(*reopened);
    EXPECT_FALSE(s.isEnabled() || s.quickMute() || s.mediaStrip());
    EXPECT_TRUE(s.tapToPlay() && s.swapSides() && s.volumeEdge() && s.fineControl());
    EXPECT_EQ(s.sensitivity(), 1.0);
    EXPECT_EQ(s.edgeWidth(), 0.15);
    EXPECT_EQ(s.hapticStrength(), Strength::strong);
    EXPECT_EQ(s.requiredModifier(), AppSettings::RequiredModifier::none);
    EXPECT_EQ(s.appearance(), AppSettings::AppearanceMode::system);
}

// The defaults themselves show in what the engine is configured with and in what unreadable values give.
TEST(AppSettingsAssignment,
     AFreshStartStoresOnlyTheSchemaVersionThenEveryAssignmentWritesThroughAndResetKeepsEnabledInMemory)
{
    TestStore store;
    AppSettings settings(store.settings());
    EXPECT_EQ(store.storedKeys(), QStringList{"schemaVersion"});
    settings.setEnabled(false);
    int changes = 0;
    settings.onChange = [&] { ++changes; };
    settings.setQuickMute(true);   // its current value
    settings.setSensitivity(7.25); // beyond what the panels offer: not clamped here
    settings.setRequiredModifier(AppSettings::RequiredModifier::function);
    settings.setProperty("edgeWidth", 0.05); // as a bound control would
    EXPECT_EQ(changes, 4);
    const auto reopened = store.reopened(); // on disk at once
    EXPECT_EQ(reopened->value("requiredModifier").toString(), "function");
    AppSettings restarted(*reopened);
    EXPECT_TRUE(restarted.quickMute());
    EXPECT_EQ(restarted.sensitivity(), 7.25);
    EXPECT_EQ(restarted.edgeWidth(), 0.05);
    EXPECT_EQ(restarted.requiredModifier(), AppSettings::RequiredModifier::function);

    settings.resetToDefaults();
    EXPECT_EQ(changes, 4 + 14);
    EXPECT_EQ(settings.sensitivity(), 1.0);
    EXPECT_FALSE(settings.isEnabled());
    const QStringList stored = store.storedKeys();
    EXPECT_EQ(stored.size(), 14);
    EXPECT_FALSE(stored.contains("enabled") || stored.contains("schemaVersion"));
    EXPECT_TRUE(AppSettings(*store.reopened()).isEnabled());
}

TEST(GestureConfigDerivation, SettingsShapeZonesAndConditions)
{
    TestStore store;
    AppSettings settings(store.settings());
    const Tuning tuning{.stepDistanceMM = 3, .candidateTimeout = 1.1};
    GestureConfig expected;
    expected.stepDistanceMM = 3;
    expected.candidateTimeout = 1.1;
    EXPECT_EQ(deriveGestureConfig(settings, tuning, true), expected);

    // No built-in display: the brightness edge goes, on whichever side it is.
    EXPECT_EQ(deriveGestureConfig(settings, tuning, false).enabledZones,
              (ZoneSet{Zone::right, Zone::bottom, Zone::topRightCorner}));
    settings.setSwapSides(true);
    EXPECT_EQ(deriveGestureConfig(settings, tuning, false).enabledZones,
              (ZoneSet{Zone::left, Zone::bottom, Zone::topRightCorner}));
    settings.setVolumeEdge(false);
    EXPECT_EQ(deriveGestureConfig(settings, tuning, true).enabledZones,
              (ZoneSet{Zone::right, Zone::bottom, Zone::topRightCorner}));
    settings.setBrightnessEdge(false);
    settings.setQuickMute(false);
    EXPECT_EQ(deriveGestureConfig(settings, tuning, true).enabledZones, ZoneSet{Zone::bottom});

    // Media strip off with tap-to-play on keeps the bottom edge, for taps only.
    settings.setMediaStrip(false);
    settings.setTapToPlay(true);
    GestureConfig config = deriveGestureConfig(settings, tuning, true);
    EXPECT_TRUE(config.enabledZones.contains(Zone::bottom));
    EXPECT_FALSE(config.bottomSwipeEnabled);
    EXPECT_TRUE(config.bottomTapEnabled);
    settings.setTapToPlay(false);
    EXPECT_TRUE(deriveGestureConfig(settings, tuning, true).enabledZones.isEmpty());

    settings.setBottomOnly(true);
    settings.setSensitivity(2.5);
    settings.setRequiredModifier(AppSettings::RequiredModifier::option);
    config = deriveGestureConfig(settings, tuning, true);
    EXPECT_EQ(config.sliderStartLimit, 0.25);
    EXPECT_EQ(config.sensitivity, 2.5);
    EXPECT_EQ(config.requiredModifier, ModifierState::option);
    settings.setRequiredModifier(AppSettings::RequiredModifier::function);
    EXPECT_EQ(deriveGestureConfig(settings, tuning, true).requiredModifier, ModifierState::function);
}
