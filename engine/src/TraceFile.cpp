#include "GestureEngineKit/JsonCoding.h"
#include "GestureEngineKit/Trace.h"

#include "InflateAhead.h"
#include "JsonErrorText.h"
#include "RawInflater.h"
#include "TraceLineReader.h"
#include "TraceLineWriter.h"

#include <libdeflate.h>

#include <algorithm>
#include <cmath>
#include <future>
#include <memory>
#include <span>
#include <system_error>

namespace GestureEngineKit::TraceFile {

using Kind = TraceFileError::Kind;

namespace {

// Level 5 makes files 1 % larger than level 6 in two thirds of the time, and still 9 %
// smaller than zlib's default did.
constexpr int compressionLevel = 5;
// Traces of this many inputs and more (a few minutes of use) are written in two halves at once.
constexpr std::size_t writeInHalvesFrom = std::size_t(1) << 15;
// Files from this size on (about two minutes of use) are inflated on a worker thread.
constexpr std::size_t inflateOnWorkerFrom = std::size_t(1) << 18;
// An input takes 16 bytes of a file or more, so a file has at most about this many inputs.
// Making room for them at once spares the copy, and the memory held twice meanwhile, of
// growing to hundreds of thousands; room never written to takes no memory. Beyond four hours
// of frames the inputs grow as they come.
std::size_t expectedInputs(std::size_t fileSize)
{
    return std::min(fileSize / 16, std::size_t(1) << 21);
}

bool isFinite(const EngineInput& input)
{
    if (!std::isfinite(input.time())) return false;
    const auto* frame = input.as<TouchFrame>();
    if (!frame) return true;
    for (const TouchSample& s : frame->touches)
        for (float v : {s.x, s.y, s.majorAxis, s.minorAxis, s.absoluteX, s.absoluteY})
            if (!std::isfinite(v)) return false;
    return true;
}

std::string headerLine(const TraceHeader& header)
{
    try {
        return toJson(header).dump();
    } catch (const std::range_error& e) {
        throw TraceFileError(Kind::encoding, std::string("recordedAt: ") + e.what());
    } catch (const nlohmann::json::type_error& e) {
        throw TraceFileError(Kind::encoding, detail::plainMessage(e)); // a string that is not UTF-8
    }
}

// About the length of the inputs' lines, to make room for them at once.
std::size_t expectedLength(std::span<const EngineInput> inputs)
{
    std::size_t length = 0;
    for (const EngineInput& input : inputs) {
        const auto* frame = input.as<TouchFrame>();
        length += 40 + (frame ? 120 * frame->touches.size() : 0);
    }
    return length;
}

// Appends the inputs' lines, each after a line feed.
void appendLines(std::span<const EngineInput> inputs, std::string& text)
{
    text.reserve(text.size() + expectedLength(inputs));
    detail::TraceLineWriter writer(text);
    for (const EngineInput& input : inputs)
        writer.append(input);
}

std::string deflateRaw(std::string_view text)
{
    const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(compressionLevel), libdeflate_free_compressor);
    if (!compressor) throw TraceFileError(Kind::compression, "the compressor could not be set up");
    const std::size_t bound = libdeflate_deflate_compress_bound(compressor.get(), text.size());
    const std::unique_ptr<char[]> out(new char[bound]); // not zero-filled: only what is written is touched
    const std::size_t written =
        libdeflate_deflate_compress(compressor.get(), text.data(), text.size(), out.get(), bound);
    if (written == 0) throw TraceFileError(Kind::compression, "compression failed");
    return std::string(out.get(), written);
}

} // namespace

std::string encodeLines(const Trace& trace)
{
    for (const EngineInput& input : trace.inputs)
        if (!isFinite(input))
            throw TraceFileError(Kind::encoding, "the input at time " + std::to_string(input.time()) +
                                                     " holds a number that is not finite");
    const std::span<const EngineInput> inputs = trace.inputs;
    std::size_t half = inputs.size();
    std::future<std::string> secondHalf;
    if (inputs.size() >= writeInHalvesFrom) {
        try {
            secondHalf = std::async(std::launch::async, [inputs, at = inputs.size() / 2] {
                std::string lines;
                appendLines(inputs.subspan(at), lines);
                return lines;
            });
            half = inputs.size() / 2;
        } catch (const std::system_error&) {
            // No thread to be had: all of it on this one.
        }
    }
    std::string text = headerLine(trace.header);
    text.reserve(text.size() + expectedLength(inputs));
    appendLines(inputs.first(half), text);
    if (secondHalf.valid()) text += secondHalf.get();
    return text;
}

std::string encode(const Trace& trace)
{
    return deflateRaw(encodeLines(trace));
}

Trace decodeLines(std::string_view text)
{
    detail::TraceLineReader reader;
    // The reader needs padding after each piece, which `text` need not have.
    std::vector<char> piece(detail::InflateAhead::pieceSize + simdjson::SIMDJSON_PADDING);
    while (!text.empty()) {
        const std::size_t length = std::min(text.size(), detail::InflateAhead::pieceSize);
        std::copy_n(text.data(), length, piece.data());
        reader.read({piece.data(), length});
        text.remove_prefix(length);
    }
    return reader.finish();
}

Trace decode(std::string_view bytes, std::size_t sizeLimit)
{
    detail::TraceLineReader reader;
    reader.expectInputs(expectedInputs(bytes.size()));
    detail::RawInflater inflater(bytes, sizeLimit);
    {
        // After a bad line the rest is still inflated: a broken stream is what to report first.
        detail::InflateAhead pieces(inflater, bytes.size() >= inflateOnWorkerFrom, simdjson::SIMDJSON_PADDING);
        for (std::string_view piece = pieces.next(); !piece.empty(); piece = pieces.next())
            reader.read(piece);
    }
    inflater.check();
    return reader.finish();
}

} // namespace GestureEngineKit::TraceFile
