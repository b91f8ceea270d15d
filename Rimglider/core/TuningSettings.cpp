#include "TuningSettings.h"

#include "AppSettings.h"
#include "SettingsStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>
#include <limits>

namespace rimglider {

namespace {

// The eight numbers of the record, with their keys, in order.
template <class TuningRef, class Visit>
void forEachNumber(TuningRef& t, Visit visit)
{
    visit("stepDistanceMM", t.stepDistanceMM);
    visit("activationDistanceMM", t.activationDistanceMM);
    visit("activationAngleRatio", t.activationAngleRatio);
    visit("candidateTimeout", t.candidateTimeout);
    visit("swipeMinDistanceMM", t.swipeMinDistanceMM);
    visit("tapMaxDuration", t.tapMaxDuration);
    visit("doubleTapInterval", t.doubleTapInterval);
    visit("clickGuardWindow", t.clickGuardWindow);
}

// The locale's plain decimal style: at most three fraction digits, trailing zeros dropped,
// grouped as the locale groups, never an exponent (0.35, 100,000; German 0,35, 100.000).
QString decimalText(double value, const QLocale& locale)
{
    QString text = locale.toString(value, 'f', 3);
    const QString point = locale.decimalPoint(), zero = locale.zeroDigit();
    if (text.contains(point)) {
        while (text.endsWith(zero))
            text.chop(zero.size());
        if (text.endsWith(point)) text.chop(point.size());
    }
    if (text == locale.negativeSign() + zero) text = zero; // a tiny negative value
    return text;
}

} // namespace

QString Tuning::rawValue(FreezeFrom from)
{
    switch (from) {
    case FreezeFrom::claim:
        return QStringLiteral("claim");
    case FreezeFrom::gesture:
        return QStringLiteral("gesture");
    }
    return {};
}

std::optional<QByteArray> Tuning::toJson() const
{
    QJsonObject object;
    bool finite = true;
    forEachNumber(*this, [&](const char* key, double value) {
        finite = finite && std::isfinite(value);
        object.insert(QLatin1String(key), value);
    });
    if (!finite) return std::nullopt; // JSON has no such numbers
    object.insert(QStringLiteral("freezeFrom"), rawValue(freezeFrom));
    object.insert(QStringLiteral("actuatorID"), qint64(actuatorID));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Tuning> Tuning::fromJson(const QByteArray& data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    Tuning t;
    bool complete = true;
    forEachNumber(t, [&](const char* key, double& field) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isDouble())
            field = value.toDouble();
        else
            complete = false;
    });
    const QJsonValue freeze = object.value(QStringLiteral("freezeFrom"));
    if (freeze == rawValue(FreezeFrom::claim))
        t.freezeFrom = FreezeFrom::claim;
    else if (freeze == rawValue(FreezeFrom::gesture))
        t.freezeFrom = FreezeFrom::gesture;
    else
        complete = false;
    const QJsonValue actuator = object.value(QStringLiteral("actuatorID"));
    const double id = actuator.toDouble(0.5);
    if (!actuator.isDouble() || id != std::trunc(id) || id < std::numeric_limits<std::int32_t>::min() ||
        id > std::numeric_limits<std::int32_t>::max())
        complete = false;
    else
        t.actuatorID = std::int32_t(id);
    if (!complete) return std::nullopt; // never a partly decoded record
    return t;
}

TuningSettings& TuningSettings::shared()
{
    static TuningSettings* instance = new TuningSettings(standardSettingsStore()); // never destroyed
    return *instance;
}

TuningSettings::TuningSettings(QSettings& store, QObject* parent) : QObject(parent), store_(store)
{
    if (auto stored = Tuning::fromJson(store_.value(storeKey).toByteArray())) values_ = *stored;
}

void TuningSettings::setValues(const Tuning& values)
{
    if (values == values_) return;
    values_ = values;
    // A record that cannot be encoded stays in memory only; the store keeps the last good one.
    if (auto json = values_.toJson()) {
        store_.setValue(storeKey, *json);
        store_.sync();
    }
    emit valuesChanged();
    if (onChange) onChange();
}

void TuningSettings::reset()
{
    setValues(Tuning{});
}

QString TuningSettings::clipboardText(const AppSettings& settings, const QLocale& locale) const
{
    const auto number = [&](double value) { return decimalText(value, locale); };
    QStringList lines;
    forEachNumber(values_, [&](const char* key, double value) {
        lines << QLatin1String(key) + QStringLiteral(": ") + number(value);
    });
    lines << QStringLiteral("freezeFrom: ") + Tuning::rawValue(values_.freezeFrom);
    lines << QStringLiteral("actuatorID: ") + QString::number(values_.actuatorID);
    lines << QStringLiteral("sensitivity: ") + number(settings.sensitivity());
    lines << QStringLiteral("edgeWidth: ") + number(settings.edgeWidth());
    lines << QStringLiteral("hapticStrength: ") + AppSettings::rawValue(settings.hapticStrength());
    return lines.join(QLatin1Char('\n'));
}

} // namespace rimglider
