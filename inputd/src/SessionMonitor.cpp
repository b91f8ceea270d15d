#include "SessionMonitor.h"

#include "Log.h"

#include <systemd/sd-login.h>

#include <cstring>
#include <string>

namespace rimglider::inputd {

SessionMonitor::SessionMonitor()
{
    // All categories: an active-session switch shows up as a seat change, a logout as a session one.
    const int rc = sd_login_monitor_new(nullptr, &monitor_);
    if (rc < 0) {
        monitor_ = nullptr;
        Log::warning(std::string("cannot follow logind sessions: ") + std::strerror(-rc));
    }
}

SessionMonitor::~SessionMonitor()
{
    if (monitor_) sd_login_monitor_unref(monitor_);
}

int SessionMonitor::fd() const
{
    return monitor_ ? sd_login_monitor_get_fd(monitor_) : -1;
}

void SessionMonitor::acknowledge()
{
    if (monitor_) sd_login_monitor_flush(monitor_);
}

bool SessionMonitor::isActiveOnSeat(uid_t uid)
{
    return sd_uid_is_on_seat(uid, 1, "seat0") > 0;
}

} // namespace rimglider::inputd
