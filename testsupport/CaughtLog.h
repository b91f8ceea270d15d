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
            messages_.push_back(line.message);
        });
    }
    ~CaughtLog() { Log::setObserver(std::move(previous_)); }

    std::vector<std::string> messages() const
    {
        std::lock_guard guard(lock_);
        return messages_;
    }

  private:
    mutable std::mutex lock_;
    std::vector<std::string> messages_;
    Log::Observer previous_;
};

} // namespace rimglider::test
