#include "GestureEngineKit/GestureConfig.h"

#include <gtest/gtest.h>

using namespace GestureEngineKit;

TEST(GestureConfigZones, DefaultGeometryWithStrictBounds)
{
    const GestureConfig config;
    EXPECT_EQ(config.zones(0.05, 0.5), ZoneSet{Zone::left});
    EXPECT_EQ(config.zones(0.1, 0.5), ZoneSet{});
    EXPECT_EQ(config.zones(0.95, 0.5), ZoneSet{Zone::right});
    EXPECT_EQ(config.zones(0.5, 0.03), ZoneSet{Zone::bottom});
    EXPECT_EQ(config.zones(0.5, 0.06), ZoneSet{});
    EXPECT_EQ(config.zones(0.91, 0.9), (ZoneSet{Zone::right, Zone::topRightCorner}));
    EXPECT_EQ(config.zones(0.89, 0.9), ZoneSet{Zone::topRightCorner});
    EXPECT_EQ(config.zones(0.05, 0.03), (ZoneSet{Zone::left, Zone::bottom}));
    EXPECT_EQ(config.zones(0.5, 0.5), ZoneSet{});
}

TEST(GestureConfigZones, SliderStartLimitBlocksOnlyTheSides)
{
    GestureConfig config;
    config.sliderStartLimit = 0.25;
    EXPECT_EQ(config.zones(0.05, 0.2), ZoneSet{Zone::left});
    EXPECT_EQ(config.zones(0.05, 0.25), ZoneSet{});
    EXPECT_EQ(config.zones(0.05, 0.6), ZoneSet{});
    EXPECT_EQ(config.zones(0.95, 0.9), ZoneSet{Zone::topRightCorner});
    EXPECT_EQ(config.zones(0.95, 0.03), (ZoneSet{Zone::right, Zone::bottom}));
}

TEST(GestureConfigZones, DisabledZonesAndBottomWithoutGesturesAreNeverHit)
{
    GestureConfig config;
    config.bottomSwipeEnabled = false;
    EXPECT_EQ(config.zones(0.5, 0.03), ZoneSet{}); // taps are off by default too
    config.bottomTapEnabled = true;
    EXPECT_EQ(config.zones(0.5, 0.03), ZoneSet{Zone::bottom});

    for (Zone off : allZones) {
        GestureConfig without;
        without.enabledZones.erase(off);
        for (double x : {0.01, 0.5, 0.95, 0.99})
            for (double y : {0.01, 0.5, 0.95, 0.99})
                EXPECT_FALSE(without.zones(x, y).contains(off));
    }
}
