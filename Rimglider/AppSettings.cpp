#include "AppSettings.h"

#include "SettingsStore.h"
#include "TuningSettings.h"

#include "GestureEngineKit/ActionMapping.h"

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

QVariant AppSettings::read(Key key) const
{
    // Registration defaults: a key never written answers with its default, which is not stored.
    static const Values defaults;
    const QString name = keyString(key);
    if (store_.contains(name)) return store_.value(name);
    switch (key) {
    case Key::schemaVersion:
        return 0;
    case Key::enabled:
        return defaults.isEnabled;
    case Key::hapticStrength:
        return rawValue(defaults.hapticStrength);
    case Key::quickMute:
        return defaults.quickMute;
    case Key::mediaStrip:
        return defaults.mediaStrip;
    case Key::tapToPlay:
        return defaults.tapToPlay;
    case Key::sensitivity:
        return defaults.sensitivity;
    case Key::edgeWidth:
        return defaults.edgeWidth;
    case Key::swapSides:
        return defaults.swapSides;
    case Key::brightnessEdge:
        return defaults.brightnessEdge;
    case Key::volumeEdge:
        return defaults.volumeEdge;
    case Key::bottomOnly:
        return defaults.bottomOnly;
    case Key::requiredModifier:
        return rawValue(defaults.requiredModifier);
    case Key::freezeCursor:
        return defaults.freezeCursor;
    case Key::fineControl:
        return defaults.fineControl;
    case Key::appearance:
        return rawValue(defaults.appearance);
    }
    return {};
}

void AppSettings::migrate()
{
    if (read(Key::schemaVersion).toInt() >= currentSchemaVersion) return;
    if (store_.contains(legacyHapticsKey)) {
        const bool haptics = store_.value(legacyHapticsKey).toBool();
        store_.setValue(keyString(Key::hapticStrength),
                        rawValue(haptics ? HapticStrength::medium : HapticStrength::off));
        store_.remove(legacyHapticsKey);
    }
    store_.setValue(keyString(Key::schemaVersion), currentSchemaVersion);
    store_.sync();
}

AppSettings::Values AppSettings::load() const
{
    Values v;
    v.isEnabled = read(Key::enabled).toBool();
    v.hapticStrength = enumFromRaw(read(Key::hapticStrength), hapticStrengths, HapticStrength::strong);
    v.quickMute = read(Key::quickMute).toBool();
    v.mediaStrip = read(Key::mediaStrip).toBool();
    v.tapToPlay = read(Key::tapToPlay).toBool();
    v.sensitivity = read(Key::sensitivity).toDouble();
    v.edgeWidth = read(Key::edgeWidth).toDouble();
    v.swapSides = read(Key::swapSides).toBool();
    v.brightnessEdge = read(Key::brightnessEdge).toBool();
    v.volumeEdge = read(Key::volumeEdge).toBool();
    v.bottomOnly = read(Key::bottomOnly).toBool();
    v.requiredModifier = enumFromRaw(read(Key::requiredModifier), requiredModifiers, RequiredModifier::none);
    v.freezeCursor = read(Key::freezeCursor).toBool();
    v.fineControl = read(Key::fineControl).toBool();
    v.appearance = enumFromRaw(read(Key::appearance), appearanceModes, AppearanceMode::system);
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

GestureConfig deriveGestureConfig(const AppSettings& settings, const Tuning& tuning, bool hasBuiltInDisplay)
{
    GestureConfig config;
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
