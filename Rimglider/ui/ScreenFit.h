// Windows that fit the screen they open on: no larger than its available area (less room for
// the title bar and borders the window manager adds), and placed so the whole frame shows.
#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace rimglider::screenfit {

// Room the window manager's decoration takes around the client area, at most.
inline constexpr QSize decoration{16, 48};

// `wanted`, shrunk to fit `area` with its decoration; never below `minimum`.
QSize fittedSize(QSize wanted, QSize minimum, const QRect& area);

// `frame` moved by as little as possible to lie within `area` (its top-left corner wins when
// it cannot fit at all, so the title bar stays reachable).
QRect keptWithin(QRect frame, const QRect& area);

// Sizes `window` to `wanted` as far as its screen allows and centres it there.
void fitAndCentre(QWidget* window, QSize wanted);
// Moves `window` (restored from an earlier session, say) fully onto its screen, shrinking it
// when the screen is now smaller.
void keepOnScreen(QWidget* window);

} // namespace rimglider::screenfit
