// Fuzzes trace reading. The input is a trace file's bytes (compressed), or with
// FUZZ_TRACE_LINES the uncompressed JSON lines, so the fuzzer can explore the JSON directly.
// The reader must agree with the JSON library reading line by line, as traces were first read:
// the same trace bit for bit, or the same error word for word. Whatever decodes must survive a
// write and read unchanged (but for the fraction of a second of the date) and replay through
// the engine with every claim released exactly once.
#include "GestureEngineKit/GestureEngine.h"
#include "GestureEngineKit/JsonCoding.h"
#include "GestureEngineKit/Trace.h"

#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <variant>

using namespace GestureEngineKit;

namespace {

using Outcome = std::variant<Trace, TraceFileError>;

void check(bool condition)
{
    if (!condition) std::abort();
}

Outcome readLineByLine(std::string_view text)
{
    Trace trace;
    bool haveHeader = false;
    for (std::size_t lineNumber = 1, start = 0; start <= text.size(); ++lineNumber) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        try {
            const nlohmann::json j = nlohmann::json::parse(line);
            if (haveHeader)
                trace.inputs.push_back(fromJson<EngineInput>(j));
            else
                trace.header = fromJson<TraceHeader>(j);
            haveHeader = true;
        } catch (const std::exception& e) {
            std::string message = e.what();
            if (message.starts_with("[json.exception.")) message.erase(0, message.find("] ") + 2);
            return TraceFileError(TraceFileError::Kind::decoding,
                                  "line " + std::to_string(lineNumber) + ": " + message);
        }
    }
    if (!haveHeader) return TraceFileError(TraceFileError::Kind::corrupt, "the trace holds no header line");
    return trace;
}

#ifndef FUZZ_TRACE_LINES
// Past what a fuzz input of a few kilobytes can inflate to; held whole by the check below.
constexpr std::size_t sizeLimit = 8u << 20;

// The text of one complete raw DEFLATE stream within the size limit, or nothing.
std::optional<std::string> inflateWhole(std::string_view bytes)
{
    z_stream stream{};
    inflateInit2(&stream, -15);
    static std::string text(sizeLimit + 1, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(text.data());
    stream.avail_out = uInt(text.size());
    const bool whole = inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.avail_in == 0;
    const std::size_t length = stream.total_out;
    inflateEnd(&stream);
    if (!whole || length > sizeLimit) return std::nullopt;
    return text.substr(0, length);
}
#endif

// Equal, and equal in every bit (-0.0 is not 0.0 here): the inputs write the same text.
bool identical(const Trace& a, const Trace& b)
{
    return a == b && TraceFile::encodeLines({{}, a.inputs}) == TraceFile::encodeLines({{}, b.inputs});
}

void checkClaimsAreReleasedOnce(const Trace& trace)
{
    GestureEngine engine;
    int open = 0;
    for (const EngineInput& input : trace.inputs) {
        for (const GestureEvent& event : engine.handle(input)) {
            if (event.kind() == GestureEvent::Kind::claimed) check(open++ == 0);
            if (event.kind() == GestureEvent::Kind::released) check(--open == 0);
        }
    }
    check(open == (engine.claim() ? 1 : 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
#ifdef FUZZ_TRACE_LINES
    const Outcome expected = readLineByLine(bytes);
    const auto decode = [&] { return TraceFile::decodeLines(bytes); };
#else
    const std::optional<std::string> text = inflateWhole(bytes);
    // What is wrong with a broken stream is the reader's own to say; that it is broken is not.
    const Outcome expected = text ? readLineByLine(*text) : TraceFileError(TraceFileError::Kind::decompression, "");
    const auto decode = [&] { return TraceFile::decode(bytes, sizeLimit); };
#endif
    Outcome read = TraceFileError(TraceFileError::Kind::encoding, "");
    try {
        read = decode();
    } catch (const TraceFileError& e) {
        read = e;
    }
    check(read.index() == expected.index());
    if (const auto* error = std::get_if<TraceFileError>(&read)) {
        const auto& other = std::get<TraceFileError>(expected);
        check(error->kind() == other.kind());
        check(error->kind() == TraceFileError::Kind::decompression || std::string_view(error->what()) == other.what());
        return 0;
    }
    const Trace& trace = std::get<Trace>(read);
    check(identical(trace, std::get<Trace>(expected)));
    checkClaimsAreReleasedOnce(trace);

    std::string written;
    try {
        written = TraceFile::encode(trace);
    } catch (const TraceFileError&) {
        return 0; // a date the file format cannot hold
    }
    Trace rewritten = trace;
    rewritten.header.recordedAt = std::chrono::floor<std::chrono::seconds>(trace.header.recordedAt);
    check(identical(TraceFile::decode(written), rewritten));
    return 0;
}
