// One of the extra gestures on the guide's extras step: a check once tried, then its text.
// A gesture that is turned off in Settings is dimmed and says so.
#pragma once

#include <QWidget>

class QLabel;

namespace rimglider {

class TrickRow : public QWidget {
    Q_OBJECT

  public:
    explicit TrickRow(const QString& text, QWidget* parent = nullptr);

    void setDone(bool done);
    void setGestureEnabled(bool enabled);
    [[nodiscard]] bool isDone() const { return done_; }
    [[nodiscard]] bool isGestureEnabled() const { return gestureEnabled_; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void refresh();

    QLabel* icon_;
    QLabel* text_;
    QLabel* offNote_;
    bool done_ = false;
    bool gestureEnabled_ = true;
};

} // namespace rimglider
