// Every log line written while it exists, whichever thread wrote it.
#pragma once

#include "Log.h"

#include <mutex>
#include <string>
#include <vector>

namespace rimglider::test {

class CaughtLog {
  public:
    CaughtLog()
    {
        previous_ = Log::setObserver([this](const Log::Line& line) {
            std::lock_guard guard(lock_);
            lines_.push_back(line);
        });
    }
    ~CaughtLog() { Log::setObserver(std::move(previous_)); }
    CaughtLog(const CaughtLog&) = delete;
    CaughtLog& operator=(const CaughtLog&) = delete;

    std::vector<Log::Line> lines() const
    {
        std::lock_guard guard(lock_);
        return lines_;
    }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> result;
        for (const Log::Line& line : lines())
            result.push_back(line.message);
        return result;
    }

  private:
    mutable std::mutex lock_;
    std::vector<Log::Line> lines_;
    Log::Observer previous_;
};

} // namespace rimglider::test
