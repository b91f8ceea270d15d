#include "BrightnessController.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QSocketNotifier>

#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace rimglider {

using GestureEngineKit::SliderDirection;

namespace {

// One sysfs attribute read now, without trailing whitespace; absent when unreadable.
// libudev caches attribute values per device object, so levels are read from the file itself.
std::optional<std::string> readAttribute(const QString& syspath, const char* name)
{
    const QByteArray path = syspath.toLocal8Bit() + '/' + name;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    char buffer[256];
    ssize_t length = 0;
    do
        length = ::read(fd, buffer, sizeof buffer);
    while (length < 0 && errno == EINTR);
    ::close(fd);
    if (length < 0) return std::nullopt;
    std::string text(buffer, std::size_t(length));
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text;
}

std::optional<long> readNumber(const QString& syspath, const char* name)
{
    const auto text = readAttribute(syspath, name);
    if (!text || text->empty()) return std::nullopt;
    long value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
    return value;
}

// Backlight types in order of preference: firmware interfaces know the panel best.
int typeRank(const std::string& type)
{
    if (type == "firmware") return 0;
    if (type == "platform") return 1;
    if (type == "raw") return 2;
    return 3;
}

// A DRM connector's sysname is "card<N>-<kind>-<n>": internal panels are eDP, LVDS and DSI.
bool isInternalConnector(const char* sysname)
{
    const std::string name = sysname ? sysname : "";
    const auto dash = name.find('-');
    if (name.rfind("card", 0) != 0 || dash == std::string::npos) return false;
    const std::string kind = name.substr(dash + 1);
    for (const char* internal : {"eDP-", "LVDS-", "DSI-"})
        if (kind.rfind(internal, 0) == 0) return true;
    return false;
}

bool connectorAsleep(const QString& syspath)
{
    return readAttribute(syspath, "enabled") == "disabled" || readAttribute(syspath, "dpms") == "Off";
}

struct Enumeration {
    explicit Enumeration(udev* context, const char* subsystem) : handle(udev_enumerate_new(context))
    {
        if (!handle) return;
        udev_enumerate_add_match_subsystem(handle, subsystem);
        udev_enumerate_scan_devices(handle);
    }
    ~Enumeration()
    {
        if (handle) udev_enumerate_unref(handle);
    }
    Enumeration(const Enumeration&) = delete;
    Enumeration& operator=(const Enumeration&) = delete;

    std::vector<QString> syspaths() const
    {
        std::vector<QString> paths;
        if (!handle) return paths;
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(handle))
        {
            paths.push_back(QString::fromLocal8Bit(udev_list_entry_get_name(entry)));
        }
        return paths;
    }

    udev_enumerate* handle;
};

struct Candidate {
    BrightnessController::Display display;
    int rank;
    bool builtIn;
    bool asleep;
};

} // namespace

BrightnessController& BrightnessController::shared()
{
    static auto* instance = new BrightnessController(&postSystemKey);
    return *instance;
}

BrightnessController::BrightnessController(KeyPoster postKey, QObject* parent)
    : BrightnessController(std::move(postKey), Options{}, parent)
{}

BrightnessController::BrightnessController(KeyPoster postKey, Options options, QObject* parent)
    : QObject(parent), postKey_(std::move(postKey)), options_(std::move(options)), udev_(udev_new())
{}

BrightnessController::~BrightnessController()
{
    delete notifier_;
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
}

void BrightnessController::start()
{
    if (started_) return;
    started_ = true;
    refresh();
    if (!udev_) return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_) return;
    // Backlights come and go with drivers; connectors change with hot-plug, lid and power state.
    udev_monitor_filter_add_match_subsystem_devtype(monitor_, "backlight", nullptr);
    udev_monitor_filter_add_match_subsystem_devtype(monitor_, "drm", nullptr);
    if (udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        return;
    }
    notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &BrightnessController::onMonitorReadable);
}

