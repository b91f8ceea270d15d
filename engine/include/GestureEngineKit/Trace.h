// Recorded engine inputs with a header saying what the user meant to do, their file format,
// replay through a fresh engine and judging against the label.
#pragma once

#include "GestureEngineKit/GestureConfig.h"
#include "GestureEngineKit/TouchTypes.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace GestureEngineKit {

enum class TraceLabel : std::uint8_t {
    normalWork, // ordinary use: no gesture should fire
    rightSlideUp,
    rightSlideDown,
    leftSlideUp,
    leftSlideDown,
    cornerDoubleTap,
    bottomSwipeRight,
    bottomSwipeLeft,
};
inline constexpr std::array<TraceLabel, 8> allTraceLabels{
    TraceLabel::normalWork,    TraceLabel::rightSlideUp,    TraceLabel::rightSlideDown,   TraceLabel::leftSlideUp,
    TraceLabel::leftSlideDown, TraceLabel::cornerDoubleTap, TraceLabel::bottomSwipeRight, TraceLabel::bottomSwipeLeft,
};

std::string_view name(TraceLabel);
std::optional<TraceLabel> traceLabelNamed(std::string_view);

// Microseconds reach far beyond the years 0000 to 9999 that a trace file can hold.
using TraceDate = std::chrono::sys_time<std::chrono::microseconds>;

struct TraceHeader {
    std::int64_t version = 1;
    TraceLabel label = TraceLabel::normalWork;
    TraceDate recordedAt{};
    std::string hardwareModel;
    std::string osVersion;
    bool hasContextEvents = false; // key and click inputs could be captured
    std::string note;

    TraceHeader() = default;
    TraceHeader(TraceLabel label, TraceDate recordedAt, std::string hardwareModel, std::string osVersion,
                bool hasContextEvents, std::string note);

    friend bool operator==(const TraceHeader&, const TraceHeader&) = default;
};

struct Trace {
    TraceHeader header;
    std::vector<EngineInput> inputs; // in the order they were fed to the engine

    // Time of the last input minus time of the first; 0 without inputs.
    [[nodiscard]] double duration() const;
    // The events a fresh engine with `config` produces from the inputs, in order.
    [[nodiscard]] std::vector<GestureEvent> replay(const GestureConfig& config) const;

    friend bool operator==(const Trace&, const Trace&) = default;
};

struct TraceVerdict {
    std::vector<std::string> problems;

    TraceVerdict() = default;
    TraceVerdict(const std::vector<GestureEvent>& events, TraceLabel label);

    [[nodiscard]] bool passed() const { return problems.empty(); }

    friend bool operator==(const TraceVerdict&, const TraceVerdict&) = default;
};

class TraceFileError : public std::runtime_error {
  public:
    enum class Kind : std::uint8_t {
        encoding,      // a value cannot be written
        compression,   // the compressor failed
        decompression, // the bytes are not a complete raw DEFLATE stream
        corrupt,       // nothing but line feeds
        decoding,      // a header or input line is not what it must be
    };
    TraceFileError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    [[nodiscard]] Kind kind() const { return kind_; }

  private:
    Kind kind_;
};

// Trace files: compact JSON lines (header first, then one input per line), keys sorted,
// compressed as a raw DEFLATE stream.
namespace TraceFile {
inline constexpr std::string_view fileExtension = "trace";
// Decompressed traces larger than this are refused rather than read into memory.
inline constexpr std::size_t maxDecompressedSize = std::size_t(1) << 31;

// Throws TraceFileError; produces nothing on failure.
std::string encode(const Trace& trace);
Trace decode(std::string_view bytes, std::size_t sizeLimit = maxDecompressedSize);

// The uncompressed JSON-lines text, and its reading; exposed for tools and tests.
std::string encodeLines(const Trace& trace);
Trace decodeLines(std::string_view text);
} // namespace TraceFile

} // namespace GestureEngineKit
