#include "GestureEngineKit/GestureConfig.h"

namespace GestureEngineKit {

ZoneSet GestureConfig::zones(double x, double y) const
{
    const bool sidesBlocked = sliderStartLimit && y >= *sliderStartLimit;
    ZoneSet hit;
    if (x < edgeWidth && enabledZones.contains(Zone::left) && !sidesBlocked) hit.insert(Zone::left);
    if (x > 1 - edgeWidth && enabledZones.contains(Zone::right) && !sidesBlocked) hit.insert(Zone::right);
    if (y < bottomEdgeHeight && enabledZones.contains(Zone::bottom) && (bottomSwipeEnabled || bottomTapEnabled))
        hit.insert(Zone::bottom);
    if (x > 1 - cornerWidth && y > 1 - cornerHeight && enabledZones.contains(Zone::topRightCorner))
        hit.insert(Zone::topRightCorner);
    return hit;
}

} // namespace GestureEngineKit
