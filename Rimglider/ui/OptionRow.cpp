#include "OptionRow.h"

#include "Icons.h"
#include "ToggleSwitch.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace rimglider {

namespace {
constexpr int symbolColumn = 20;
constexpr int symbolSize = 16;
} // namespace

OptionRow::OptionRow(const QString& symbol, const QString& title, const QString& subtitle, QWidget* parent)
    : QWidget(parent), symbol_(symbol), icon_(new QLabel(this)), title_(new QLabel(title, this)),
      subtitle_(new QLabel(subtitle, this)), switch_(new ToggleSwitch(ToggleSwitch::Size::small, this))
{
    icon_->setFixedWidth(symbolColumn);
    icon_->setAlignment(Qt::AlignCenter);
    QFont caption = subtitle_->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    subtitle_->setFont(caption);
    subtitle_->setForegroundRole(QPalette::PlaceholderText);
    subtitle_->setWordWrap(true);
    // The switch speaks for the row: its name is the title, its description the subtitle.
    switch_->setAccessibleName(title);
    switch_->setAccessibleDescription(subtitle);

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(1);
    texts->addWidget(title_);
    texts->addWidget(subtitle_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(icon_, 0, Qt::AlignVCenter);
    row->addLayout(texts, 1);
    row->addWidget(switch_, 0, Qt::AlignVCenter);

    connect(switch_, &ToggleSwitch::toggled, this, &OptionRow::toggled);
    paintSymbol();
}

bool OptionRow::isOn() const
{
    return switch_->isChecked();
}

void OptionRow::setOn(bool on)
{
    const QSignalBlocker quiet(switch_);
    switch_->setChecked(on);
    switch_->update();
}

QString OptionRow::title() const
{
    return title_->text();
}

QString OptionRow::subtitle() const
{
    return subtitle_->text();
}

void OptionRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled())
        switch_->click();
    QWidget::mouseReleaseEvent(event);
}

void OptionRow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange) paintSymbol();
    QWidget::changeEvent(event);
}

void OptionRow::paintSymbol()
{
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    icon_->setPixmap(Icons::tinted(Icons::symbol(symbol_), palette().color(group, QPalette::PlaceholderText),
                                   QSize(symbolSize, symbolSize), devicePixelRatioF()));
}

} // namespace rimglider
