#include "Spinner.h"

#include <QPainter>
#include <QTimerEvent>

#include <algorithm>
#include <utility>

namespace rimglider {

Spinner::Spinner(int diameter, QWidget* parent) : QWidget(parent)
{
    setFixedSize(diameter, diameter);
    setAttribute(Qt::WA_TranslucentBackground);
}

void Spinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal width = std::max(1.5, height() / 8.0);
    const QRectF box = QRectF(rect()).adjusted(width, width, -width, -width);
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.15f);
    painter.setPen(QPen(track, width));
    painter.drawEllipse(box);
    painter.setPen(QPen(palette().color(QPalette::Highlight), width, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(box, -angle_ * 16, 100 * 16); // a quarter and a bit, turning clockwise
}

void Spinner::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timer_) return QWidget::timerEvent(event);
    angle_ = (angle_ + 30) % 360;
    update();
}

void Spinner::showEvent(QShowEvent* event)
{
    if (timer_ == 0) timer_ = startTimer(80);
    QWidget::showEvent(event);
}

void Spinner::hideEvent(QHideEvent* event)
{
    if (timer_ != 0) killTimer(std::exchange(timer_, 0));
    QWidget::hideEvent(event);
}

} // namespace rimglider
