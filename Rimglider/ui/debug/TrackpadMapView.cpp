#include "TrackpadMapView.h"

#include "Appearance.h"
#include "OnboardingTrackpadView.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace rimglider {

using GestureEngineKit::Zone;

namespace {

constexpr double cornerRadius = 14;

QColor withAlpha(QColor colour, double alpha)
{
    colour.setAlphaF(float(alpha));
    return colour;
}

} // namespace

TrackpadMapView::TrackpadMapView(QWidget* parent) : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(tr("Trackpad"));
}

void TrackpadMapView::setSnapshot(const GesturePipeline::Snapshot& snapshot)
{
    if (snapshot == snapshot_) return;
    const bool reshaped = snapshot.config.surfaceWidthMM != snapshot_.config.surfaceWidthMM ||
                          snapshot.config.surfaceHeightMM != snapshot_.config.surfaceHeightMM;
    snapshot_ = snapshot;
    if (reshaped) updateGeometry();
    update();
}

QColor TrackpadMapView::zoneColour(Zone zone, const QPalette& palette)
{
    const bool dark = Appearance::isDark(palette);
    switch (zone) {
    case Zone::left:
        return Appearance::orange(palette);
    case Zone::right:
        return dark ? QColor(10, 132, 255) : QColor(0, 122, 255);
    case Zone::bottom:
        return dark ? QColor(191, 90, 242) : QColor(175, 82, 222);
    case Zone::topRightCorner:
        return Appearance::red(palette);
    }
    return {};
}

std::vector<TrackpadMapView::ZoneFill> TrackpadMapView::zoneFills(const GesturePipeline::Snapshot& snapshot,
                                                                  QSizeF size, const QPalette& palette)
{
    std::vector<ZoneFill> fills;
    const auto claimed = snapshot.claimedZones.value_or(GestureEngineKit::ZoneSet());
    for (const Zone zone : GestureEngineKit::allZones) {
        if (!snapshot.config.enabledZones.contains(zone)) continue;
        fills.push_back({zone, OnboardingTrackpadView::zoneRect(zone, snapshot.config, size),
                         withAlpha(zoneColour(zone, palette), claimed.contains(zone) ? claimedOpacity : idleOpacity)});
    }
    return fills;
}

double TrackpadMapView::touchRadius(double majorAxis)
{
    return std::clamp(majorAxis * 1.2, 10.0, 40.0);
}

std::vector<TrackpadMapView::TouchMark> TrackpadMapView::touchMarks(const GesturePipeline::Snapshot& snapshot,
                                                                    QSizeF size)
{
    std::vector<TouchMark> marks;
    marks.reserve(snapshot.touches.size());
    for (const auto& touch : snapshot.touches) {
        const double r = touchRadius(touch.majorAxis);
        marks.push_back({QRectF(size.width() * touch.x - r, size.height() * (1 - touch.y) - r, 2 * r, 2 * r),
                         touch.state == 3 || touch.state == 4});
    }
    return marks;
}

double TrackpadMapView::aspect() const
{
    const auto& config = snapshot_.config;
    return config.surfaceHeightMM > 0 && config.surfaceWidthMM > 0 ? config.surfaceWidthMM / config.surfaceHeightMM
                                                                   : 1.6;
}

int TrackpadMapView::heightForWidth(int width) const
{
    return int(std::lround(width / aspect()));
}

QSize TrackpadMapView::sizeHint() const
{
    return {440, heightForWidth(440)};
}

QSize TrackpadMapView::minimumSizeHint() const
{
    return {200, heightForWidth(200)};
}

void TrackpadMapView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF canvas = OnboardingTrackpadView::canvasRect(snapshot_.config, QRectF(rect()));
    painter.translate(canvas.topLeft());
    const QSizeF size = canvas.size();
    const QColor secondary = palette().color(QPalette::PlaceholderText);

    QPainterPath outline;
    outline.addRoundedRect(QRectF(QPointF(), size), cornerRadius, cornerRadius);
    painter.setPen(Qt::NoPen);
    painter.fillPath(outline, withAlpha(secondary, 0.12));

    // Zones at the rim follow the rounded corners instead of poking out of them.
    painter.setClipPath(outline);
    for (const ZoneFill& fill : zoneFills(snapshot_, size, palette()))
        painter.fillRect(fill.rect, fill.colour);
    painter.setClipping(false);

    const QColor accent = withAlpha(palette().color(QPalette::Highlight), 0.8);
    for (const TouchMark& mark : touchMarks(snapshot_, size)) {
        if (mark.touching) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(accent);
        } else {
            painter.setPen(QPen(secondary, 1.5));
            painter.setBrush(Qt::NoBrush);
        }
        painter.drawEllipse(mark.bounds);
    }
}

} // namespace rimglider
