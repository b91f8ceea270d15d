// Waiting on real I/O that another thread or process performs: polls a condition, bounded.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace rimglider::test {

inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

} // namespace rimglider::test
