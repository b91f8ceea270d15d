#include "AppSettings.h"

#include "SettingsStore.h"
#include "TuningSettings.h"

#include "GestureEngineKit/ActionMapping.h"

#include <cmath>

namespace rimglider {

using namespace GestureEngineKit;

namespace {

template <class Enum, std::size_t N>
Enum enumFromRaw(const QVariant& stored, const std::array<Enum, N>& cases, Enum fallback)
{
    const QString text = stored.toString();
    for (Enum e : cases)
        if (AppSettings::rawValue(e) == text) return e;
    return fallback;
}

constexpr std::array hapticStrengths{AppSettings::HapticStrength::off, AppSettings::HapticStrength::light,
                                     AppSettings::HapticStrength::medium, AppSettings::HapticStrength::strong};
constexpr std::array requiredModifiers{AppSettings::RequiredModifier::none, AppSettings::RequiredModifier::function,
                                       AppSettings::RequiredModifier::option};
constexpr std::array appearanceModes{AppSettings::AppearanceMode::system, AppSettings::AppearanceMode::light,
                                     AppSettings::AppearanceMode::dark};

} // namespace

QString AppSettings::keyString(Key key)
{
    switch (key) {
    case Key::schemaVersion:
        return QStringLiteral("schemaVersion");
    case Key::enabled:
        return QStringLiteral("enabled");
    case Key::hapticStrength:
        return QStringLiteral("hapticStrength");
    case Key::quickMute:
        return QStringLiteral("quickMute");
    case Key::mediaStrip:
        return QStringLiteral("mediaStrip");
    case Key::tapToPlay:
        return QStringLiteral("tapToPlay");
    case Key::sensitivity:
        return QStringLiteral("sensitivity");
    case Key::edgeWidth:
        return QStringLiteral("edgeWidth");
    case Key::swapSides:
        return QStringLiteral("swapSides");
    case Key::brightnessEdge:
        return QStringLiteral("brightnessEdge");
    case Key::volumeEdge:
        return QStringLiteral("volumeEdge");
    case Key::bottomOnly:
        return QStringLiteral("bottomOnly");
    case Key::requiredModifier:
        return QStringLiteral("requiredModifier");
    case Key::freezeCursor:
        return QStringLiteral("freezeCursor");
    case Key::fineControl:
        return QStringLiteral("fineControl");
    case Key::appearance:
        return QStringLiteral("appearance");
    case Key::exclusiveMode:
        return QStringLiteral("exclusiveMode");
    }
    return {};
}

QString AppSettings::rawValue(HapticStrength strength)
{
    switch (strength) {
    case HapticStrength::off:
        return QStringLiteral("off");
    case HapticStrength::light:
        return QStringLiteral("light");
    case HapticStrength::medium:
        return QStringLiteral("medium");
    case HapticStrength::strong:
        return QStringLiteral("strong");
    }
    return {};
}

QString AppSettings::rawValue(RequiredModifier modifier)
{
    switch (modifier) {
    case RequiredModifier::none:
        return QStringLiteral("none");
    case RequiredModifier::function:
        return QStringLiteral("function");
    case RequiredModifier::option:
        return QStringLiteral("option");
    }
    return {};
}

QString AppSettings::rawValue(AppearanceMode mode)
{
    switch (mode) {
    case AppearanceMode::system:
        return QStringLiteral("system");
    case AppearanceMode::light:
        return QStringLiteral("light");
    case AppearanceMode::dark:
        return QStringLiteral("dark");
    }
    return {};
}

AppSettings& AppSettings::shared()
{
    static AppSettings* instance = new AppSettings(standardSettingsStore()); // never destroyed
    return *instance;
}

AppSettings::AppSettings(QSettings& store, QObject* parent) : QObject(parent), store_(store)
{
    migrate();
    values_ = load();
}

namespace {

// Stored values are read strictly: text that is not clearly a value of the type counts as
// not stored, so a hand-edited "enabled=NO" reads as false and "sensitivity=abc" as the default
// instead of as true or 0.
std::optional<bool> storedBool(const QVariant& stored)
{
    switch (stored.typeId()) {
    case QMetaType::Bool:
        return stored.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        const qlonglong number = stored.toLongLong();
        if (number == 0 || number == 1) return number == 1;
        return std::nullopt;
    }
    case QMetaType::QString: {
        const QString text = stored.toString().trimmed().toLower();
        if (text == u"true" || text == u"1" || text == u"yes" || text == u"on") return true;
        if (text == u"false" || text == u"0" || text == u"no" || text == u"off") return false;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<double> storedDouble(const QVariant& stored)
{
    bool ok = false;
    double value = 0;
    switch (stored.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        value = stored.toDouble(&ok);
        break;
    case QMetaType::QString:
        value = stored.toString().trimmed().toDouble(&ok);
        break;
    default:
        break;
    }
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int> storedInt(const QVariant& stored)
{
    bool ok = false;
    int value = 0;
    switch (stored.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        value = stored.toInt(&ok);
        break;
    case QMetaType::QString:
        value = stored.toString().trimmed().toInt(&ok, 10); // "2.0" is not an integer
        break;
    default:
        break;
    }
    if (!ok) return std::nullopt;
    return value;
}

} // namespace

QVariant AppSettings::stored(Key key) const
{
    return store_.value(keyString(key));
}

bool AppSettings::readBool(Key key, bool fallback) const
{
    return storedBool(stored(key)).value_or(fallback);
}

double AppSettings::readDouble(Key key, double fallback) const
{
    return storedDouble(stored(key)).value_or(fallback);
}

void AppSettings::migrate()
{
    if (storedInt(stored(Key::schemaVersion)).value_or(0) >= currentSchemaVersion) return;
    // The legacy switch is taken over only where the store has no strength of its own: a
    // store whose version cannot be read may well be a current one.
    const std::optional<bool> haptics = storedBool(store_.value(legacyHapticsKey));
    if (haptics && !store_.contains(keyString(Key::hapticStrength))) {
        store_.setValue(keyString(Key::hapticStrength),
                        rawValue(*haptics ? HapticStrength::medium : HapticStrength::off));
        store_.remove(legacyHapticsKey);
    }
    store_.setValue(keyString(Key::schemaVersion), currentSchemaVersion);
    store_.sync();
}

AppSettings::Values AppSettings::load() const
{
    // Registration defaults: a key never written (or unreadable) answers with its default,
    // which is not stored.
    const Values defaults;
    Values v;
    v.isEnabled = readBool(Key::enabled, defaults.isEnabled);
    v.hapticStrength = enumFromRaw(stored(Key::hapticStrength), hapticStrengths, defaults.hapticStrength);
    v.quickMute = readBool(Key::quickMute, defaults.quickMute);
    v.mediaStrip = readBool(Key::mediaStrip, defaults.mediaStrip);
    v.tapToPlay = readBool(Key::tapToPlay, defaults.tapToPlay);
    v.sensitivity = readDouble(Key::sensitivity, defaults.sensitivity);
    v.edgeWidth = readDouble(Key::edgeWidth, defaults.edgeWidth);
    v.swapSides = readBool(Key::swapSides, defaults.swapSides);
    v.brightnessEdge = readBool(Key::brightnessEdge, defaults.brightnessEdge);
    v.volumeEdge = readBool(Key::volumeEdge, defaults.volumeEdge);
    v.bottomOnly = readBool(Key::bottomOnly, defaults.bottomOnly);
    v.requiredModifier = enumFromRaw(stored(Key::requiredModifier), requiredModifiers, defaults.requiredModifier);
    v.freezeCursor = readBool(Key::freezeCursor, defaults.freezeCursor);
    v.fineControl = readBool(Key::fineControl, defaults.fineControl);
    v.appearance = enumFromRaw(stored(Key::appearance), appearanceModes, defaults.appearance);
    v.exclusiveMode = readBool(Key::exclusiveMode, defaults.exclusiveMode);
    return v;
}

template <class T>
void AppSettings::assign(T& field, T value, Key key, const QVariant& stored, void (AppSettings::*changed)())
{
    field = value;
    store_.setValue(keyString(key), stored);
    store_.sync(); // written through at once, so nothing waits for a later save
    emit(this->*changed)();
    if (onChange) onChange();
}

void AppSettings::setEnabled(bool v)
{
    assign(values_.isEnabled, v, Key::enabled, v, &AppSettings::isEnabledChanged);
}
void AppSettings::setHapticStrength(HapticStrength v)
{
    assign(values_.hapticStrength, v, Key::hapticStrength, rawValue(v), &AppSettings::hapticStrengthChanged);
}
void AppSettings::setQuickMute(bool v)
{
    assign(values_.quickMute, v, Key::quickMute, v, &AppSettings::quickMuteChanged);
}
void AppSettings::setMediaStrip(bool v)
{
    assign(values_.mediaStrip, v, Key::mediaStrip, v, &AppSettings::mediaStripChanged);
}
void AppSettings::setTapToPlay(bool v)
{
    assign(values_.tapToPlay, v, Key::tapToPlay, v, &AppSettings::tapToPlayChanged);
}
void AppSettings::setSensitivity(double v)
{
    assign(values_.sensitivity, v, Key::sensitivity, v, &AppSettings::sensitivityChanged);
}
void AppSettings::setEdgeWidth(double v)
{
    assign(values_.edgeWidth, v, Key::edgeWidth, v, &AppSettings::edgeWidthChanged);
}
void AppSettings::setSwapSides(bool v)
{
    assign(values_.swapSides, v, Key::swapSides, v, &AppSettings::swapSidesChanged);
}
void AppSettings::setBrightnessEdge(bool v)
{
    assign(values_.brightnessEdge, v, Key::brightnessEdge, v, &AppSettings::brightnessEdgeChanged);
}
void AppSettings::setVolumeEdge(bool v)
{
    assign(values_.volumeEdge, v, Key::volumeEdge, v, &AppSettings::volumeEdgeChanged);
}
void AppSettings::setBottomOnly(bool v)
{
    assign(values_.bottomOnly, v, Key::bottomOnly, v, &AppSettings::bottomOnlyChanged);
}
void AppSettings::setRequiredModifier(RequiredModifier v)
{
    assign(values_.requiredModifier, v, Key::requiredModifier, rawValue(v), &AppSettings::requiredModifierChanged);
}
void AppSettings::setFreezeCursor(bool v)
{
    assign(values_.freezeCursor, v, Key::freezeCursor, v, &AppSettings::freezeCursorChanged);
}
void AppSettings::setFineControl(bool v)
{
    assign(values_.fineControl, v, Key::fineControl, v, &AppSettings::fineControlChanged);
}
void AppSettings::setAppearance(AppearanceMode v)
{
    assign(values_.appearance, v, Key::appearance, rawValue(v), &AppSettings::appearanceChanged);
}

void AppSettings::resetToDefaults()
{
    for (Key key : allKeys)
        store_.remove(keyString(key));
    store_.sync();
    const Values defaults = load();
    // Written back one by one, in order; isEnabled keeps its value in memory only.
    setHapticStrength(defaults.hapticStrength);
    setQuickMute(defaults.quickMute);
    setMediaStrip(defaults.mediaStrip);
    setTapToPlay(defaults.tapToPlay);
    setSensitivity(defaults.sensitivity);
    setEdgeWidth(defaults.edgeWidth);
    setSwapSides(defaults.swapSides);
    setBrightnessEdge(defaults.brightnessEdge);
    setVolumeEdge(defaults.volumeEdge);
    setBottomOnly(defaults.bottomOnly);
    setRequiredModifier(defaults.requiredModifier);
    setFreezeCursor(defaults.freezeCursor);
    setFineControl(defaults.fineControl);
    setAppearance(defaults.appearance);
}

GestureConfig deriveGestureConfig(const AppSettings& settings, const Tuning& tuning, bool hasBuiltInDisplay,
                                  std::optional<SurfaceSize> touchpadSize)
{
    GestureConfig config;
    if (touchpadSize) {
        config.surfaceWidthMM = touchpadSize->widthMM;
        config.surfaceHeightMM = touchpadSize->heightMM;
    }
    config.stepDistanceMM = tuning.stepDistanceMM;
    config.activationDistanceMM = tuning.activationDistanceMM;
    config.activationAngleRatio = tuning.activationAngleRatio;
    config.candidateTimeout = tuning.candidateTimeout;
    config.swipeMinDistanceMM = tuning.swipeMinDistanceMM;
    config.tapMaxDuration = tuning.tapMaxDuration;
    config.doubleTapInterval = tuning.doubleTapInterval;
    config.edgeWidth = settings.edgeWidth();
    config.sensitivity = settings.sensitivity();
    if (settings.bottomOnly()) config.sliderStartLimit = 0.25;
    switch (settings.requiredModifier()) {
    case AppSettings::RequiredModifier::none:
        break;
    case AppSettings::RequiredModifier::function:
        config.requiredModifier = ModifierState::function;
        break;
    case AppSettings::RequiredModifier::option:
        config.requiredModifier = ModifierState::option;
        break;
    }
    config.bottomSwipeEnabled = settings.mediaStrip();
    config.bottomTapEnabled = settings.tapToPlay();

    const ActionMapping mapping{settings.swapSides()};
    ZoneSet zones = ZoneSet::all();
    if (!settings.brightnessEdge() || !hasBuiltInDisplay) zones = zones - mapping.zones(EdgeAction::brightness);
    if (!settings.volumeEdge()) zones = zones - mapping.zones(EdgeAction::volume);
    if (!settings.quickMute()) zones.erase(Zone::topRightCorner);
    if (!settings.mediaStrip() && !settings.tapToPlay()) zones.erase(Zone::bottom);
    config.enabledZones = zones;
    return config;
}

} // namespace rimglider
