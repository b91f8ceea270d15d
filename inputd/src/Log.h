// The broker's log: journald, identified as rimglider-inputd; optionally echoed to stderr for
// development and tests. Callers never pass key content.
#pragma once

#include <string>

namespace rimglider::inputd {

class Log {
  public:
    static void setEcho(bool echo);
    static void info(const std::string& message);
    static void warning(const std::string& message);
    static void error(const std::string& message);

  private:
    static void send(int priority, const std::string& message);
};

} // namespace rimglider::inputd
