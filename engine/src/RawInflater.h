// Inflates a trace file's raw DEFLATE stream a piece at a time, so that its text never has
// to be held whole, and tells afterwards what was wrong with the stream, if anything.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <span>
#include <string_view>

namespace GestureEngineKit::detail {

class RawInflater {
  public:
    // Throws TraceFileError when zlib cannot be set up.
    RawInflater(std::string_view bytes, std::size_t sizeLimit);
    ~RawInflater();
    RawInflater(const RawInflater&) = delete;
    RawInflater& operator=(const RawInflater&) = delete;

    // Inflates into `out`, as far as it reaches; returns the bytes written. Once the stream
    // has ended, failed or passed the size limit, writes nothing and finished() is true.
    std::size_t inflateInto(std::span<char> out);
    [[nodiscard]] bool finished() const { return finished_; }
    // After finished(): throws TraceFileError unless the bytes were exactly one complete raw
    // DEFLATE stream of at most sizeLimit bytes.
    void check() const;

  private:
    z_stream stream_{};
    std::size_t inputLeft_;
    std::size_t sizeLimit_;
    std::size_t produced_ = 0;
    int status_ = Z_OK;
    bool finished_ = false;
};

} // namespace GestureEngineKit::detail
