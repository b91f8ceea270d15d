// The system log: journald, under the identifier "rimglider", with the subsystem and a
// category as fields so `journalctl SUBSYSTEM=com.kelpo.rimglider CATEGORY=touch` finds them.
#pragma once

#include <functional>
#include <string>

namespace rimglider {

class Log {
  public:
    static inline const std::string subsystem = "com.kelpo.rimglider";
    static inline const std::string identifier = "rimglider";

    enum class Level { info, error };
    struct Line {
        std::string category;
        Level level = Level::info;
        std::string message;
        friend bool operator==(const Line&, const Line&) = default;
    };
    // Sees every line as it is logged, on the logging thread; for tests.
    using Observer = std::function<void(const Line&)>;

    explicit Log(std::string category) : category_(std::move(category)) {}

    void info(const std::string& message) const { write(Level::info, message); }
    void error(const std::string& message) const { write(Level::error, message); }

    // Installs `observer` in place of the previous one (empty: none); returns the previous one.
    static Observer setObserver(Observer observer);

  private:
    void write(Level level, const std::string& message) const;

    std::string category_;
};

} // namespace rimglider
