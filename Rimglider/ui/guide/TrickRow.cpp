#include "TrickRow.h"

#include "Appearance.h"
#include "Icons.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

namespace rimglider {

TrickRow::TrickRow(const QString& text, QWidget* parent)
    : QWidget(parent), icon_(new QLabel), text_(new QLabel(text)), offNote_(new QLabel(tr("Off in Settings")))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    icon_->setFixedSize(20, 20);
    text_->setWordWrap(true);
    offNote_->setForegroundRole(QPalette::PlaceholderText);
    row->addWidget(icon_);
    row->addWidget(text_, 1);
    row->addWidget(offNote_);
    refresh();
}

void TrickRow::setDone(bool done)
{
    done_ = done;
    refresh();
}

void TrickRow::setGestureEnabled(bool enabled)
{
    gestureEnabled_ = enabled;
    refresh();
}

void TrickRow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) refresh();
    QWidget::changeEvent(event);
}

void TrickRow::refresh()
{
    const QPalette& colours = palette();
    const QColor tint = done_ ? Appearance::green(colours) : colours.color(QPalette::PlaceholderText);
    icon_->setPixmap(
        Icons::tinted(Icons::symbol(done_ ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle")), tint,
                      QSize(20, 20), devicePixelRatioF()));
    text_->setForegroundRole(gestureEnabled_ ? QPalette::WindowText : QPalette::PlaceholderText);
    offNote_->setVisible(!gestureEnabled_);
    setAccessibleName(text_->text() + (done_ ? tr(" (done)") : QString()) +
                      (gestureEnabled_ ? QString() : tr(" (off in Settings)")));
}

} // namespace rimglider
