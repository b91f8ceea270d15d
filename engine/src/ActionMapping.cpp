#include "GestureEngineKit/ActionMapping.h"

#include "NameLookup.h"

namespace GestureEngineKit {

std::string_view name(EdgeAction action)
{
    switch (action) {
    case EdgeAction::volume:
        return "volume";
    case EdgeAction::brightness:
        return "brightness";
    case EdgeAction::media:
        return "media";
    case EdgeAction::mute:
        return "mute";
    }
    return "?";
}

std::optional<EdgeAction> edgeActionNamed(std::string_view text)
{
    return detail::caseNamed(text, allEdgeActions);
}

EdgeAction ActionMapping::action(Zone zone) const
{
    switch (zone) {
    case Zone::left:
        return swapSides ? EdgeAction::volume : EdgeAction::brightness;
    case Zone::right:
        return swapSides ? EdgeAction::brightness : EdgeAction::volume;
    case Zone::bottom:
        return EdgeAction::media;
    case Zone::topRightCorner:
        return EdgeAction::mute;
    }
    return EdgeAction::media;
}

ZoneSet ActionMapping::zones(EdgeAction wanted) const
{
    ZoneSet result;
    for (Zone zone : allZones)
        if (action(zone) == wanted) result.insert(zone);
    return result;
}

} // namespace GestureEngineKit
