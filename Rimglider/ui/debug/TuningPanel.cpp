#include "TuningPanel.h"

#include "SettingsForm.h"
#include "SliderRow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace rimglider {

namespace {

constexpr int labelWidth = 120;
constexpr int valueWidth = 64;

// Slider positions are whole steps from the minimum; values are rounded back to the step's own
// precision so that 1 + 15 × 0.1 is stored as 2.5, not 2.5000000000000004.
double valueAt(int position, double minimum, double step)
{
    return std::round((minimum + position * step) * 1e6) / 1e6;
}

int positionOf(double value, double minimum, double step)
{
    return int(std::lround((value - minimum) / step));
}

QGridLayout* sliderGrid(QGridLayout* grid)
{
    grid->setColumnStretch(0, 0);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(0, labelWidth);
    grid->setColumnMinimumWidth(2, valueWidth);
    return grid;
}

} // namespace

QString TuningPanel::numberText(double value, const QLocale& locale)
{
    // Two fraction digits at most, trailing zeros dropped.
    const double rounded = std::round(value * 100) / 100;
    int digits = 0;
    while (digits < 2 && std::abs(rounded * std::pow(10, digits) - std::round(rounded * std::pow(10, digits))) > 1e-9)
        ++digits;
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(rounded, 'f', digits);
}

TuningPanel::TuningPanel(TuningSettings& tuning, AppSettings& settings, Actions actions, QWidget* parent)
    : QWidget(parent), tuning_(tuning), settings_(settings), actions_(std::move(actions))
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(10);
    const QString mm = QStringLiteral(" mm");
    const QString seconds = QStringLiteral(" s");
    const QString times = QStringLiteral(" ×");

    auto* sliders = sliderGrid(form::addSection(page, tr("Sliders")));
    addTuningSlider(sliders, tr("Step distance"), 1, 8, 0.1, &Tuning::stepDistanceMM, mm);
    addSlider(
        sliders, tr("Sensitivity"), 0.5, 3.0, 0.1, [&settings] { return settings.sensitivity(); },
        [&settings](double value) { settings.setSensitivity(value); },
        [times](double value) { return numberText(value) + times; });
    addSlider(
        sliders, tr("Edge width"), 0.03, 0.15, 0.005, [&settings] { return settings.edgeWidth(); },
        [&settings](double value) { settings.setEdgeWidth(value); }, &SliderRow::edgeWidthText);
    addTuningSlider(sliders, tr("Activation"), 0.5, 6, 0.1, &Tuning::activationDistanceMM, mm);
    addTuningSlider(sliders, tr("Angle ratio"), 1, 4, 0.1, &Tuning::activationAngleRatio, times);
    addTuningSlider(sliders, tr("Rest timeout"), 0.2, 2, 0.05, &Tuning::candidateTimeout, seconds);

    auto* taps = sliderGrid(form::addSection(page, tr("Taps, swipes, cursor")));
    addTuningSlider(taps, tr("Swipe distance"), 5, 40, 1, &Tuning::swipeMinDistanceMM, mm);
    addTuningSlider(taps, tr("Tap max duration"), 0.08, 0.5, 0.01, &Tuning::tapMaxDuration, seconds);
    addTuningSlider(taps, tr("Double-tap gap"), 0.15, 0.8, 0.01, &Tuning::doubleTapInterval, seconds);
    addTuningSlider(taps, tr("Click guard"), 0, 0.8, 0.01, &Tuning::clickGuardWindow, seconds);
    freezeFrom_ = new QComboBox;
    freezeFrom_->addItems({tr("Touch in a zone"), tr("Recognized gesture")});
    freezeFrom_->setAccessibleName(tr("Freeze cursor from"));
    connect(freezeFrom_, &QComboBox::activated, this, [this](int index) {
        Tuning values = tuning_.values();
        values.freezeFrom = index == 1 ? Tuning::FreezeFrom::gesture : Tuning::FreezeFrom::claim;
        tuning_.setValues(values);
    });
    const int freezeRow = taps->rowCount();
    taps->addWidget(new QLabel(tr("Freeze cursor from")), freezeRow, 0);
    taps->addWidget(freezeFrom_, freezeRow, 1, 1, 2, Qt::AlignLeft);

    auto* haptics = sliderGrid(form::addSection(page, tr("Haptics (keep a finger on the trackpad)")));
    strength_ = new QComboBox;
    strength_->addItems({tr("Off"), tr("Soft"), tr("Medium"), tr("Strong")});
    strength_->setAccessibleName(tr("Strength (system)"));
    static constexpr std::array strengths{AppSettings::HapticStrength::off, AppSettings::HapticStrength::light,
                                          AppSettings::HapticStrength::medium, AppSettings::HapticStrength::strong};
    connect(strength_, &QComboBox::activated, &settings_, [this](int index) {
        if (index >= 0 && std::size_t(index) < strengths.size())
            settings_.setHapticStrength(strengths[std::size_t(index)]);
    });
    haptics->addWidget(new QLabel(tr("Strength (system)")), 0, 0);
    haptics->addWidget(strength_, 0, 1, 1, 2, Qt::AlignLeft);

    engine_ = new QComboBox;
    engine_->setAccessibleName(tr("Engine"));
    engine_->addItem(tr("System haptics"), 0);
    for (const std::int32_t id : actuatorIDs)
        engine_->addItem(QStringLiteral("MTActuator ID %1").arg(id), id);
    connect(engine_, &QComboBox::activated, this, [this](int index) {
        Tuning values = tuning_.values();
        values.actuatorID = engine_->itemData(index).toInt();
        tuning_.setValues(values);
    });
    haptics->addWidget(new QLabel(tr("Engine")), 1, 0);
    haptics->addWidget(engine_, 1, 1, 1, 2, Qt::AlignLeft);

    auto* tryRow = new QHBoxLayout;
    tryRow->setSpacing(4);
    for (const std::int32_t id : actuatorIDs) {
        auto* button = new QPushButton(QString::number(id));
        button->setObjectName(QStringLiteral("try%1").arg(id));
        button->setMaximumWidth(36);
        connect(button, &QPushButton::clicked, this, [this, id] {
            if (actions_.testActuator) actions_.testActuator(id);
        });
        tryRow->addWidget(button);
    }
    tryRow->addStretch(1);
    haptics->addWidget(new QLabel(tr("Try:")), 2, 0);
    haptics->addLayout(tryRow, 2, 1, 1, 2);
    actuatorStatus_ = form::secondaryLabel(QString());
    actuatorStatus_->setVisible(false);
    haptics->addWidget(actuatorStatus_, 3, 0, 1, 3);

    auto* last = new QHBoxLayout;
    auto* copy = new QPushButton(tr("Copy values"));
    connect(copy, &QPushButton::clicked, this, [this] {
        if (actions_.copyValues) actions_.copyValues();
    });
    reset_ = new QPushButton(tr("Reset tuning"));
    connect(reset_, &QPushButton::clicked, &tuning_, &TuningSettings::reset);
    last->addWidget(copy);
    last->addWidget(reset_);
    last->addStretch(1);
    page->addLayout(last);
    page->addStretch(1);

    connect(&tuning_, &TuningSettings::valuesChanged, this, &TuningPanel::showValues);
    connect(&settings_, &AppSettings::sensitivityChanged, this, &TuningPanel::showValues);
    connect(&settings_, &AppSettings::edgeWidthChanged, this, &TuningPanel::showValues);
    connect(&settings_, &AppSettings::hapticStrengthChanged, this, &TuningPanel::showValues);
    showValues();
}

