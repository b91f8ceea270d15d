// Writes a trace's input lines straight into text: compact JSON, keys sorted, numbers as
// their shortest round-trip decimals, without building a JSON value per line.
#pragma once

#include "GestureEngineKit/TouchTypes.h"

#include <string>

namespace GestureEngineKit::detail {

class TraceLineWriter {
  public:
    explicit TraceLineWriter(std::string& text) : text_(text) {}

    // Appends a line feed and the input's line. Every number must be finite.
    void append(const EngineInput& input);

  private:
    std::string& text_;
};

} // namespace GestureEngineKit::detail
