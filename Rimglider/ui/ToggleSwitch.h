// A switch-style toggle: a rounded track with a knob, in the palette's accent colour while on.
// Checkable; Space toggles it, and it reports itself to accessibility as a check box.
#pragma once

#include <QAbstractButton>

namespace rimglider {

class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

  public:
    enum class Size { small, regular };

    explicit ToggleSwitch(Size size = Size::regular, QWidget* parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    [[nodiscard]] bool hitButton(const QPoint& position) const override { return rect().contains(position); }
    void focusInEvent(QFocusEvent* event) override;

  private:
    Size size_;
    bool keyboardFocus_ = false; // the ring shows only for focus reached by keyboard
};

} // namespace rimglider
