// A TaskScheduler whose clock the test moves: advance() runs every task that falls due, in
// order of due time, including tasks those tasks schedule.
#pragma once

#include "TaskScheduler.h"

#include <chrono>
#include <functional>
#include <map>

namespace rimglider::test {

class ManualScheduler {
  public:
    TaskScheduler scheduler()
    {
        return [this](std::chrono::milliseconds delay, std::function<void()> task) {
            tasks_.emplace(now_ + delay, std::move(task));
        };
    }

    void advance(std::chrono::milliseconds by)
    {
        const auto until = now_ + by;
        while (!tasks_.empty() && tasks_.begin()->first <= until) {
            auto due = tasks_.begin();
            now_ = due->first;
            auto task = std::move(due->second);
            tasks_.erase(due);
            task();
        }
        now_ = until;
    }

    [[nodiscard]] std::size_t pending() const { return tasks_.size(); }

  private:
    std::chrono::milliseconds now_{0};
    std::multimap<std::chrono::milliseconds, std::function<void()>> tasks_;
};

} // namespace rimglider::test
