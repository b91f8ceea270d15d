#include "OnboardingTrackpadView.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace rimglider {

using GestureEngineKit::GestureConfig;
using GestureEngineKit::Zone;

namespace {

constexpr double referenceDateOffset = 978307200.0; // 2001-01-01 in Unix seconds

double secondsSinceReferenceDate()
{
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - referenceDateOffset;
}

QColor withAlpha(QColor colour, double alpha)
{
    colour.setAlphaF(float(alpha));
    return colour;
}

} // namespace

OnboardingTrackpadView::OnboardingTrackpadView(int maximumWidth, QWidget* parent)
    : QWidget(parent), maximumWidth_(maximumWidth), clock_(&secondsSinceReferenceDate)
{
    setMaximumWidth(maximumWidth);
    setMinimumWidth(maximumWidth / 2);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAccessibleName(tr("Trackpad"));
    frameTimer_.setInterval(1000 / 30);
    connect(&frameTimer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void OnboardingTrackpadView::setSnapshot(const GesturePipeline::Snapshot& snapshot)
{
    if (snapshot == snapshot_) return;
    const bool reshaped = snapshot.config.surfaceWidthMM != snapshot_.config.surfaceWidthMM ||
                          snapshot.config.surfaceHeightMM != snapshot_.config.surfaceHeightMM;
    snapshot_ = snapshot;
    if (reshaped) updateGeometry();
    update();
}

void OnboardingTrackpadView::setTargets(GestureEngineKit::ZoneSet targets)
{
    targets_ = targets;
    update();
}

void OnboardingTrackpadView::setShowsHint(bool showsHint)
{
    showsHint_ = showsHint;
    update();
}

QRectF OnboardingTrackpadView::zoneRect(Zone zone, const GestureConfig& config, QSizeF size)
{
    const double w = size.width();
    const double h = size.height();
    const double limit = config.sliderStartLimit.value_or(1.0);
    switch (zone) {
    case Zone::left:
        return {0, h - h * limit, w * config.edgeWidth, h * limit};
    case Zone::right:
        return {w * (1 - config.edgeWidth), h - h * limit, w * config.edgeWidth, h * limit};
    case Zone::bottom:
        return {0, h * (1 - config.bottomEdgeHeight), w, h * config.bottomEdgeHeight};
    case Zone::topRightCorner:
        return {w * (1 - config.cornerWidth), 0, w * config.cornerWidth, h * config.cornerHeight};
    }
    return {};
}

QRectF OnboardingTrackpadView::canvasRect(const GestureConfig& config, QRectF bounds)
{
    const double aspect = config.surfaceHeightMM > 0 ? config.surfaceWidthMM / config.surfaceHeightMM : 1.6;
    QSizeF size(bounds.width(), bounds.width() / aspect);
    if (size.height() > bounds.height()) size = QSizeF(bounds.height() * aspect, bounds.height());
    QRectF canvas(QPointF(), size);
    canvas.moveCenter(bounds.center());
    return canvas;
}

double OnboardingTrackpadView::pulseOpacity(double t)
{
    return 0.28 + 0.11 * (std::sin(3 * t) + 1);
}

QPointF OnboardingTrackpadView::hintCentre(QRectF zone, double t)
{
    return {zone.center().x(), zone.top() + (0.25 + 0.25 * (std::sin(1.6 * t) + 1)) * zone.height()};
}

int OnboardingTrackpadView::heightForWidth(int width) const
{
    const auto& config = snapshot_.config;
    const double aspect = config.surfaceHeightMM > 0 ? config.surfaceWidthMM / config.surfaceHeightMM : 1.6;
    return int(std::lround(std::min(width, maximumWidth_) / aspect));
}

QSize OnboardingTrackpadView::sizeHint() const
{
    return {maximumWidth_, heightForWidth(maximumWidth_)};
}

void OnboardingTrackpadView::showEvent(QShowEvent* event)
{
    frameTimer_.start();
    QWidget::showEvent(event);
}

void OnboardingTrackpadView::hideEvent(QHideEvent* event)
{
    frameTimer_.stop();
    QWidget::hideEvent(event);
}

void OnboardingTrackpadView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF canvas = canvasRect(snapshot_.config, QRectF(rect()));
    painter.translate(canvas.topLeft());
    const QSizeF size = canvas.size();
    const double t = clock_();

    const QColor secondary = palette().color(QPalette::PlaceholderText);
    const QColor accent = palette().color(QPalette::Highlight);

    const QRectF surface(QPointF(), size);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(secondary, 0.12));
    painter.drawRoundedRect(surface, 18, 18);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(withAlpha(secondary, 0.35), 1));
    painter.drawRoundedRect(surface.adjusted(0.5, 0.5, -0.5, -0.5), 18, 18);

    // Zones at the rim follow the surface's rounded corners instead of poking out.
    QPainterPath outline;
    outline.addRoundedRect(surface, 18, 18);
    painter.setClipPath(outline);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(accent, pulseOpacity(t)));
    for (const Zone zone : GestureEngineKit::allZones) {
        if (targets_.contains(zone)) painter.drawRoundedRect(zoneRect(zone, snapshot_.config, size), 8, 8);
    }
    painter.setClipping(false);

    if (showsHint_ && snapshot_.touches.empty()) {
        const auto edge = std::ranges::find_if(GestureEngineKit::allZones, [this](Zone zone) {
            return targets_.contains(zone) && (zone == Zone::left || zone == Zone::right);
        });
        if (edge != GestureEngineKit::allZones.end()) {
            const QPointF centre = hintCentre(zoneRect(*edge, snapshot_.config, size), t);
            // A soft white halo of radius 8 around the dot stands in for the shadow.
            for (int ring = 8; ring > 0; ring -= 2) {
                painter.setBrush(withAlpha(Qt::white, 0.6 * 0.25 * (1.0 - double(ring) / 10.0)));
                painter.drawEllipse(centre, 11.0 + ring, 11.0 + ring);
            }
            painter.setBrush(withAlpha(Qt::white, 0.85));
            painter.drawEllipse(centre, 11, 11);
        }
    }

    painter.setBrush(accent);
    for (const auto& touch : snapshot_.touches)
        painter.drawEllipse(QPointF(size.width() * touch.x, size.height() * (1 - touch.y)), 13, 13);
}

} // namespace rimglider
