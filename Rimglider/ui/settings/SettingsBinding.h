// Two-way bindings between a control and one AppSettings property: the control writes on
// every user change, and follows changes made anywhere else without writing them back.
#pragma once

#include "AppSettings.h"
#include "SliderRow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSignalBlocker>

#include <algorithm>
#include <array>
#include <cstddef>

namespace rimglider::bind {

template <class Getter, class Setter, class Signal>
void toggle(QAbstractButton* box, AppSettings& settings, Getter get, Setter set, Signal changed)
{
    box->setChecked((settings.*get)());
    QObject::connect(box, &QAbstractButton::toggled, &settings, [&settings, set](bool on) { (settings.*set)(on); });
    QObject::connect(&settings, changed, box, [box, &settings, get] {
        const QSignalBlocker quiet(box);
        box->setChecked((settings.*get)());
    });
}

// Choice i of `picker` stands for values[i].
template <class Value, std::size_t N, class Getter, class Setter, class Signal>
void picker(QComboBox* picker, AppSettings& settings, std::array<Value, N> values, Getter get, Setter set,
            Signal changed)
{
    const auto show = [picker, &settings, values, get] {
        const QSignalBlocker quiet(picker);
        const auto at = std::ranges::find(values, (settings.*get)());
        picker->setCurrentIndex(at == values.end() ? -1 : int(at - values.begin()));
    };
    show();
    QObject::connect(picker, &QComboBox::activated, &settings, [&settings, values, set](int index) {
        if (index >= 0 && std::size_t(index) < N) (settings.*set)(values[std::size_t(index)]);
    });
    QObject::connect(&settings, changed, picker, show);
}

template <class Getter, class Setter, class Signal>
void slider(SliderRow* row, AppSettings& settings, Getter get, Setter set, Signal changed)
{
    row->setValue((settings.*get)());
    QObject::connect(row, &SliderRow::valueChanged, &settings, [&settings, set, get](double value) {
        if (value != (settings.*get)()) (settings.*set)(value);
    });
    QObject::connect(&settings, changed, row, [row, &settings, get] {
        const QSignalBlocker quiet(row);
        row->setValue((settings.*get)());
    });
}

} // namespace rimglider::bind
