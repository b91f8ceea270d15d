// The debug window's drawing of the touchpad: the enabled zones (stronger while claimed) and
// every contact of the latest frame, fitted into the available width.
#pragma once

#include "GesturePipeline.h"

#include <QColor>
#include <QRectF>
#include <QWidget>

#include <vector>

namespace rimglider {

class TrackpadMapView : public QWidget {
    Q_OBJECT

  public:
    struct ZoneFill {
        GestureEngineKit::Zone zone;
        QRectF rect;
        QColor colour; // opacity included
    };
    struct TouchMark {
        QRectF bounds; // of the circle
        bool touching; // filled; otherwise only outlined
    };

    static constexpr double claimedOpacity = 0.55;
    static constexpr double idleOpacity = 0.18;

    explicit TrackpadMapView(QWidget* parent = nullptr);

    void setSnapshot(const GesturePipeline::Snapshot& snapshot);
    [[nodiscard]] const GesturePipeline::Snapshot& snapshot() const { return snapshot_; }

    // The enabled zones in drawing order on a canvas of `size`.
    static std::vector<ZoneFill> zoneFills(const GesturePipeline::Snapshot& snapshot, QSizeF size,
                                           const QPalette& palette);
    static std::vector<TouchMark> touchMarks(const GesturePipeline::Snapshot& snapshot, QSizeF size);
    // The drawn radius of a contact: 1.2 × its major axis, kept between 10 and 40.
    static double touchRadius(double majorAxis);
    static QColor zoneColour(GestureEngineKit::Zone zone, const QPalette& palette);

    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    [[nodiscard]] double aspect() const;

    GesturePipeline::Snapshot snapshot_;
};

} // namespace rimglider
