#include "AppSettings.h"
#include "TestStore.h"
#include "TuningSettings.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

using namespace rimglider;
using namespace GestureEngineKit;
using rimglider::test::TestStore;
using Strength = AppSettings::HapticStrength;

TEST(AppSettingsStore, FreshStartReadsDefaultsAndStoresOnlyTheSchemaVersion)
{
    TestStore store;
    AppSettings settings(store.settings());
    EXPECT_TRUE(settings.isEnabled());
    EXPECT_EQ(settings.hapticStrength(), Strength::strong);
    EXPECT_TRUE(settings.quickMute());
    EXPECT_TRUE(settings.mediaStrip());
    EXPECT_FALSE(settings.tapToPlay());
    EXPECT_EQ(settings.sensitivity(), 1.0);
    EXPECT_EQ(settings.edgeWidth(), 0.1);
    EXPECT_FALSE(settings.swapSides());
    EXPECT_TRUE(settings.brightnessEdge());
    EXPECT_TRUE(settings.volumeEdge());
    EXPECT_FALSE(settings.bottomOnly());
    EXPECT_EQ(settings.requiredModifier(), AppSettings::RequiredModifier::none);
    EXPECT_TRUE(settings.freezeCursor());
    EXPECT_TRUE(settings.fineControl());
    EXPECT_EQ(settings.appearance(), AppSettings::AppearanceMode::system);
    EXPECT_EQ(store.storedKeys(), QStringList{"schemaVersion"});
    EXPECT_EQ(store.reopened()->value("schemaVersion").toInt(), 2);
}

TEST(AppSettingsStore, LegacyHapticsMigratesOnceToSchemaTwo)
{
    for (bool haptics : {true, false}) {
        TestStore store;
        store.settings().setValue("haptics", haptics);
        AppSettings settings(store.settings());
        EXPECT_EQ(settings.hapticStrength(), haptics ? Strength::medium : Strength::off);
        const auto stored = store.reopened();
        EXPECT_FALSE(stored->contains("haptics"));
        EXPECT_EQ(stored->value("schemaVersion").toInt(), 2);
        EXPECT_EQ(stored->value("hapticStrength").toString(), haptics ? "medium" : "off");
    }

    // A store already at version 2 keeps a leftover key as it is.
    TestStore current;
    current.settings().setValue("schemaVersion", 2);
    current.settings().setValue("haptics", false);
    current.settings().setValue("hapticStrength", "light");
    AppSettings settings(current.settings());
    EXPECT_EQ(settings.hapticStrength(), Strength::light);
    EXPECT_TRUE(current.reopened()->contains("haptics"));
}

TEST(AppSettingsStore, UnknownEnumerationStringsFallBack)
{
    TestStore store;
    store.settings().setValue("hapticStrength", "Strong");
    store.settings().setValue("requiredModifier", "command");
    store.settings().setValue("appearance", "sepia");
    AppSettings settings(store.settings());
    EXPECT_EQ(settings.hapticStrength(), Strength::strong);
    EXPECT_EQ(settings.requiredModifier(), AppSettings::RequiredModifier::none);
    EXPECT_EQ(settings.appearance(), AppSettings::AppearanceMode::system);
}

TEST(AppSettingsStore, ValuesAreTakenAsStoredAndSurviveARestart)
{
    TestStore store;
    {
        AppSettings settings(store.settings());
        settings.setSensitivity(7.25); // beyond what the panels offer: not clamped here
        settings.setEdgeWidth(0.15);
        settings.setRequiredModifier(AppSettings::RequiredModifier::function);
        settings.setSwapSides(true);
        settings.setEnabled(false);
    }
    const auto reopened = store.reopened();
    AppSettings restarted(*reopened);
    EXPECT_EQ(restarted.sensitivity(), 7.25);
    EXPECT_EQ(restarted.edgeWidth(), 0.15);
    EXPECT_EQ(restarted.requiredModifier(), AppSettings::RequiredModifier::function);
    EXPECT_TRUE(restarted.swapSides());
    EXPECT_FALSE(restarted.isEnabled());
    EXPECT_EQ(reopened->value("requiredModifier").toString(), "function");
}

TEST(AppSettingsAssignment, EveryAssignmentWritesThroughAndCallsOnChangeOnce)
{
    TestStore store;
    AppSettings settings(store.settings());
    int changes = 0;
    settings.onChange = [&] { ++changes; };
    QSignalSpy notified(&settings, &AppSettings::quickMuteChanged);

    settings.setQuickMute(true); // its current value
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(notified.count(), 1);
    EXPECT_TRUE(store.reopened()->contains("quickMute")); // on disk at once

    settings.setHapticStrength(Strength::light);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(store.reopened()->value("hapticStrength").toString(), "light");
    settings.setProperty("edgeWidth", 0.05); // as a bound control would
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(settings.edgeWidth(), 0.05);
}

