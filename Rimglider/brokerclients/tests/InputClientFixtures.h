// What the tests of the input broker's clients share: log lines and frames caught from
// other threads, and touchpads described by the recordings of real devices.
#pragma once

#include "Log.h"

#include "RimgliderInput/BrokerProtocol.h"
#include "RimgliderInput/Recording.h"

#include "FakeBroker.h"
#include "TestData.h"

#include "GestureEngineKit/TouchTypes.h"

#include <mutex>
#include <vector>

namespace rimglider::test {

// Every log line written while it exists.
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

// Frames as a touch input delivers them, on its reader thread.
class CaughtFrames {
  public:
    std::function<void(GestureEngineKit::TouchFrame)> handler()
    {
        return [this](GestureEngineKit::TouchFrame frame) {
            std::lock_guard guard(lock_);
            frames_.push_back(std::move(frame));
        };
    }
    std::vector<GestureEngineKit::TouchFrame> frames() const
    {
        std::lock_guard guard(lock_);
        return frames_;
    }
    std::size_t count() const
    {
        std::lock_guard guard(lock_);
        return frames_.size();
    }

  private:
    mutable std::mutex lock_;
    std::vector<GestureEngineKit::TouchFrame> frames_;
};

inline DeviceDescription describedIn(const std::string& descFile)
{
    return *readEvemu(readData(descFile)).description;
}

inline broker::TouchpadInfo touchpad(std::uint32_t deviceId, const std::string& descFile, bool builtIn)
{
    broker::TouchpadInfo info;
    info.deviceId = deviceId;
    info.description = describedIn(descFile);
    info.builtIn = builtIn;
    return info;
}

} // namespace rimglider::test
