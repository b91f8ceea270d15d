// Hands out a trace file's text piece by piece. For a large file a worker thread inflates
// the next pieces while the caller reads the current one, which nearly halves the time on two
// cores; a small file is inflated on the caller's thread, where a thread would cost more than
// it saves.
#pragma once

#include "RawInflater.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace GestureEngineKit::detail {

class InflateAhead {
  public:
    // Pieces are this long at most, and each is followed by `padding` readable bytes.
    static constexpr std::size_t pieceSize = std::size_t(1) << 18;

    InflateAhead(RawInflater& inflater, bool onWorkerThread, std::size_t padding);
    ~InflateAhead();
    InflateAhead(const InflateAhead&) = delete;
    InflateAhead& operator=(const InflateAhead&) = delete;

    // The next piece of text, valid until the next call; empty once the inflater has finished.
    std::string_view next();

  private:
    static constexpr std::size_t bufferCount = 3;
    void inflateAhead(const std::stop_token& stop);

    RawInflater& inflater_;
    std::array<std::vector<char>, bufferCount> buffers_;
    std::array<std::size_t, bufferCount> lengths_{};
    // Buffers go round in order: the worker fills buffer filled_ % n while the caller reads
    // buffer read_ % n; the worker stays at most n - 1 ahead.
    std::size_t filled_ = 0;
    std::size_t read_ = 0;
    bool done_ = false;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::jthread worker_; // last: stopped and joined before the buffers go
};

} // namespace GestureEngineKit::detail