TEST(AppSettingsReset, RestoresDefaultsWithFourteenWritesAndKeepsEnabledInMemory)
{
    TestStore store;
    AppSettings settings(store.settings());
    settings.setEnabled(false);
    settings.setSwapSides(true);
    settings.setHapticStrength(Strength::off);
    int changes = 0;
    settings.onChange = [&] { ++changes; };

    settings.resetToDefaults();
    EXPECT_EQ(changes, 14);
    EXPECT_FALSE(settings.swapSides());
    EXPECT_EQ(settings.hapticStrength(), Strength::strong);
    EXPECT_FALSE(settings.isEnabled());
    const QStringList stored = store.storedKeys();
    EXPECT_EQ(stored.size(), 14);
    EXPECT_FALSE(stored.contains("enabled"));
    EXPECT_FALSE(stored.contains("schemaVersion"));

    const auto reopened = store.reopened();
    AppSettings nextStart(*reopened);
    EXPECT_TRUE(nextStart.isEnabled());
    EXPECT_EQ(reopened->value("schemaVersion").toInt(), 2);
}

TEST(GestureConfigDerivation, DefaultsGiveAllZonesAndTheTuningThresholds)
{
    TestStore store;
    AppSettings settings(store.settings());
    Tuning tuning;
    tuning.stepDistanceMM = 3;
    tuning.candidateTimeout = 1.1;
    tuning.doubleTapInterval = 0.5;
    const GestureConfig config = deriveGestureConfig(settings, tuning, true);
    GestureConfig expected;
    expected.stepDistanceMM = 3;
    expected.candidateTimeout = 1.1;
    expected.doubleTapInterval = 0.5;
    EXPECT_EQ(config, expected);
}

TEST(GestureConfigDerivation, SettingsShapeZonesAndConditions)
{
    TestStore store;
    AppSettings settings(store.settings());
    const Tuning tuning;

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
    settings.setEdgeWidth(0.05);
    settings.setRequiredModifier(AppSettings::RequiredModifier::function);
    config = deriveGestureConfig(settings, tuning, true);
    EXPECT_EQ(config.sliderStartLimit, 0.25);
    EXPECT_EQ(config.sensitivity, 2.5);
    EXPECT_EQ(config.edgeWidth, 0.05);
    EXPECT_EQ(config.requiredModifier, ModifierState::function);
    settings.setRequiredModifier(AppSettings::RequiredModifier::option);
    EXPECT_EQ(deriveGestureConfig(settings, tuning, true).requiredModifier, ModifierState(4));
    settings.setBottomOnly(false);
    settings.setRequiredModifier(AppSettings::RequiredModifier::none);
    config = deriveGestureConfig(settings, tuning, true);
    EXPECT_FALSE(config.sliderStartLimit);
    EXPECT_FALSE(config.requiredModifier);
}

TEST(AppSettingsStore, BooleansAreReadStrictlyFromText)
{
    TestStore store;
    store.settings().setValue("schemaVersion", "2");
    store.settings().setValue("enabled", "NO");
    store.settings().setValue("quickMute", "off");
    store.settings().setValue("mediaStrip", "0");
    store.settings().setValue("tapToPlay", "Yes");
    store.settings().setValue("swapSides", "ON");
    store.settings().setValue("brightnessEdge", "False");
    store.settings().setValue("volumeEdge", "nope"); // no Boolean: the default
    store.settings().setValue("fineControl", "");
    store.settings().setValue("sensitivity", "fast");
    store.settings().sync();
    const auto reopened = store.reopened();
    AppSettings settings(*reopened);
    EXPECT_FALSE(settings.isEnabled());
    EXPECT_FALSE(settings.quickMute());
    EXPECT_FALSE(settings.mediaStrip());
    EXPECT_TRUE(settings.tapToPlay());
    EXPECT_TRUE(settings.swapSides());
    EXPECT_FALSE(settings.brightnessEdge());
    EXPECT_TRUE(settings.volumeEdge());
    EXPECT_TRUE(settings.fineControl());
    EXPECT_EQ(settings.sensitivity(), 1.0);
}

TEST(AppSettingsStore, LegacyHapticsTextMigratesByItsMeaning)
{
    for (const auto& [text, expected] : {std::pair{"NO", Strength::off}, std::pair{"on", Strength::medium}}) {
        TestStore store;
        store.settings().setValue("haptics", text);
        store.settings().sync();
        const auto reopened = store.reopened();
        AppSettings settings(*reopened);
        EXPECT_EQ(settings.hapticStrength(), expected) << text;
        EXPECT_FALSE(reopened->contains("haptics"));
    }
}

TEST(AppSettingsStore, UnreadableSchemaVersionNeverOverwritesAStoredStrength)
{
    TestStore store;
    store.settings().setValue("schemaVersion", "2.0");
    store.settings().setValue("haptics", "true");
    store.settings().setValue("hapticStrength", "light");
    store.settings().sync();
    const auto reopened = store.reopened();
    AppSettings settings(*reopened);
    EXPECT_EQ(settings.hapticStrength(), Strength::light);
    EXPECT_EQ(reopened->value("schemaVersion").toString(), "2");
    EXPECT_TRUE(reopened->contains("haptics")); // not ours to discard
}
