// Numbers as the trace files write them: the shortest decimal that reads back to the same
// value, laid out the way the JSON library lays out its floating-point numbers.
#pragma once

namespace GestureEngineKit::detail {

// The double a 32-bit float is written as: its shortest decimal read as a double, or the
// float's exact value where double rounding would spoil the round trip.
double shortestDouble(float value);

// Writes a finite `value` at `out` ("0.95", "4750.0", "-0.0", "1e+30", "1.5e-07") and
// returns the end; at most 25 characters.
char* writeJsonNumber(char* out, double value);
// The same text as for shortestDouble(value), without converting the double back to text: its
// shortest decimal has the digits of the float's own (checked for every finite float).
char* writeJsonNumber(char* out, float value);

} // namespace GestureEngineKit::detail
