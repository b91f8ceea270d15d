// One haptic pulse per action. With an actuation identifier in the tuning values the
// touchpad's own actuator plays it; otherwise, or when the actuator cannot, the desktop's
// haptic performer would. Linux desktops have none, so that path costs nothing and does
// nothing unless a test (or a future desktop service) installs one.
#pragma once

#include <cstdint>
#include <functional>

namespace rimglider {

class Actuator;
class AppSettings;
class TuningSettings;

enum class HapticPattern : std::uint8_t {
    generic = 0,
    alignment = 1,
    levelChange = 2,
};

class Haptics {
  public:
    using Performer = std::function<void(HapticPattern)>;

    static Haptics& shared();

    Haptics(const AppSettings& settings, const TuningSettings& tuning, Actuator& actuator,
            Performer systemPerformer = {});

    // Main thread. Nothing at all while the strength is off.
    void play(HapticPattern pattern);

  private:
    const AppSettings& settings_;
    const TuningSettings& tuning_;
    Actuator& actuator_;
    Performer systemPerformer_;
};

} // namespace rimglider
