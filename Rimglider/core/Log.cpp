#include "Log.h"

#include <systemd/sd-journal.h>

#include <syslog.h>

#include <mutex>
#include <utility>

namespace rimglider {

namespace {

std::mutex observerLock;
Log::Observer& observer()
{
    static Log::Observer* instance = new Log::Observer; // never destroyed: threads may log late
    return *instance;
}

} // namespace

Log::Observer Log::setObserver(Observer newObserver)
{
    std::lock_guard guard(observerLock);
    return std::exchange(observer(), std::move(newObserver));
}

void Log::write(Level level, const std::string& message) const
{
    // Without journald (containers, tests) this fails quietly, as logging must.
    sd_journal_send("MESSAGE=%s", message.c_str(), "PRIORITY=%i", level == Level::error ? LOG_ERR : LOG_INFO,
                    "SYSLOG_IDENTIFIER=%s", identifier.c_str(), "SUBSYSTEM=%s", subsystem.c_str(), "CATEGORY=%s",
                    category_.c_str(), nullptr);
    std::lock_guard guard(observerLock);
    if (observer()) observer()(Line{category_, level, message});
}

} // namespace rimglider
