#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace GestureEngineKit::detail {

// The case among `cases` whose name() is `text`, if any.
template <class Enum, std::size_t N>
std::optional<Enum> caseNamed(std::string_view text, const std::array<Enum, N>& cases)
{
    for (Enum e : cases)
        if (name(e) == text) return e;
    return std::nullopt;
}

} // namespace GestureEngineKit::detail
