// The debug window's tuning tab: sliders over the recogniser's thresholds (written to the tuning
// record and a few user settings as they move), the haptic actuator's choices and trial buttons,
// and copying or resetting the values.
#pragma once

#include "AppSettings.h"
#include "TuningSettings.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QSlider;

namespace rimglider {

class TuningPanel : public QWidget {
    Q_OBJECT

  public:
    // The actuation identifiers offered, in this order.
    static constexpr std::array<std::int32_t, 8> actuatorIDs{1, 2, 3, 4, 5, 6, 15, 16};

    struct Actions {
        std::function<void(std::int32_t)> testActuator;
        std::function<void()> copyValues;
    };

    TuningPanel(TuningSettings& tuning, AppSettings& settings, Actions actions, QWidget* parent = nullptr);

    // The actuator's status line; hidden while empty.
    void setActuatorStatus(const QString& status);

    // Between 0 and 2 fraction digits in `locale`: 2.5 → "2.5", 2 → "2", 0.25 → "0,25" in German.
    static QString numberText(double value, const QLocale& locale = QLocale());

    // The slider titled `label`, and the value text beside it (null when unknown).
    [[nodiscard]] QSlider* slider(const QString& label) const;
    [[nodiscard]] QLabel* valueText(const QString& label) const;
    [[nodiscard]] QComboBox* freezePicker() const { return freezeFrom_; }
    [[nodiscard]] QComboBox* strengthPicker() const { return strength_; }
    [[nodiscard]] QComboBox* enginePicker() const { return engine_; }
    [[nodiscard]] QPushButton* resetButton() const { return reset_; }
    [[nodiscard]] QLabel* actuatorStatusLabel() const { return actuatorStatus_; }

  private:
    struct Row {
        QString label;
        QSlider* slider;
        QLabel* value;
        double minimum;
        double step;
        std::function<double()> read;
        std::function<void(double)> write;
        std::function<QString(double)> text;
    };

    void addSlider(QGridLayout* grid, const QString& label, double minimum, double maximum, double step,
                   std::function<double()> read, std::function<void(double)> write,
                   std::function<QString(double)> text);
    void addTuningSlider(QGridLayout* grid, const QString& label, double minimum, double maximum, double step,
                         double Tuning::*field, const QString& unit);
    void showValues();
    [[nodiscard]] const Row* row(const QString& label) const;

    TuningSettings& tuning_;
    AppSettings& settings_;
    Actions actions_;
    std::vector<Row> rows_;
    QComboBox* freezeFrom_ = nullptr;
    QComboBox* strength_ = nullptr;
    QComboBox* engine_ = nullptr;
    QLabel* actuatorStatus_ = nullptr;
    QPushButton* reset_ = nullptr;
};

} // namespace rimglider
