// JSON coding of the library's value types. The key names and value forms are the trace
// file format, letter for letter.
#pragma once

#include "GestureEngineKit/ActionMapping.h"
#include "GestureEngineKit/GestureConfig.h"
#include "GestureEngineKit/TouchTypes.h"
#include "GestureEngineKit/Trace.h"

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>

namespace GestureEngineKit {

// A value that cannot be decoded: a missing key, a wrong type, an unknown name or a number
// that does not fit its field. The message names the key.
class DecodingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

nlohmann::json toJson(const TouchSample&);
nlohmann::json toJson(const TouchFrame&);
nlohmann::json toJson(ModifierState);
nlohmann::json toJson(Zone);
nlohmann::json toJson(ZoneSet);
nlohmann::json toJson(SliderDirection);
nlohmann::json toJson(SwipeDirection);
nlohmann::json toJson(CancelReason);
nlohmann::json toJson(EdgeAction);
nlohmann::json toJson(const EngineInput&);
nlohmann::json toJson(const GestureConfig&); // optional keys left out when absent
nlohmann::json toJson(TraceLabel);
nlohmann::json toJson(const TraceHeader&);

// Throws DecodingError.
template <class T>
T fromJson(const nlohmann::json&);

template <>
TouchSample fromJson<TouchSample>(const nlohmann::json&);
template <>
TouchFrame fromJson<TouchFrame>(const nlohmann::json&);
template <>
ModifierState fromJson<ModifierState>(const nlohmann::json&);
template <>
Zone fromJson<Zone>(const nlohmann::json&);
template <>
ZoneSet fromJson<ZoneSet>(const nlohmann::json&);
template <>
SliderDirection fromJson<SliderDirection>(const nlohmann::json&);
template <>
SwipeDirection fromJson<SwipeDirection>(const nlohmann::json&);
template <>
CancelReason fromJson<CancelReason>(const nlohmann::json&);
template <>
EdgeAction fromJson<EdgeAction>(const nlohmann::json&);
template <>
EngineInput fromJson<EngineInput>(const nlohmann::json&);
template <>
GestureConfig fromJson<GestureConfig>(const nlohmann::json&);
template <>
TraceLabel fromJson<TraceLabel>(const nlohmann::json&);
template <>
TraceHeader fromJson<TraceHeader>(const nlohmann::json&);

// ISO 8601 internet date-time in UTC with whole seconds, "2026-12-06T14:12:54Z".
// Throws std::range_error for a date outside the years 0000 to 9999.
std::string formatInternetDate(TraceDate);
// Accepts "Z" or a numeric offset, and an optional fraction of a second.
TraceDate parseInternetDate(std::string_view);

// The JSON number for a 32-bit float: the shortest decimal that reads back to the same float,
// so files stay small and every value survives the round trip.
nlohmann::json floatNumber(float);

} // namespace GestureEngineKit
