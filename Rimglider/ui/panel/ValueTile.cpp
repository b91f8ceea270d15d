#include "ValueTile.h"

#include "Icons.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>

#include <cmath>

namespace rimglider {

namespace {

QFont tileFont(QFont font, qreal factor, QFont::Weight weight = QFont::Normal)
{
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setWeight(weight);
    return font;
}

constexpr int barSteps = 1000;

} // namespace

ValueTile::ValueTile(QWidget* parent)
    : QWidget(parent), icon_(new QLabel(this)), title_(new QLabel(this)), percent_(new QLabel(this)),
      bar_(new QProgressBar(this)), unavailable_(new QLabel(this)), detail_(new QLabel(this))
{
    const QFont base = font();
    title_->setFont(tileFont(base, 0.85));
    title_->setForegroundRole(QPalette::PlaceholderText);
    // Sans fonts of the desktops draw their digits at one width, so levels do not jitter.
    percent_->setFont(tileFont(base, 1.55, QFont::DemiBold));
    unavailable_->setFont(tileFont(base, 0.95));
    unavailable_->setForegroundRole(QPalette::PlaceholderText);
    unavailable_->setWordWrap(true);
    detail_->setFont(tileFont(base, 0.78));
    detail_->setForegroundRole(QPalette::PlaceholderText);
    // A long device name is shortened with "…" rather than widening the panel; its tooltip
    // has it whole.
    detail_->setMinimumWidth(1);
    detail_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    detail_->installEventFilter(this);

    bar_->setRange(0, barSteps);
    bar_->setTextVisible(false);
    bar_->setFixedHeight(6);

    auto* caption = new QHBoxLayout;
    caption->setContentsMargins(0, 0, 0, 0);
    caption->setSpacing(5);
    caption->addWidget(icon_);
    caption->addWidget(title_, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 8, 10, 9);
    column->setSpacing(4);
    column->addLayout(caption);
    column->addWidget(percent_);
    column->addWidget(bar_);
    column->addWidget(unavailable_);
    column->addWidget(detail_);
    column->addStretch(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setContent({});
    paintSymbol();
}

QString ValueTile::percentText(float value)
{
    // Snapped to millionths first, so a half stored as 0.4999999 (0.005f × 100) rounds up too.
    const double percent = std::round(static_cast<double>(value) * 100.0 * 1e6) / 1e6;
    return QString::number(static_cast<long long>(std::round(percent))) + QStringLiteral("%");
}

void ValueTile::setContent(const Content& content)
{
    const bool symbolChanged = content.symbol != content_.symbol;
    content_ = content;
    title_->setText(content.title);
    const bool hasValue = content.value.has_value();
    percent_->setVisible(hasValue);
    bar_->setVisible(hasValue);
    unavailable_->setVisible(!hasValue);
    if (hasValue) {
        percent_->setText(percentText(*content.value));
        bar_->setValue(static_cast<int>(std::lround(std::clamp(*content.value, 0.0f, 1.0f) * barSteps)));
    }
    unavailable_->setText(content.unavailable);
    elideDetail();
    detail_->setToolTip(content.detail);
    detail_->setVisible(!content.detail.isEmpty());
    if (symbolChanged) paintSymbol();

    // Read as one element: "Volume, 46%, Speakers".
    QStringList spoken{content.title, hasValue ? percentText(*content.value) : content.unavailable};
    if (!content.detail.isEmpty()) spoken << content.detail;
    setAccessibleName(spoken.join(QStringLiteral(", ")));
    bar_->setAccessibleName(content.title);
}

QString ValueTile::titleText() const
{
    return title_->text();
}

QString ValueTile::valueText() const
{
    return percent_->isVisibleTo(this) ? percent_->text() : QString();
}

bool ValueTile::showsBar() const
{
    return bar_->isVisibleTo(this);
}

QString ValueTile::unavailableText() const
{
    return unavailable_->isVisibleTo(this) ? unavailable_->text() : QString();
}

QString ValueTile::detailText() const
{
    return detail_->isVisibleTo(this) ? content_.detail : QString();
}

QString ValueTile::shownDetail() const
{
    return detail_->text();
}

void ValueTile::elideDetail()
{
    const int width = detail_->contentsRect().width();
    detail_->setText(width <= 1 ? content_.detail
                                : detail_->fontMetrics().elidedText(content_.detail, Qt::ElideRight, width));
}

bool ValueTile::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == detail_ && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange)) elideDetail();
    return QWidget::eventFilter(watched, event);
}

void ValueTile::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange) paintSymbol();
    QWidget::changeEvent(event);
}

void ValueTile::paintSymbol()
{
    const QPalette& colors = palette();
    icon_->setPixmap(Icons::tinted(Icons::symbol(content_.symbol), colors.color(QPalette::PlaceholderText),
                                   QSize(13, 13), devicePixelRatioF()));
    // A flat bar in the accent colour on a faint track, in either palette.
    QColor track = colors.color(QPalette::WindowText);
    track.setAlphaF(0.12f);
    bar_->setStyleSheet(QStringLiteral("QProgressBar { border: none; border-radius: 3px; background: %1; }"
                                       "QProgressBar::chunk { border-radius: 3px; background: %2; }")
                            .arg(track.name(QColor::HexArgb), colors.color(QPalette::Highlight).name()));
}

void ValueTile::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::WindowText);
    fill.setAlphaF(0.055f);
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(0.08f);
    painter.setPen(QPen(edge, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
}

} // namespace rimglider
