// The recognition thresholds and related values the tuning panel adjusts at run time, kept
// as one JSON record under "tuning" in the per-user store.
#pragma once

#include <QLocale>
#include <QObject>
#include <QSettings>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace rimglider {

class AppSettings;

struct Tuning {
    enum class FreezeFrom {
        claim,   // the pointer freezes as soon as a zone claims the finger
        gesture, // only when a slide begins
    };

    double stepDistanceMM = 2.5;
    double activationDistanceMM = 2.0;
    double activationAngleRatio = 2.0;
    double candidateTimeout = 0.8;
    double swipeMinDistanceMM = 12.0;
    double tapMaxDuration = 0.2;
    double doubleTapInterval = 0.35;
    double clickGuardWindow = 0.25; // seconds clicks stay swallowed after a gesture ends
    FreezeFrom freezeFrom = FreezeFrom::claim;
    std::int32_t actuatorID = 0; // 0: the actuator is not used

    static QString rawValue(FreezeFrom);

    // The JSON object with all ten keys; absent when a number is not finite.
    [[nodiscard]] std::optional<QByteArray> toJson() const;
    // Absent unless `data` is a JSON object with all ten keys of the right types.
    static std::optional<Tuning> fromJson(const QByteArray& data);

    friend bool operator==(const Tuning&, const Tuning&) = default;
};

class TuningSettings : public QObject {
    Q_OBJECT
  public:
    static inline const QString storeKey = QStringLiteral("tuning");

    static TuningSettings& shared();

    // Reads "tuning" from `store`; missing or bad data gives the defaults and is left as it is.
    explicit TuningSettings(QSettings& store, QObject* parent = nullptr);

    [[nodiscard]] const Tuning& values() const { return values_; }
    // A differing record is stored and announced; an equal one changes nothing.
    void setValues(const Tuning& values);
    void reset();

    // Thirteen "label: value" lines for the clipboard, numbers in `locale`'s default format.
    [[nodiscard]] QString clipboardText(const AppSettings& settings, const QLocale& locale = QLocale()) const;

    std::function<void()> onChange;

  signals:
    void valuesChanged();

  private:
    QSettings& store_;
    Tuning values_;
};

} // namespace rimglider
