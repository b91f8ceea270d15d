#include "ToggleSwitch.h"

#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>

namespace rimglider {

ToggleSwitch::ToggleSwitch(Size size, QWidget* parent) : QAbstractButton(parent), size_(size)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const
{
    // Room for a 2-pixel focus ring around the track.
    return size_ == Size::small ? QSize(36, 22) : QSize(46, 28);
}

void ToggleSwitch::focusInEvent(QFocusEvent* event)
{
    keyboardFocus_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
                     event->reason() == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
}

void ToggleSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
    const qreal radius = track.height() / 2;
    const QPalette& colors = palette();

    QColor trackColor = isChecked() ? colors.color(QPalette::Highlight) : colors.color(QPalette::Mid);
    if (!isEnabled()) trackColor.setAlphaF(0.4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(trackColor);
    painter.drawRoundedRect(track, radius, radius);

    const qreal inset = 2;
    const qreal knobSize = track.height() - 2 * inset;
    const qreal knobX = isChecked() ? track.right() - inset - knobSize : track.left() + inset;
    const QRectF knob(knobX, track.top() + inset, knobSize, knobSize);
    QColor shadow(0, 0, 0, isEnabled() ? 50 : 20);
    painter.setBrush(shadow);
    painter.drawEllipse(knob.translated(0, 0.6));
    QColor knobColor = isEnabled() ? QColor(Qt::white) : QColor(250, 250, 250);
    painter.setBrush(knobColor);
    painter.drawEllipse(knob);

    if (hasFocus() && keyboardFocus_) {
        QColor ring = colors.color(QPalette::Highlight);
        ring.setAlphaF(0.6);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ring, 2));
        const QRectF outer = QRectF(rect()).adjusted(1, 1, -1, -1);
        painter.drawRoundedRect(outer, outer.height() / 2, outer.height() / 2);
    }
}

} // namespace rimglider
