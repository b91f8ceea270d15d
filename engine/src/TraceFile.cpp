#include "GestureEngineKit/JsonCoding.h"
#include "GestureEngineKit/Trace.h"

#include "Overloaded.h"

#include <zlib.h>

#include <climits>
#include <cmath>

namespace GestureEngineKit::TraceFile {

using nlohmann::json;
using Kind = TraceFileError::Kind;

namespace {

constexpr int rawDeflateWindowBits = -15; // negative: no zlib header, no checksum

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

// nlohmann prefixes its messages with "[json.exception.parse_error.101] "; the rest reads well.
std::string plainMessage(const json::exception& e)
{
    std::string message = e.what();
    if (message.starts_with("[json.exception.")) {
        const auto end = message.find("] ");
        if (end != std::string::npos) message.erase(0, end + 2);
    }
    return message;
}

void appendLine(std::string& text, const json& object)
{
    if (!text.empty()) text += '\n';
    try {
        text += object.dump();
    } catch (const json::type_error& e) {
        throw TraceFileError(Kind::encoding, plainMessage(e)); // a string that is not UTF-8
    }
}

std::string deflateRaw(std::string_view text)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, rawDeflateWindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw TraceFileError(Kind::compression, "the compressor could not be set up");
    std::string out;
    out.resize(deflateBound(&stream, uLong(text.size())));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = uInt(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = text.size() > UINT_MAX || out.size() > UINT_MAX ? Z_BUF_ERROR : deflate(&stream, Z_FINISH);
    const std::size_t written = stream.total_out;
    deflateEnd(&stream);
    if (status != Z_STREAM_END)
        throw TraceFileError(Kind::compression, "compression failed (" + std::to_string(status) + ")");
    out.resize(written);
    return out;
}

std::string inflateRaw(std::string_view bytes, std::size_t sizeLimit)
{
    z_stream stream{};
    if (inflateInit2(&stream, rawDeflateWindowBits) != Z_OK)
        throw TraceFileError(Kind::decompression, "the decompressor could not be set up");
    std::string out;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    std::size_t inputLeft = bytes.size();
    int status = Z_OK;
    while (status == Z_OK) {
        if (out.size() - stream.total_out == 0) {
            // One byte beyond the limit tells "exactly at the limit" from "larger".
            if (out.size() > sizeLimit) break;
            out.resize(std::min(sizeLimit + 1, std::max<std::size_t>(out.size() * 2, bytes.size() * 4 + 4096)));
        }
        if (stream.avail_in == 0 && inputLeft > 0) {
            stream.avail_in = uInt(std::min<std::size_t>(inputLeft, UINT_MAX));
            inputLeft -= stream.avail_in;
        }
        const std::size_t room = out.size() - stream.total_out;
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + stream.total_out);
        stream.avail_out = uInt(std::min<std::size_t>(room, UINT_MAX));
        status = inflate(&stream, Z_NO_FLUSH);
        if (status == Z_BUF_ERROR && stream.avail_in == 0 && inputLeft == 0) break; // input ended early
        if (status == Z_BUF_ERROR) status = Z_OK;                                   // needs more room
    }
    const std::size_t produced = stream.total_out;
    const bool trailing = stream.avail_in > 0 || inputLeft > 0;
    const std::string zlibMessage = stream.msg ? stream.msg : "";
    inflateEnd(&stream);

    if (produced > sizeLimit)
        throw TraceFileError(Kind::decompression,
                             "the decompressed trace is larger than " + std::to_string(sizeLimit) + " bytes");
    if (status == Z_STREAM_END) {
        if (trailing) throw TraceFileError(Kind::decompression, "unexpected bytes after the compressed data");
        out.resize(produced);
        return out;
    }
    if (status == Z_BUF_ERROR || status == Z_OK)
        throw TraceFileError(Kind::decompression, "the compressed data ends too early");
    throw TraceFileError(Kind::decompression,
                         "not a raw DEFLATE stream" + (zlibMessage.empty() ? "" : " (" + zlibMessage + ")"));
}

template <class T>
T decodeLine(std::string_view line, std::size_t lineNumber)
{
    const auto failure = [&](const std::string& reason) {
        return TraceFileError(Kind::decoding, "line " + std::to_string(lineNumber) + ": " + reason);
    };
    try {
        return fromJson<T>(json::parse(line));
    } catch (const json::exception& e) {
        throw failure(plainMessage(e));
    } catch (const DecodingError& e) {
        throw failure(e.what());
    }
}

} // namespace

std::string encodeLines(const Trace& trace)
{
    for (const EngineInput& input : trace.inputs)
        if (!isFinite(input))
            throw TraceFileError(Kind::encoding, "the input at time " + std::to_string(input.time()) +
                                                     " holds a number that is not finite");
    std::string text;
    try {
        appendLine(text, toJson(trace.header));
    } catch (const std::range_error& e) {
        throw TraceFileError(Kind::encoding, std::string("recordedAt: ") + e.what());
    }
    for (const EngineInput& input : trace.inputs)
        appendLine(text, toJson(input));
    return text;
}

std::string encode(const Trace& trace)
{
    return deflateRaw(encodeLines(trace));
}

Trace decodeLines(std::string_view text)
{
    Trace trace;
    bool haveHeader = false;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        ++lineNumber;
        start = end + 1;
        if (line.empty()) continue; // blank lines and a final line feed are tolerated
        if (!haveHeader) {
            trace.header = decodeLine<TraceHeader>(line, lineNumber);
            haveHeader = true;
        } else {
            trace.inputs.push_back(decodeLine<EngineInput>(line, lineNumber));
        }
    }
    if (!haveHeader) throw TraceFileError(Kind::corrupt, "the trace holds no header line");
    return trace;
}

Trace decode(std::string_view bytes, std::size_t sizeLimit)
{
    return decodeLines(inflateRaw(bytes, sizeLimit));
}

} // namespace GestureEngineKit::TraceFile
