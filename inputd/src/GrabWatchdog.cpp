#include "GrabWatchdog.h"

#include "Log.h"

#include <csignal>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <utility>

namespace rimglider::inputd {

namespace {

bool inputWaiting(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

} // namespace

GrabWatchdog::GrabWatchdog(bool ownThread)
{
    if (!ownThread) return;
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) throw std::runtime_error("eventfd failed");
    thread_ = std::thread([this] { run(); });
}

GrabWatchdog::~GrabWatchdog()
{
    if (!thread_.joinable()) return;
    stop_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
    thread_.join();
    ::close(wake_);
}

void GrabWatchdog::arm(std::uint64_t key, int deviceFd, int cloneFd, std::vector<input_event> letGo)
{
    {
        std::lock_guard lock(mutex_);
        armed_[key] = Armed{deviceFd, cloneFd, std::move(letGo), std::nullopt, 0};
    }
    if (wake_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
    }
}

void GrabWatchdog::disarm(std::uint64_t key)
{
    std::lock_guard lock(mutex_);
    armed_.erase(key);
}

std::vector<std::uint64_t> GrabWatchdog::takeTripped()
{
    std::lock_guard lock(mutex_);
    return std::exchange(tripped_, {});
}

void GrabWatchdog::check(Clock::time_point now)
{
    std::lock_guard lock(mutex_);
    const std::uint64_t rounds = rounds_.load(std::memory_order_relaxed);
    for (auto it = armed_.begin(); it != armed_.end();) {
        Armed& a = it->second;
        if (!inputWaiting(a.deviceFd)) {
            a.waitingSince.reset();
        } else if (!a.waitingSince || rounds != a.roundsThen) {
            a.waitingSince = now;
            a.roundsThen = rounds;
        } else if (now - *a.waitingSince >= stallTimeout) {
            ::ioctl(a.deviceFd, EVIOCGRAB, 0);
            [[maybe_unused]] const auto written =
                ::write(a.cloneFd, a.letGo.data(), a.letGo.size() * sizeof(input_event));
            Log::warning("input not forwarded for " + std::to_string(stallTimeout.count()) + " ms: touchpad ungrabbed");
            tripped_.push_back(it->first);
            it = armed_.erase(it);
            continue;
        }
        ++it;
    }
}

void GrabWatchdog::run()
{
    // Signals are the loop's (its signalfd): none may land here and end the process.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    while (!stop_) {
        // Asleep until input waits on a grabbed touchpad; then awake once per stallTimeout while it does.
        std::vector<pollfd> fds{{wake_, POLLIN, 0}};
        int timeout = -1;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [key, a] : armed_) {
                if (!a.waitingSince) {
                    fds.push_back({a.deviceFd, POLLIN, 0});
                    continue;
                }
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(*a.waitingSince + stallTimeout - Clock::now());
                timeout = int(std::clamp<std::int64_t>(left.count(), 0, timeout < 0 ? stallTimeout.count() : timeout));
            }
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) return;
        if (fds[0].revents & POLLIN) {
            std::uint64_t value = 0;
            [[maybe_unused]] const auto read = ::read(wake_, &value, sizeof value);
        }
        if (!stop_) check(Clock::now());
    }
}

} // namespace rimglider::inputd
