#include "GuideParts.h"

#include "Icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>

namespace rimglider::guide {

QLabel* symbolLabel(const QString& symbol, const QColor& colour, int size)
{
    auto* label = new QLabel;
    label->setPixmap(Icons::tinted(Icons::symbol(symbol), colour, QSize(size, size), label->devicePixelRatioF()));
    label->setFixedSize(size, size);
    return label;
}

QWidget* statusLabel(const QString& symbol, const QString& text, const QColor& colour, bool headline)
{
    auto* widget = new QWidget;
    auto* row = new QHBoxLayout(widget);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    auto* textLabel = new QLabel(text);
    textLabel->setObjectName(QStringLiteral("statusText"));
    QPalette palette = textLabel->palette();
    palette.setColor(QPalette::WindowText, colour);
    textLabel->setPalette(palette);
    if (headline) {
        QFont font = textLabel->font();
        font.setWeight(QFont::DemiBold);
        font.setPointSizeF(font.pointSizeF() * 1.1);
        textLabel->setFont(font);
    }
    row->addStretch();
    row->addWidget(symbolLabel(symbol, colour, headline ? 20 : 16));
    row->addWidget(textLabel);
    row->addStretch();
    widget->setAccessibleName(text);
    return widget;
}

QLabel* note(const QString& text, double scale)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QString prominentStyle(const QPalette& palette)
{
    // The style's own fill lightens the accent until white text barely reads, so the colours
    // are set outright.
    const QColor accent = palette.color(QPalette::Highlight);
    QColor dimmed = palette.color(QPalette::PlaceholderText);
    dimmed.setAlphaF(0.25f);
    return QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3;"
                          " border-radius: 5px; padding: 4px 14px; font-weight: 600; }"
                          " QPushButton:pressed { background: %3; }"
                          " QPushButton:focus { border: 2px solid %4; }"
                          " QPushButton:disabled { background: %5; color: %6; border-color: %5; }")
        .arg(accent.name(), palette.color(QPalette::HighlightedText).name(), accent.darker(125).name(),
             accent.lighter(140).name(), dimmed.name(QColor::HexArgb), palette.color(QPalette::PlaceholderText).name());
}

} // namespace rimglider::guide
