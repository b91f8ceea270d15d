// A small turning arc: work under way with no end in sight. Unlike a busy bar it never looks
// full, so it cannot be mistaken for "done".
#pragma once

#include <QWidget>

namespace rimglider {

class Spinner : public QWidget {
    Q_OBJECT

  public:
    explicit Spinner(int diameter = 16, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    int timer_ = 0;
    int angle_ = 0;
};

} // namespace rimglider
