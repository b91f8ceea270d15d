// Knows whether the machine has an awake built-in display, reads its backlight level and makes
// brightness steps by posting the brightness keys, so the desktop applies its own step and shows
// its own level. Whether a built-in display exists decides whether the brightness edge is on at
// all, so a change of that fact is announced through onAvailabilityChange.
//
// Displays are the backlight devices that libudev lists (subsystem "backlight"); levels come from
// their sysfs files. Everything goes through libudev's view of sysfs, so an emulated /sys (as
// umockdev provides under umockdev-wrapper) is followed without further setup.
//
// Main thread only.
#pragma once

#include "GestureEngineKit/TouchTypes.h"
#include "SystemKeys.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace rimglider {

class BrightnessController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool hasBuiltInDisplay READ hasBuiltInDisplay NOTIFY hasBuiltInDisplayChanged)

  public:
    using KeyPoster = std::function<void(int code, bool fine)>;
    static constexpr int brightnessUpKey = 2;
    static constexpr int brightnessDownKey = 3;

    // A backlight device: its sysfs name (what logind calls it) and path.
    struct Display {
        QString name;
        QString syspath;
        friend bool operator==(const Display&, const Display&) = default;
    };

    struct Options {
        // logind's session object for SetBrightness; empty skips logind (writes sysfs directly).
        QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/auto");
        // The bus logind is on; empty: the system bus.
        QString busAddress;
        std::chrono::milliseconds busTimeout{2000};
    };

    // The one instance, posting through postSystemKey.
    static BrightnessController& shared();

    explicit BrightnessController(KeyPoster postKey, QObject* parent = nullptr);
    BrightnessController(KeyPoster postKey, Options options, QObject* parent = nullptr);
    ~BrightnessController() override;
    BrightnessController(const BrightnessController&) = delete;
    BrightnessController& operator=(const BrightnessController&) = delete;

    // refresh(), then follows backlight and display-connector changes (hot-plug, lid, power).
    // Once only.
    void start();
    // Re-reads which built-in display is awake and its level.
    void refresh();

    // One step for the dispatcher: posts the brightness key with `fine` unless there is no awake
    // built-in display, and says whether the level already stood at its end. Does not change
    // brightness(); only refresh() does.
    StepResult step(GestureEngineKit::SliderDirection direction, bool fine);

    // One step made here instead of by the desktop, `amount` of the backlight's range (0…1):
    // from the level the last step asked for while that is still being set, else from the level
    // read now, so a fast slide loses no step (and steps finer than the device's resolution add
    // up instead of rounding away).
    StepResult adjust(GestureEngineKit::SliderDirection direction, float amount);
    // The level the last adjust() asked for.
    [[nodiscard]] std::optional<float> target() const { return target_; }

    // The preferred awake built-in backlight, as sysfs shows it now; none when there is none.
    [[nodiscard]] std::optional<Display> builtInDisplay() const;

    // The two service entry points, for the self-test.
    // The level of `display` (0…1) read now; absent when unreadable.
    [[nodiscard]] static std::optional<float> readLevel(const Display& display);
    // The finest change `display` can make, of its range; absent when unreadable.
    [[nodiscard]] static std::optional<float> levelUnit(const Display& display);
    // Sets `display` to `level` (0…1) through logind, or by writing its sysfs file when logind
    // refuses or is missing and the file is writable. `done` receives whether either worked.
    void setLevel(const Display& display, float level, std::function<void(bool ok)> done);

    [[nodiscard]] std::optional<float> brightness() const { return brightness_; }
    [[nodiscard]] bool hasBuiltInDisplay() const { return hasBuiltInDisplay_; }
    [[nodiscard]] bool isMonitoring() const { return monitor_ != nullptr; }

    // Called after hasBuiltInDisplay changed (and only then).
    std::function<void()> onAvailabilityChange;

  signals:
    void brightnessChanged();
    void hasBuiltInDisplayChanged();

  private:
    static bool writeLevel(const Display& display, float level);
    void onMonitorReadable();

    KeyPoster postKey_;
    Options options_;

    std::optional<float> brightness_;
    bool hasBuiltInDisplay_ = false;
    std::optional<Display> display_; // the one the last refresh() chose; steps read its level
    std::optional<float> target_;    // what adjust() last asked for, unrounded
    std::optional<Display> targetDisplay_;
    int setsInFlight_ = 0;

    bool started_ = false;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace rimglider
