// What each gesture zone controls.
#pragma once

#include "GestureEngineKit/TouchTypes.h"

#include <array>
#include <optional>
#include <string_view>

namespace GestureEngineKit {

enum class EdgeAction : std::uint8_t { volume, brightness, media, mute };
inline constexpr std::array<EdgeAction, 4> allEdgeActions{EdgeAction::volume, EdgeAction::brightness, EdgeAction::media,
                                                          EdgeAction::mute};

std::string_view name(EdgeAction);
std::optional<EdgeAction> edgeActionNamed(std::string_view);

// Brightness on the left edge and volume on the right, unless the sides are swapped.
struct ActionMapping {
    bool swapSides = false;

    [[nodiscard]] EdgeAction action(Zone zone) const;
    // Every action owns exactly one zone, so the set is never empty.
    [[nodiscard]] ZoneSet zones(EdgeAction action) const;

    friend bool operator==(const ActionMapping&, const ActionMapping&) = default;
};

} // namespace GestureEngineKit
