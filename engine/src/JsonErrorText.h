#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace GestureEngineKit::detail {

// The JSON library prefixes its messages with "[json.exception.parse_error.101] "; the rest
// reads well.
inline std::string plainMessage(const nlohmann::json::exception& e)
{
    std::string message = e.what();
    if (message.starts_with("[json.exception.")) {
        const auto end = message.find("] ");
        if (end != std::string::npos) message.erase(0, end + 2);
    }
    return message;
}

} // namespace GestureEngineKit::detail
