#include "RawInflater.h"

#include "GestureEngineKit/Trace.h"

#include <algorithm>
#include <climits>
#include <string>

namespace GestureEngineKit::detail {

using Kind = TraceFileError::Kind;

namespace {
constexpr int rawDeflateWindowBits = -15; // negative: no zlib header, no checksum
}

RawInflater::RawInflater(std::string_view bytes, std::size_t sizeLimit)
    : inputLeft_(bytes.size()), sizeLimit_(sizeLimit)
{
    if (inflateInit2(&stream_, rawDeflateWindowBits) != Z_OK)
        throw TraceFileError(Kind::decompression, "the decompressor could not be set up");
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
}

RawInflater::~RawInflater()
{
    inflateEnd(&stream_);
}

std::size_t RawInflater::inflateInto(std::span<char> out)
{
    std::size_t written = 0;
    // One byte beyond the limit tells "exactly at the limit" from "larger".
    while (!finished_ && written < out.size()) {
        if (stream_.avail_in == 0 && inputLeft_ > 0) {
            stream_.avail_in = uInt(std::min<std::size_t>(inputLeft_, UINT_MAX));
            inputLeft_ -= stream_.avail_in;
        }
        std::size_t room = std::min<std::size_t>(out.size() - written, UINT_MAX);
        if (sizeLimit_ - produced_ < room) room = sizeLimit_ - produced_ + 1;
        stream_.next_out = reinterpret_cast<Bytef*>(out.data() + written);
        stream_.avail_out = uInt(room);
        status_ = inflate(&stream_, Z_NO_FLUSH);
        const std::size_t made = room - stream_.avail_out;
        written += made;
        produced_ += made;
        if (status_ == Z_BUF_ERROR && (stream_.avail_in > 0 || inputLeft_ > 0)) status_ = Z_OK; // more to come
        finished_ = status_ != Z_OK || produced_ > sizeLimit_;
    }
    return written;
}

void RawInflater::check() const
{
    if (produced_ > sizeLimit_)
        throw TraceFileError(Kind::decompression,
                             "the decompressed trace is larger than " + std::to_string(sizeLimit_) + " bytes");
    if (status_ == Z_STREAM_END) {
        if (stream_.avail_in > 0 || inputLeft_ > 0)
            throw TraceFileError(Kind::decompression, "unexpected bytes after the compressed data");
        return;
    }
    if (status_ == Z_BUF_ERROR || status_ == Z_OK) // the input ran out before the stream's end
        throw TraceFileError(Kind::decompression, "the compressed data ends too early");
    throw TraceFileError(Kind::decompression,
                         "not a raw DEFLATE stream" + (stream_.msg ? " (" + std::string(stream_.msg) + ")" : ""));
}

} // namespace GestureEngineKit::detail
