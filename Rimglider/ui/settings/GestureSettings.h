// The settings window's "Gestures" tab: which edges act, how slides feel, and a reset.
#pragma once

#include <QWidget>

class QAbstractButton;
class QComboBox;
class QLabel;

namespace rimglider {

class AppSettings;
class SliderRow;

class GestureSettings : public QWidget {
    Q_OBJECT

  public:
    explicit GestureSettings(AppSettings& settings, QWidget* parent = nullptr);

    // The side each of the two slider edges is on, following swapSides.
    static QString brightnessSide(bool swapSides);
    static QString volumeSide(bool swapSides);

    // The "Restore Defaults" row, kept out of the page so that it stays in view while the page
    // scrolls; the settings window places it below.
    [[nodiscard]] QWidget* footer() const { return footer_; }

  private:
    void showSides();

    AppSettings& settings_;
    QAbstractButton* brightness_ = nullptr;
    QAbstractButton* volume_ = nullptr;
    QLabel* brightnessSubtitle_ = nullptr;
    QLabel* volumeSubtitle_ = nullptr;
    QWidget* footer_ = nullptr;
};

} // namespace rimglider
