// The user's settings: one key per setting in the per-user store, written through on every
// assignment, with registration defaults that answer for keys never written.
#pragma once

#include "GestureEngineKit/GestureConfig.h"
#include "RimgliderInput/EvdevDevice.h"

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <array>
#include <functional>
#include <optional>

namespace rimglider {

struct Tuning;

class AppSettings : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled WRITE setEnabled NOTIFY isEnabledChanged)
    Q_PROPERTY(HapticStrength hapticStrength READ hapticStrength WRITE setHapticStrength NOTIFY hapticStrengthChanged)
    Q_PROPERTY(bool quickMute READ quickMute WRITE setQuickMute NOTIFY quickMuteChanged)
    Q_PROPERTY(bool mediaStrip READ mediaStrip WRITE setMediaStrip NOTIFY mediaStripChanged)
    Q_PROPERTY(bool tapToPlay READ tapToPlay WRITE setTapToPlay NOTIFY tapToPlayChanged)
    Q_PROPERTY(double sensitivity READ sensitivity WRITE setSensitivity NOTIFY sensitivityChanged)
    Q_PROPERTY(double edgeWidth READ edgeWidth WRITE setEdgeWidth NOTIFY edgeWidthChanged)
    Q_PROPERTY(bool swapSides READ swapSides WRITE setSwapSides NOTIFY swapSidesChanged)
    Q_PROPERTY(bool brightnessEdge READ brightnessEdge WRITE setBrightnessEdge NOTIFY brightnessEdgeChanged)
    Q_PROPERTY(bool volumeEdge READ volumeEdge WRITE setVolumeEdge NOTIFY volumeEdgeChanged)
    Q_PROPERTY(bool bottomOnly READ bottomOnly WRITE setBottomOnly NOTIFY bottomOnlyChanged)
    Q_PROPERTY(RequiredModifier requiredModifier READ requiredModifier WRITE setRequiredModifier NOTIFY
                   requiredModifierChanged)
    Q_PROPERTY(bool freezeCursor READ freezeCursor WRITE setFreezeCursor NOTIFY freezeCursorChanged)
    Q_PROPERTY(bool fineControl READ fineControl WRITE setFineControl NOTIFY fineControlChanged)
    Q_PROPERTY(AppearanceMode appearance READ appearance WRITE setAppearance NOTIFY appearanceChanged)

  public:
    enum class HapticStrength { off, light, medium, strong };
    Q_ENUM(HapticStrength)
    enum class RequiredModifier { none, function, option };
    Q_ENUM(RequiredModifier)
    enum class AppearanceMode { system, light, dark };
    Q_ENUM(AppearanceMode)

    // The stored keys, in order; keyString() gives each one's text in the store.
    enum class Key {
        schemaVersion,
        enabled,
        hapticStrength,
        quickMute,
        mediaStrip,
        tapToPlay,
        sensitivity,
        edgeWidth,
        swapSides,
        brightnessEdge,
        volumeEdge,
        bottomOnly,
        requiredModifier,
        freezeCursor,
        fineControl,
        appearance,
        exclusiveMode,
    };
    static constexpr std::array allKeys{
        Key::schemaVersion, Key::enabled,      Key::hapticStrength,   Key::quickMute,    Key::mediaStrip,
        Key::tapToPlay,     Key::sensitivity,  Key::edgeWidth,        Key::swapSides,    Key::brightnessEdge,
        Key::volumeEdge,    Key::bottomOnly,   Key::requiredModifier, Key::freezeCursor, Key::fineControl,
        Key::appearance,    Key::exclusiveMode};
    static QString keyString(Key key);
    static constexpr int currentSchemaVersion = 2;
    static inline const QString legacyHapticsKey = QStringLiteral("haptics");

    static QString rawValue(HapticStrength);
    static QString rawValue(RequiredModifier);
    static QString rawValue(AppearanceMode);

    // The one instance, on the standard store (see SettingsStore).
    static AppSettings& shared();

    // Registers the defaults, migrates old stores and loads every value from `store`.
    explicit AppSettings(QSettings& store, QObject* parent = nullptr);

    bool isEnabled() const { return values_.isEnabled; }
    HapticStrength hapticStrength() const { return values_.hapticStrength; }
    bool quickMute() const { return values_.quickMute; }
    bool mediaStrip() const { return values_.mediaStrip; }
    bool tapToPlay() const { return values_.tapToPlay; }
    double sensitivity() const { return values_.sensitivity; }
    double edgeWidth() const { return values_.edgeWidth; }
    bool swapSides() const { return values_.swapSides; }
    bool brightnessEdge() const { return values_.brightnessEdge; }
    bool volumeEdge() const { return values_.volumeEdge; }
    bool bottomOnly() const { return values_.bottomOnly; }
    RequiredModifier requiredModifier() const { return values_.requiredModifier; }
    bool freezeCursor() const { return values_.freezeCursor; }
    bool fineControl() const { return values_.fineControl; }
    AppearanceMode appearance() const { return values_.appearance; }
    // Only in the settings file (no control shows it): false keeps the touchpad observed only,
    // for hardware where the input service's exclusive mode misbehaves.
    bool exclusiveMode() const { return values_.exclusiveMode; }

    // Each assignment, even of the current value, writes its key and then calls onChange.
    void setEnabled(bool);
    void setHapticStrength(HapticStrength);
    void setQuickMute(bool);
    void setMediaStrip(bool);
    void setTapToPlay(bool);
    void setSensitivity(double);
    void setEdgeWidth(double);
    void setSwapSides(bool);
    void setBrightnessEdge(bool);
    void setVolumeEdge(bool);
    void setBottomOnly(bool);
    void setRequiredModifier(RequiredModifier);
    void setFreezeCursor(bool);
    void setFineControl(bool);
    void setAppearance(AppearanceMode);

    // Removes every stored key and writes the defaults back for all but isEnabled, which
    // keeps its value until the next start.
    void resetToDefaults();

    // One listener, called after every assignment.
    std::function<void()> onChange;

  signals:
    void isEnabledChanged();
    void hapticStrengthChanged();
    void quickMuteChanged();
    void mediaStripChanged();
    void tapToPlayChanged();
    void sensitivityChanged();
    void edgeWidthChanged();
    void swapSidesChanged();
    void brightnessEdgeChanged();
    void volumeEdgeChanged();
    void bottomOnlyChanged();
    void requiredModifierChanged();
    void freezeCursorChanged();
    void fineControlChanged();
    void appearanceChanged();

  private:
    struct Values {
        bool isEnabled = true;
        HapticStrength hapticStrength = HapticStrength::strong;
        bool quickMute = true;
        bool mediaStrip = true;
        bool tapToPlay = false;
        double sensitivity = 1.0;
        double edgeWidth = 0.1;
        bool swapSides = false;
        bool brightnessEdge = true;
        bool volumeEdge = true;
        bool bottomOnly = false;
        RequiredModifier requiredModifier = RequiredModifier::none;
        bool freezeCursor = true;
        bool fineControl = true;
        AppearanceMode appearance = AppearanceMode::system;
        bool exclusiveMode = true;
    };

    void migrate();
    Values load() const;
    QVariant stored(Key key) const;
    bool readBool(Key key, bool fallback) const;
    double readDouble(Key key, double fallback) const;
    template <class T>
    void assign(T& field, T value, Key key, const QVariant& stored, void (AppSettings::*changed)());

    QSettings& store_;
    Values values_;
};

// The engine configuration the settings and tuning values make: tuning thresholds, edge width,
// sensitivity, start limit, required modifier, bottom gestures and the enabled zones. The
// surface is the touchpad's own size when it reports one, else the engine's default.
GestureEngineKit::GestureConfig deriveGestureConfig(const AppSettings& settings, const Tuning& tuning,
                                                    bool hasBuiltInDisplay,
                                                    std::optional<SurfaceSize> touchpadSize = std::nullopt);

} // namespace rimglider
