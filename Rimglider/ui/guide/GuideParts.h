// Small pieces the welcome guide's steps share.
#pragma once

#include <QColor>
#include <QString>

class QLabel;
class QPalette;
class QWidget;

namespace rimglider::guide {

// A symbol drawn in `colour` at `size` pixels.
QLabel* symbolLabel(const QString& symbol, const QColor& colour, int size);

// A symbol and a text side by side, centred, in `colour` (bold when `headline`).
QWidget* statusLabel(const QString& symbol, const QString& text, const QColor& colour, bool headline);

// A smaller, dimmed note.
QLabel* note(const QString& text, double scale = 0.9);

// The style sheet of a prominent button: filled with the accent colour of `palette`.
QString prominentStyle(const QPalette& palette);

} // namespace rimglider::guide
