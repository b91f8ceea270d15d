// Reads a trace's JSON lines into a Trace while the text arrives in pieces, so the whole
// text never has to be held at once. Input lines of the usual shape are read with
// simdjson straight into inputs; any other line, and the header, goes through the JSON
// library, whose verdict and error message stand.
#pragma once

#include "GestureEngineKit/Trace.h"

#include <simdjson.h>

#include <optional>
#include <string_view>
#include <vector>

namespace GestureEngineKit::detail {

class TraceLineReader {
  public:
    // Reads every line that `piece`, the next stretch of text, completes; a piece must be
    // followed by simdjson::SIMDJSON_PADDING readable bytes. After a bad line the rest of the
    // text is not read.
    void read(std::string_view piece);
    // Makes room for this many inputs before they come.
    void expectInputs(std::size_t count) { trace_.inputs.reserve(count); }
    // Reads the last line. Throws the first bad line's TraceFileError, or a corrupt-trace one
    // when there was no header line.
    Trace finish();

  private:
    [[nodiscard]] bool failed() const { return error_.has_value(); }
    void keepUnfinished(std::string_view text);
    void readLine(std::string_view line); // followed by padding, like a piece
    // False for anything but a well-formed input line.
    bool readInput(std::string_view line);

    std::vector<char> unfinished_; // a line that goes on in the next piece, then padding
    std::size_t unfinishedLength_ = 0;
    std::size_t lineNumber_ = 0;
    bool haveHeader_ = false;
    Trace trace_;
    std::optional<TraceFileError> error_;
    // Lines longer than any real input (a frame of 500 touches) are left to the JSON library:
    // simdjson would set aside ten times their length.
    simdjson::dom::parser parser_{std::size_t(1) << 16};
};

} // namespace GestureEngineKit::detail
