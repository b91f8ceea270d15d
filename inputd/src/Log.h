// The broker's log: journald, identified as rimglider-inputd; optionally echoed to stderr for
// development and tests. Callers never pass key content. Per-connection records go at debug
// level: a stream of connections must not bury the service's real messages.
#pragma once

#include <string>

namespace rimglider::inputd {

class Log {
  public:
    static void setEcho(bool echo);
    static void debug(const std::string& message);
    static void info(const std::string& message);
    static void warning(const std::string& message);
    static void error(const std::string& message);

  private:
    static void send(int priority, const std::string& message);
};

} // namespace rimglider::inputd
