// Every parameter of the gesture engine, and the zone hit test.
#pragma once

#include "GestureEngineKit/TouchTypes.h"

#include <optional>

namespace GestureEngineKit {

struct GestureConfig {
    double surfaceWidthMM = 125.0;
    double surfaceHeightMM = 78.0;
    ZoneSet enabledZones = ZoneSet::all();
    double edgeWidth = 0.1;         // fraction of the width: left and right zones
    double bottomEdgeHeight = 0.06; // fraction of the height: bottom zone
    double cornerWidth = 0.12;      // top-right corner zone
    double cornerHeight = 0.18;
    std::optional<double> sliderStartLimit; // side zones only below this height
    bool bottomSwipeEnabled = true;
    bool bottomTapEnabled = false;
    std::optional<ModifierState> requiredModifier; // claim only while all of these are held
    double activationDistanceMM = 2.0;
    double activationAngleRatio = 2.0;
    double candidateTimeout = 0.8;
    double stepDistanceMM = 2.5;
    double sensitivity = 1.0;
    double tapMaxDuration = 0.2;
    double tapMaxMovementMM = 1.5;
    double doubleTapInterval = 0.35;
    double swipeMinDistanceMM = 12.0;
    double typingGuard = 0.4;
    double palmMajorAxisMax = 24.0; // larger contacts are palms

    // The zones a start point at (x, y) lies in. All bounds are strict.
    [[nodiscard]] ZoneSet zones(double x, double y) const;

    friend bool operator==(const GestureConfig&, const GestureConfig&) = default;
};

} // namespace GestureEngineKit