void BrightnessController::onMonitorReadable()
{
    // One refresh for however many events arrived together.
    while (udev_device* device = udev_monitor_receive_device(monitor_))
        udev_device_unref(device);
    refresh();
}

std::optional<BrightnessController::Display> BrightnessController::builtInDisplay() const
{
    if (!udev_) return std::nullopt;

    // Internal panel connectors and whether any of them is awake: a firmware or platform
    // backlight has no connector of its own, and sleeps when every internal panel does (lid shut).
    bool hasInternalPanel = false;
    bool anyInternalPanelAwake = false;
    for (const QString& path : Enumeration(udev_, "drm").syspaths()) {
        const int slash = path.lastIndexOf(QLatin1Char('/'));
        if (!isInternalConnector(path.mid(slash + 1).toLocal8Bit().constData())) continue;
        hasInternalPanel = true;
        if (!connectorAsleep(path)) anyInternalPanelAwake = true;
    }

    std::vector<Candidate> candidates;
    for (const QString& path : Enumeration(udev_, "backlight").syspaths()) {
        udev_device* device = udev_device_new_from_syspath(udev_, path.toLocal8Bit().constData());
        if (!device) continue;
        Candidate candidate{{QString::fromLocal8Bit(udev_device_get_sysname(device)), path}, 3, false, false};
        candidate.rank = typeRank(readAttribute(path, "type").value_or(""));
        udev_device* parent = udev_device_get_parent(device); // owned by `device`
        const char* parentSubsystem = parent ? udev_device_get_subsystem(parent) : nullptr;
        const bool onConnector = parentSubsystem && std::string(parentSubsystem) == "drm" &&
                                 isInternalConnector(udev_device_get_sysname(parent));
        candidate.builtIn = onConnector || candidate.rank <= 1;
        candidate.asleep = readNumber(path, "bl_power").value_or(0) != 0;
        if (onConnector)
            candidate.asleep =
                candidate.asleep || connectorAsleep(QString::fromLocal8Bit(udev_device_get_syspath(parent)));
        else if (hasInternalPanel && !anyInternalPanelAwake)
            candidate.asleep = true;
        udev_device_unref(device);
        candidates.push_back(std::move(candidate));
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.rank < b.rank; });
    for (const Candidate& candidate : candidates)
        if (candidate.builtIn && !candidate.asleep) return candidate.display;
    return std::nullopt;
}

std::optional<float> BrightnessController::readLevel(const Display& display)
{
    const auto maximum = readNumber(display.syspath, "max_brightness");
    if (!maximum || *maximum <= 0) return std::nullopt;
    // actual_brightness is what the hardware has; older drivers only have brightness.
    auto level = readNumber(display.syspath, "actual_brightness");
    if (!level) level = readNumber(display.syspath, "brightness");
    if (!level) return std::nullopt;
    return std::clamp(float(*level) / float(*maximum), 0.0f, 1.0f);
}

std::optional<float> BrightnessController::levelUnit(const Display& display)
{
    const auto maximum = readNumber(display.syspath, "max_brightness");
    if (!maximum || *maximum <= 0) return std::nullopt;
    return 1.0f / float(*maximum);
}

void BrightnessController::refresh()
{
    display_ = builtInDisplay();
    const std::optional<float> level = display_ ? readLevel(*display_) : std::nullopt;
    if (level != brightness_) {
        brightness_ = level;
        emit brightnessChanged();
    }
    const bool present = display_.has_value();
    if (present != hasBuiltInDisplay_) {
        hasBuiltInDisplay_ = present;
        emit hasBuiltInDisplayChanged();
        if (onAvailabilityChange) onAvailabilityChange();
    }
}

