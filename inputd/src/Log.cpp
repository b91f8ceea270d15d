#include "Log.h"

#include <systemd/sd-journal.h>

#include <cstdio>
#include <syslog.h>

namespace rimglider::inputd {

namespace {
bool echoToStderr = false;
}

void Log::setEcho(bool echo)
{
    echoToStderr = echo;
}

void Log::debug(const std::string& message)
{
    send(LOG_DEBUG, message);
}

void Log::info(const std::string& message)
{
    send(LOG_INFO, message);
}

void Log::warning(const std::string& message)
{
    send(LOG_WARNING, message);
}

void Log::error(const std::string& message)
{
    send(LOG_ERR, message);
}

void Log::send(int priority, const std::string& message)
{
    // Without journald (CI, containers) this fails quietly; the echo is what remains.
    sd_journal_send("MESSAGE=%s", message.c_str(), "PRIORITY=%i", priority, "SYSLOG_IDENTIFIER=rimglider-inputd",
                    nullptr);
    if (echoToStderr) std::fprintf(stderr, "rimglider-inputd: %s\n", message.c_str());
}

} // namespace rimglider::inputd
