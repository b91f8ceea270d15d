// One continuous setting: a header line with the title and the formatted value, above a slider
// over a closed range. The slider has no steps of its own: it moves in 1/1000 of the range.
#pragma once

#include <QLocale>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QSlider;

namespace rimglider {

class SliderRow : public QWidget {
    Q_OBJECT

  public:
    using Display = std::function<QString(double)>;

    SliderRow(const QString& title, double minimum, double maximum, Display display, QWidget* parent = nullptr);

    [[nodiscard]] double value() const { return value_; }
    // Shows `value` without emitting valueChanged; outside the range the knob stops at its end.
    void setValue(double value);
    [[nodiscard]] double minimum() const { return minimum_; }
    [[nodiscard]] double maximum() const { return maximum_; }
    [[nodiscard]] QString title() const;
    [[nodiscard]] QString displayText() const;
    [[nodiscard]] QSlider* slider() const { return slider_; }

    // Follows a double property of `object` and writes the user's changes to it as they happen.
    template <class Object>
    void bind(Object& object, double (Object::*read)() const, void (Object::*write)(double), void (Object::*changed)())
    {
        setValue((object.*read)());
        connect(&object, changed, this, [this, &object, read] { setValue((object.*read)()); });
        connect(this, &SliderRow::valueChanged, &object, [&object, write](double value) { (object.*write)(value); });
    }

    // One fraction digit in `locale`, then "×": 1 → "1.0×", 1.5 → "1,5×" in German.
    static QString sensitivityText(double value, const QLocale& locale = QLocale());
    // The nearest whole percentage (halves away from zero), then "%": 0.05 → "5%".
    static QString edgeWidthText(double value);

  signals:
    // While the user drags or steps the slider, with the new value.
    void valueChanged(double value);

  private:
    static constexpr int steps = 1000;
    [[nodiscard]] int position(double value) const;
    void showValue();

    double minimum_;
    double maximum_;
    double value_;
    Display display_;
    QLabel* title_;
    QLabel* valueText_;
    QSlider* slider_;
};

} // namespace rimglider