StepResult BrightnessController::step(SliderDirection direction, bool fine)
{
    if (!hasBuiltInDisplay_) return StepResult::unavailable;
    // The display chosen by the last refresh (the udev monitor keeps that current), its level
    // read now.
    const float v = (display_ ? readLevel(*display_) : std::nullopt).value_or(0.5f);
    StepResult result = StepResult::stepped;
    int key = brightnessUpKey;
    switch (direction) {
    case SliderDirection::up:
        if (v >= levelUpperEnd) result = StepResult::atLimit;
        key = brightnessUpKey;
        break;
    case SliderDirection::down:
        if (v <= levelLowerEnd) result = StepResult::atLimit;
        key = brightnessDownKey;
        break;
    }
    if (postKey_) postKey_(key, fine);
    return result;
}

StepResult BrightnessController::adjust(SliderDirection direction, float amount)
{
    if (!hasBuiltInDisplay_ || !display_) return StepResult::unavailable;
    const std::optional<float> read = readLevel(*display_);
    const auto maximum = readNumber(display_->syspath, "max_brightness").value_or(0);
    // The last target still stands while the device shows it to within one unit (the rest was
    // rounded away); a level changed by anyone else, or another display, starts afresh.
    const bool targetStands =
        target_ && targetDisplay_ == display_ &&
        (setsInFlight_ > 0 || (read && maximum > 0 && std::abs(*read - *target_) * float(maximum) <= 1.0f));
    const float from = targetStands ? *target_ : read.value_or(0.5f);
    float to = from;
    switch (direction) {
    case SliderDirection::up:
        if (from >= levelUpperEnd) return StepResult::atLimit;
        to = std::min(1.0f, from + amount);
        break;
    case SliderDirection::down:
        if (from <= levelLowerEnd) return StepResult::atLimit;
        to = std::max(0.0f, from - amount);
        break;
    }
    target_ = to;
    targetDisplay_ = display_;
    ++setsInFlight_;
    setLevel(*display_, to, [this](bool) {
        if (--setsInFlight_ > 0 || !display_) return;
        // The panel and the tray follow; the display itself is known, so no enumeration.
        if (const auto level = readLevel(*display_); level != brightness_) {
            brightness_ = level;
            emit brightnessChanged();
        }
    });
    return StepResult::stepped;
}

bool BrightnessController::writeLevel(const Display& display, float level)
{
    const auto maximum = readNumber(display.syspath, "max_brightness");
    if (!maximum || *maximum <= 0) return false;
    const long value = std::lround(std::clamp(level, 0.0f, 1.0f) * float(*maximum));
    const QByteArray path = display.syspath.toLocal8Bit() + "/brightness";
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const std::string text = std::to_string(value) + '\n';
    const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    return ::close(fd) == 0 && written;
}

void BrightnessController::setLevel(const Display& display, float level, std::function<void(bool ok)> done)
{
    const auto finish = [done = std::move(done)](bool ok) {
        if (done) done(ok);
    };
    const auto maximum = readNumber(display.syspath, "max_brightness");
    if (!maximum || *maximum <= 0) {
        finish(false);
        return;
    }
    QDBusConnection bus = options_.busAddress.isEmpty()
                              ? QDBusConnection::systemBus()
                              : QDBusConnection::connectToBus(options_.busAddress, options_.busAddress);
    if (options_.sessionPath.isEmpty() || !bus.isConnected()) {
        finish(writeLevel(display, level));
        return;
    }
    // logind may set the backlight for the session's user without root; the answer arrives
    // later, so the main thread does not wait for the bus.
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"), options_.sessionPath,
                                                       QStringLiteral("org.freedesktop.login1.Session"),
                                                       QStringLiteral("SetBrightness"));
    const auto value = quint32(std::lround(std::clamp(level, 0.0f, 1.0f) * float(*maximum)));
    call << QStringLiteral("backlight") << display.name << value;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, int(options_.busTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [watcher, display, level, finish](QDBusPendingCallWatcher*) {
                watcher->deleteLater();
                finish(!watcher->isError() || writeLevel(display, level));
            });
}

} // namespace rimglider