void TuningPanel::addSlider(QGridLayout* grid, const QString& label, double minimum, double maximum, double step,
                            std::function<double()> read, std::function<void(double)> write,
                            std::function<QString(double)> text)
{
    auto* title = new QLabel(label);
    title->setFixedWidth(labelWidth);
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setRange(0, positionOf(maximum, minimum, step));
    slider->setSingleStep(1);
    slider->setPageStep(std::max(1, slider->maximum() / 10));
    slider->setAccessibleName(label);
    title->setBuddy(slider);
    auto* value = new QLabel;
    value->setFixedWidth(valueWidth);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int row = grid->rowCount() == 1 && grid->itemAtPosition(0, 0) == nullptr ? 0 : grid->rowCount();
    grid->addWidget(title, row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(value, row, 2);
    connect(slider, &QSlider::valueChanged, this, [minimum, step, write, value, text](int position) {
        const double v = valueAt(position, minimum, step);
        value->setText(text(v));
        write(v);
    });
    rows_.push_back({label, slider, value, minimum, step, std::move(read), std::move(write), std::move(text)});
}

void TuningPanel::addTuningSlider(QGridLayout* grid, const QString& label, double minimum, double maximum, double step,
                                  double Tuning::*field, const QString& unit)
{
    // The whole record is stored on every move, which also rebuilds the engine configuration.
    addSlider(
        grid, label, minimum, maximum, step, [this, field] { return tuning_.values().*field; },
        [this, field](double value) {
            Tuning values = tuning_.values();
            values.*field = value;
            tuning_.setValues(values);
        },
        [unit](double value) { return numberText(value) + unit; });
}

void TuningPanel::showValues()
{
    for (const Row& row : rows_) {
        const double value = row.read();
        const QSignalBlocker quiet(row.slider);
        row.slider->setValue(positionOf(value, row.minimum, row.step));
        row.value->setText(row.text(value));
    }
    const Tuning& values = tuning_.values();
    {
        const QSignalBlocker quiet(freezeFrom_);
        freezeFrom_->setCurrentIndex(values.freezeFrom == Tuning::FreezeFrom::gesture ? 1 : 0);
    }
    {
        const QSignalBlocker quiet(engine_);
        engine_->setCurrentIndex(engine_->findData(values.actuatorID));
    }
    {
        const QSignalBlocker quiet(strength_);
        strength_->setCurrentIndex(int(settings_.hapticStrength()));
    }
    reset_->setEnabled(values != Tuning{});
}

void TuningPanel::setActuatorStatus(const QString& status)
{
    actuatorStatus_->setText(QStringLiteral("MTActuator: ") + status);
    actuatorStatus_->setVisible(!status.isEmpty());
}

const TuningPanel::Row* TuningPanel::row(const QString& label) const
{
    const auto at = std::ranges::find(rows_, label, &Row::label);
    return at == rows_.end() ? nullptr : &*at;
}

QSlider* TuningPanel::slider(const QString& label) const
{
    const Row* found = row(label);
    return found ? found->slider : nullptr;
}

QLabel* TuningPanel::valueText(const QString& label) const
{
    const Row* found = row(label);
    return found ? found->value : nullptr;
}

} // namespace rimglider
