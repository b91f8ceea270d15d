// libpulse's main-loop interface served by the Qt event loop: descriptors watched with
// QSocketNotifier, timers with QTimer. Used when Qt does not run on GLib (QT_NO_GLIB, other
// dispatchers), so that libpulse still runs on the main thread without a thread of its own and
// without ever blocking it. Main thread only.
#pragma once

#include <pulse/mainloop-api.h>

#include <set>

namespace rimglider {

class PulseQtMainloop {
  public:
    PulseQtMainloop();
    // Frees the events libpulse left behind; free the contexts that use the loop first.
    ~PulseQtMainloop();
    PulseQtMainloop(const PulseQtMainloop&) = delete;
    PulseQtMainloop& operator=(const PulseQtMainloop&) = delete;

    pa_mainloop_api* api() { return &api_; }

    // Events alive, for tests that look for leaks of the adapter.
    [[nodiscard]] std::size_t eventCount() const { return io_.size() + time_.size() + defer_.size(); }

  private:
    struct Callbacks; // the functions behind api_

    pa_mainloop_api api_{};
    int dispatching_ = 0; // depth of libpulse callbacks on the stack
    std::set<pa_io_event*> io_;
    std::set<pa_time_event*> time_;
    std::set<pa_defer_event*> defer_;
};

} // namespace rimglider
