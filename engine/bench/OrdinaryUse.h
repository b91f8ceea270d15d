// A synthetic but realistic stream of touchpad use, for benchmarks.
#pragma once

#include "GestureEngineKit/Trace.h"

#include <cstddef>

namespace bench {

// Ordinary work at 125 Hz: pointer movement in the middle, two-finger scrolling, taps,
// typing, and now and then a slide along an edge, a corner double tap or a bottom swipe.
// Deterministic; stops once it holds at least `inputs` inputs (nearly all of them frames).
GestureEngineKit::Trace ordinaryUse(std::size_t inputs);

} // namespace bench
