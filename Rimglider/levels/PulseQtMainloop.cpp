#include "PulseQtMainloop.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/time.h>

#include <chrono>
#include <climits>
#include <ctime>

// The event records libpulse holds by pointer; their layout is each loop's own.
struct pa_io_event {
    rimglider::PulseQtMainloop* loop;
    int fd;
    pa_io_event_cb_t callback;
    void* userdata;
    pa_io_event_destroy_cb_t destroy = nullptr;
    QSocketNotifier* readable = nullptr;
    QSocketNotifier* writable = nullptr;
};

struct pa_time_event {
    rimglider::PulseQtMainloop* loop;
    timeval when{};
    pa_time_event_cb_t callback;
    void* userdata;
    pa_time_event_destroy_cb_t destroy = nullptr;
    QTimer* timer = nullptr;
};

struct pa_defer_event {
    rimglider::PulseQtMainloop* loop;
    pa_defer_event_cb_t callback;
    void* userdata;
    pa_defer_event_destroy_cb_t destroy = nullptr;
    QTimer* timer = nullptr;
};

namespace rimglider {

namespace {

// libpulse marks times on its monotonic clock (CLOCK_MONOTONIC) with this bit in tv_usec;
// unmarked times are wall-clock times. The bit is not in the public headers.
constexpr suseconds_t monotonicMark = suseconds_t(1) << 30;

std::int64_t microseconds(const timespec& t)
{
    return std::int64_t(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

// Milliseconds from now until `when`, rounded up so a timer never fires early; 0 when past.
int millisecondsUntil(const timeval& when)
{
    const bool monotonic = (when.tv_usec & monotonicMark) != 0;
    const std::int64_t target = std::int64_t(when.tv_sec) * 1000000 + (when.tv_usec & ~monotonicMark);
    timespec now{};
    clock_gettime(monotonic ? CLOCK_MONOTONIC : CLOCK_REALTIME, &now);
    const std::int64_t remaining = target - microseconds(now);
    if (remaining <= 0) return 0;
    return int(std::min<std::int64_t>((remaining + 999) / 1000, INT_MAX));
}

// Stops an object's signals at once. Inside a callback libpulse may free the very event being
// dispatched, whose notifier or timer is then still on the stack: that one is deleted once
// control is back in the event loop; outside callbacks at once.
void retire(QObject* object, bool inCallback)
{
    if (!object) return;
    object->disconnect();
    if (inCallback)
        object->deleteLater();
    else
        delete object;
}

} // namespace

struct PulseQtMainloop::Callbacks {
    static PulseQtMainloop* loopOf(pa_mainloop_api* api) { return static_cast<PulseQtMainloop*>(api->userdata); }

    // Runs one libpulse callback, counting the depth so that frees inside it defer deletion.
    template <class Call>
    static void dispatch(PulseQtMainloop* loop, Call&& call)
    {
        ++loop->dispatching_;
        call();
        --loop->dispatching_;
    }

    static pa_io_event* ioNew(pa_mainloop_api* api, int fd, pa_io_event_flags_t events, pa_io_event_cb_t callback,
                              void* userdata)
    {
        auto* loop = loopOf(api);
        auto* e = new pa_io_event{loop, fd, callback, userdata};
        e->readable = new QSocketNotifier(fd, QSocketNotifier::Read);
        e->writable = new QSocketNotifier(fd, QSocketNotifier::Write);
        QObject::connect(e->readable, &QSocketNotifier::activated, [e, api, loop] {
            dispatch(loop, [&] { e->callback(api, e, e->fd, PA_IO_EVENT_INPUT, e->userdata); });
        });
        QObject::connect(e->writable, &QSocketNotifier::activated, [e, api, loop] {
            dispatch(loop, [&] { e->callback(api, e, e->fd, PA_IO_EVENT_OUTPUT, e->userdata); });
        });
        ioEnable(e, events);
        loop->io_.insert(e);
        return e;
    }

    static void ioEnable(pa_io_event* e, pa_io_event_flags_t events)
    {
        // Hang-ups and errors wake a read notifier too, so asking for input covers them.
        e->readable->setEnabled((events & (PA_IO_EVENT_INPUT | PA_IO_EVENT_HANGUP | PA_IO_EVENT_ERROR)) != 0);
        e->writable->setEnabled((events & PA_IO_EVENT_OUTPUT) != 0);
    }

    static void ioFree(pa_io_event* e)
    {
        e->loop->io_.erase(e);
        retire(e->readable, e->loop->dispatching_ > 0);
        retire(e->writable, e->loop->dispatching_ > 0);
        if (e->destroy) e->destroy(e->loop->api(), e, e->userdata);
        delete e;
    }

    static void ioSetDestroy(pa_io_event* e, pa_io_event_destroy_cb_t destroy) { e->destroy = destroy; }

    static pa_time_event* timeNew(pa_mainloop_api* api, const timeval* when, pa_time_event_cb_t callback,
                                  void* userdata)
    {
        auto* loop = loopOf(api);
        auto* e = new pa_time_event{loop, {}, callback, userdata};
        e->timer = new QTimer;
        e->timer->setSingleShot(true);
        e->timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(e->timer, &QTimer::timeout,
                         [e, api, loop] { dispatch(loop, [&] { e->callback(api, e, &e->when, e->userdata); }); });
        timeRestart(e, when);
        loop->time_.insert(e);
        return e;
    }

    static void timeRestart(pa_time_event* e, const timeval* when)
    {
        if (!when) {
            e->timer->stop();
            return;
        }
        e->when = *when;
        e->timer->start(millisecondsUntil(*when));
    }

    static void timeFree(pa_time_event* e)
    {
        e->loop->time_.erase(e);
        retire(e->timer, e->loop->dispatching_ > 0);
        if (e->destroy) e->destroy(e->loop->api(), e, e->userdata);
        delete e;
    }

    static void timeSetDestroy(pa_time_event* e, pa_time_event_destroy_cb_t destroy) { e->destroy = destroy; }

    static pa_defer_event* deferNew(pa_mainloop_api* api, pa_defer_event_cb_t callback, void* userdata)
    {
        auto* loop = loopOf(api);
        auto* e = new pa_defer_event{loop, callback, userdata};
        // A deferred event runs once per loop iteration for as long as it is enabled.
        e->timer = new QTimer;
        e->timer->setInterval(0);
        QObject::connect(e->timer, &QTimer::timeout,
                         [e, api, loop] { dispatch(loop, [&] { e->callback(api, e, e->userdata); }); });
        e->timer->start();
        loop->defer_.insert(e);
        return e;
    }

    static void deferEnable(pa_defer_event* e, int enable)
    {
        if (enable)
            e->timer->start();
        else
            e->timer->stop();
    }

    static void deferFree(pa_defer_event* e)
    {
        e->loop->defer_.erase(e);
        retire(e->timer, e->loop->dispatching_ > 0);
        if (e->destroy) e->destroy(e->loop->api(), e, e->userdata);
        delete e;
    }

    static void deferSetDestroy(pa_defer_event* e, pa_defer_event_destroy_cb_t destroy) { e->destroy = destroy; }

    // The loop belongs to Qt; libpulse has no business ending it.
    static void quit(pa_mainloop_api*, int) {}
};

PulseQtMainloop::PulseQtMainloop()
{
    api_.userdata = this;
    api_.io_new = &Callbacks::ioNew;
    api_.io_enable = &Callbacks::ioEnable;
    api_.io_free = &Callbacks::ioFree;
    api_.io_set_destroy = &Callbacks::ioSetDestroy;
    api_.time_new = &Callbacks::timeNew;
    api_.time_restart = &Callbacks::timeRestart;
    api_.time_free = &Callbacks::timeFree;
    api_.time_set_destroy = &Callbacks::timeSetDestroy;
    api_.defer_new = &Callbacks::deferNew;
    api_.defer_enable = &Callbacks::deferEnable;
    api_.defer_free = &Callbacks::deferFree;
    api_.defer_set_destroy = &Callbacks::deferSetDestroy;
    api_.quit = &Callbacks::quit;
}

PulseQtMainloop::~PulseQtMainloop()
{
    while (!io_.empty())
        Callbacks::ioFree(*io_.begin());
    while (!time_.empty())
        Callbacks::timeFree(*time_.begin());
    while (!defer_.empty())
        Callbacks::deferFree(*defer_.begin());
}

} // namespace rimglider
