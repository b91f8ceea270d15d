#include "GestureEngineKit/GestureConfig.h"

#include <gtest/gtest.h>

using namespace GestureEngineKit;

TEST(GestureConfigZones, StartPointsFallInTheirZonesWithStrictBounds)
{
    const GestureConfig plain;
    GestureConfig bottomQuarter;
    bottomQuarter.sliderStartLimit = 0.25;
    GestureConfig noSwipes;
    noSwipes.bottomSwipeEnabled = false; // and taps are off by default: no bottom zone
    GestureConfig tapsOnly = noSwipes;
    tapsOnly.bottomTapEnabled = true;
    const struct {
        const GestureConfig& config;
        double x, y;
        ZoneSet expected;
    } cases[] = {
        {plain, 0.05, 0.5, {Zone::left}},
        {plain, 0.1, 0.5, {}},
        {plain, 0.95, 0.5, {Zone::right}},
        {plain, 0.5, 0.03, {Zone::bottom}},
        {plain, 0.5, 0.06, {}},
        {plain, 0.91, 0.9, {Zone::right, Zone::topRightCorner}},
        {plain, 0.89, 0.9, {Zone::topRightCorner}},
        {plain, 0.05, 0.03, {Zone::left, Zone::bottom}},
        {plain, 0.5, 0.5, {}},
        {bottomQuarter, 0.05, 0.2, {Zone::left}},
        {bottomQuarter, 0.05, 0.25, {}},
        {bottomQuarter, 0.95, 0.9, {Zone::topRightCorner}}, // only the sides are limited
        {bottomQuarter, 0.95, 0.03, {Zone::right, Zone::bottom}},
        {noSwipes, 0.5, 0.03, {}},
        {tapsOnly, 0.5, 0.03, {Zone::bottom}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.config.zones(c.x, c.y), c.expected) << c.x << ", " << c.y;

    for (Zone off : allZones) {
        GestureConfig without;
        without.enabledZones.erase(off);
        for (double x : {0.01, 0.5, 0.95, 0.99})
            for (double y : {0.01, 0.5, 0.95, 0.99})
                EXPECT_FALSE(without.zones(x, y).contains(off));
    }
}
