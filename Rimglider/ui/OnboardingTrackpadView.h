// The guide's drawing of the touchpad: the surface, the zones to try (pulsing), a gliding
// finger hint on an edge, and the fingers on the real touchpad. It animates only while
// visible, at most 30 times a second.
#pragma once

#include "GesturePipeline.h"

#include "GestureEngineKit/TouchTypes.h"

#include <QTimer>
#include <QWidget>

#include <functional>

namespace rimglider {

class OnboardingTrackpadView : public QWidget {
    Q_OBJECT

  public:
    // Seconds since 1 January 2001 UTC, which the pulse and glide phases are taken from.
    using Clock = std::function<double()>;

    explicit OnboardingTrackpadView(int maximumWidth, QWidget* parent = nullptr);

    void setSnapshot(const GesturePipeline::Snapshot& snapshot);
    void setTargets(GestureEngineKit::ZoneSet targets);
    void setShowsHint(bool showsHint);
    void setClock(Clock clock) { clock_ = std::move(clock); }

    [[nodiscard]] GestureEngineKit::ZoneSet targets() const { return targets_; }
    [[nodiscard]] bool showsHint() const { return showsHint_; }
    [[nodiscard]] bool isAnimating() const { return frameTimer_.isActive(); }

    // A zone's rectangle on a canvas of `size` (screen y downwards).
    static QRectF zoneRect(GestureEngineKit::Zone zone, const GestureEngineKit::GestureConfig& config, QSizeF size);
    // The canvas: the widest rectangle of the surface's aspect ratio within `bounds`, centred.
    static QRectF canvasRect(const GestureEngineKit::GestureConfig& config, QRectF bounds);
    // The zones' fill opacity at time `t`: between 0.28 and 0.50.
    static double pulseOpacity(double t);
    // Where the hint's centre is at time `t` inside `zone`.
    static QPointF hintCentre(QRectF zone, double t);

    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;
    [[nodiscard]] QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    GesturePipeline::Snapshot snapshot_;
    GestureEngineKit::ZoneSet targets_;
    bool showsHint_ = false;
    int maximumWidth_;
    Clock clock_;
    QTimer frameTimer_;
};

} // namespace rimglider
