#include "GestureEngineKit/ActionMapping.h"

#include <gtest/gtest.h>

using namespace GestureEngineKit;

TEST(ActionMapping, SwappingExchangesOnlyTheSideEdges)
{
    const ActionMapping normal{false}, swapped{true};
    EXPECT_EQ(normal.action(Zone::left), EdgeAction::brightness);
    EXPECT_EQ(normal.action(Zone::right), EdgeAction::volume);
    EXPECT_EQ(swapped.action(Zone::left), EdgeAction::volume);
    EXPECT_EQ(swapped.action(Zone::right), EdgeAction::brightness);
    for (const ActionMapping& m : {normal, swapped}) {
        EXPECT_EQ(m.action(Zone::bottom), EdgeAction::media);
        EXPECT_EQ(m.action(Zone::topRightCorner), EdgeAction::mute);
    }
}

TEST(ActionMapping, EveryActionOwnsExactlyOneZone)
{
    const ActionMapping normal{false}, swapped{true};
    EXPECT_EQ(normal.zones(EdgeAction::volume), ZoneSet{Zone::right});
    EXPECT_EQ(normal.zones(EdgeAction::brightness), ZoneSet{Zone::left});
    EXPECT_EQ(swapped.zones(EdgeAction::volume), ZoneSet{Zone::left});
    for (const ActionMapping& m : {normal, swapped}) {
        EXPECT_EQ(m.zones(EdgeAction::media), ZoneSet{Zone::bottom});
        EXPECT_EQ(m.zones(EdgeAction::mute), ZoneSet{Zone::topRightCorner});
        for (EdgeAction a : allEdgeActions)
            EXPECT_EQ(m.zones(a).members().size(), 1u);
    }
}
