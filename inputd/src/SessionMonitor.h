// logind, as the broker follows it: an fd that becomes readable when sessions or seats change,
// and whether a user has the active session on seat0.
#pragma once

#include <sys/types.h>

struct sd_login_monitor;

namespace rimglider::inputd {

class SessionMonitor {
  public:
    SessionMonitor(); // fd() is -1 when logind cannot be watched
    ~SessionMonitor();
    SessionMonitor(const SessionMonitor&) = delete;
    SessionMonitor& operator=(const SessionMonitor&) = delete;

    [[nodiscard]] int fd() const;
    // Consumes the pending change notification.
    void acknowledge();

    // 0 and errors alike mean "not active": with no logind the answer is no.
    static bool isActiveOnSeat(uid_t uid);

  private:
    sd_login_monitor* monitor_ = nullptr;
};

} // namespace rimglider::inputd
