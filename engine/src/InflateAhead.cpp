#include "InflateAhead.h"

#include <system_error>

namespace GestureEngineKit::detail {

InflateAhead::InflateAhead(RawInflater& inflater, bool onWorkerThread, std::size_t padding) : inflater_(inflater)
{
    for (std::size_t i = 0; i < (onWorkerThread ? bufferCount : 1); ++i)
        buffers_[i].resize(pieceSize + padding);
    if (!onWorkerThread) return;
    try {
        worker_ = std::jthread([this](const std::stop_token& stop) { inflateAhead(stop); });
    } catch (const std::system_error&) {
        // No thread to be had: inflate on the caller's thread after all.
    }
}

InflateAhead::~InflateAhead() = default;

std::string_view InflateAhead::next()
{
    if (!worker_.joinable()) {
        const std::size_t length = inflater_.inflateInto({buffers_[0].data(), pieceSize});
        return {buffers_[0].data(), length};
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return read_ < filled_ || done_; });
    if (read_ == filled_) return {};
    const std::size_t slot = read_++ % bufferCount;
    changed_.notify_all(); // the previous piece's buffer is free again
    return {buffers_[slot].data(), lengths_[slot]};
}

void InflateAhead::inflateAhead(const std::stop_token& stop)
{
    std::unique_lock lock(mutex_);
    while (!inflater_.finished()) {
        // A buffer is free once the caller has moved past it: it reads the piece it took last
        // until it asks for the next one.
        if (!changed_.wait(lock, stop, [&] { return filled_ + 1 < read_ + bufferCount; })) return;
        const std::size_t slot = filled_ % bufferCount;
        lock.unlock();
        const std::size_t length = inflater_.inflateInto({buffers_[slot].data(), pieceSize});
        lock.lock();
        lengths_[slot] = length;
        ++filled_;
        changed_.notify_all();
    }
    done_ = true;
    changed_.notify_all();
}

} // namespace GestureEngineKit::detail
