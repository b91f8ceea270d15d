#include "ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace rimglider::screenfit {

namespace {

QRect availableArea(const QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

QSize fittedSize(QSize wanted, QSize minimum, const QRect& area)
{
    if (area.isEmpty()) return wanted.expandedTo(minimum);
    return wanted.boundedTo(area.size() - decoration).expandedTo(minimum);
}

QRect keptWithin(QRect frame, const QRect& area)
{
    if (area.isEmpty()) return frame;
    frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() - frame.width() + 1)));
    frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() - frame.height() + 1)));
    return frame;
}

// A top-level widget's position is its frame's; its size is the client area's.
void fitAndCentre(QWidget* window, QSize wanted)
{
    const QRect area = availableArea(window);
    window->resize(fittedSize(wanted, window->minimumSize(), area));
    if (area.isEmpty()) return;
    QRect frame(QPoint(), window->size() + decoration);
    frame.moveCenter(area.center());
    window->move(keptWithin(frame, area).topLeft());
}

void keepOnScreen(QWidget* window)
{
    const QRect area = availableArea(window);
    if (area.isEmpty()) return;
    window->resize(fittedSize(window->size(), window->minimumSize(), area));
    window->move(keptWithin(QRect(window->pos(), window->size() + decoration), area).topLeft());
}

} // namespace rimglider::screenfit
