// Icons by the symbol names the panels are described with. Each symbol maps to a freedesktop
// icon-theme name; a bundled SVG answers when the desktop's theme lacks it, so every icon shows
// on any theme. Symbols are monochrome: tinted() draws one in a palette colour, which keeps
// them legible in light and dark palettes alike.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

namespace rimglider {

class Icons {
  public:
    // The icon for a symbol name ("speaker.wave.2.fill"); an unknown name gives a null icon.
    static QIcon symbol(const QString& sfName);
    // Every symbol name known here.
    static QStringList symbolNames();
    // The symbol drawn in `color` at `size`, for 1× and 2× screens (tab and button icons,
    // which Qt would otherwise draw in the theme's own, often unreadable, colour).
    static QIcon tintedSymbol(const QString& sfName, const QColor& color, QSize size = QSize(16, 16));
    // The theme name a symbol maps to, empty when unknown.
    static QString themeName(const QString& sfName);
    // Whether a bundled drawing exists for the symbol (every mapped symbol has one).
    static bool hasBundledFallback(const QString& sfName);

    // The application's own icon, "rimglider" from the theme or the bundled one.
    static QIcon application();
    // The tray icon: "MenuBarIcon" while gestures run, "MenuBarIconOff" otherwise.
    static QIcon menuBar(bool on);
    static QString menuBarName(bool on)
    {
        return on ? QStringLiteral("MenuBarIcon") : QStringLiteral("MenuBarIconOff");
    }

    // `icon` at `size` device-independent pixels for `devicePixelRatio`, its shape filled with
    // `color`.
    static QPixmap tinted(const QIcon& icon, QColor color, QSize size, qreal devicePixelRatio);
};

} // namespace rimglider
