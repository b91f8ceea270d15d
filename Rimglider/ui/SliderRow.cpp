#include "SliderRow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace rimglider {

SliderRow::SliderRow(const QString& title, double minimum, double maximum, Display display, QWidget* parent)
    : QWidget(parent), minimum_(minimum), maximum_(maximum), value_(minimum), display_(std::move(display)),
      title_(new QLabel(title, this)), valueText_(new QLabel(this)), slider_(new QSlider(Qt::Horizontal, this))
{
    valueText_->setForegroundRole(QPalette::PlaceholderText);
    valueText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    slider_->setRange(0, steps);
    slider_->setSingleStep(steps / 100);
    slider_->setPageStep(steps / 10);
    slider_->setAccessibleName(title);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->addWidget(title_, 1);
    header->addWidget(valueText_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addLayout(header);
    column->addWidget(slider_);

    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
        value_ = minimum_ + (maximum_ - minimum_) * position / steps;
        showValue();
        emit valueChanged(value_);
    });
    showValue();
}

int SliderRow::position(double value) const
{
    if (maximum_ <= minimum_) return 0;
    return static_cast<int>(std::lround((value - minimum_) / (maximum_ - minimum_) * steps));
}

void SliderRow::setValue(double value)
{
    // A stored value outside the range is shown as it is; only the knob stops at the end.
    value_ = value;
    const QSignalBlocker quiet(slider_);
    slider_->setValue(std::clamp(position(value), 0, steps));
    showValue();
}

QString SliderRow::title() const
{
    return title_->text();
}

QString SliderRow::displayText() const
{
    return valueText_->text();
}

void SliderRow::showValue()
{
    const QString text = display_ ? display_(value_) : QString();
    valueText_->setText(text);
    slider_->setAccessibleDescription(text);
}

QString SliderRow::sensitivityText(double value, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
    return plain.toString(value, 'f', 1) + QStringLiteral("×");
}

QString SliderRow::edgeWidthText(double value)
{
    // std::round takes halves away from zero; snapping to millionths first keeps binary
    // fractions such as 0.145 × 100 = 14.4999… on their half.
    const double percent = std::round(value * 100.0 * 1e6) / 1e6;
    return QString::number(static_cast<long long>(std::round(percent))) + QStringLiteral("%");
}

} // namespace rimglider
