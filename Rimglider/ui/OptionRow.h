// One on/off option: its symbol in a narrow column, the title above a smaller subtitle, and a
// small switch at the end of the row. Clicking anywhere on the row flips the switch.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace rimglider {

class ToggleSwitch;

class OptionRow : public QWidget {
    Q_OBJECT

  public:
    OptionRow(const QString& symbol, const QString& title, const QString& subtitle, QWidget* parent = nullptr);

    [[nodiscard]] bool isOn() const;
    // Shows `on` without emitting toggled.
    void setOn(bool on);
    [[nodiscard]] QString title() const;
    [[nodiscard]] QString subtitle() const;
    [[nodiscard]] QString symbol() const { return symbol_; }
    [[nodiscard]] ToggleSwitch* toggle() const { return switch_; }

    // Follows a Boolean property of `object` and writes the user's changes back to it.
    template <class Object>
    void bind(Object& object, bool (Object::*read)() const, void (Object::*write)(bool), void (Object::*changed)())
    {
        setOn((object.*read)());
        connect(&object, changed, this, [this, &object, read] { setOn((object.*read)()); });
        connect(this, &OptionRow::toggled, &object, [&object, write](bool on) { (object.*write)(on); });
    }

  signals:
    // When the user flips the switch.
    void toggled(bool on);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void paintSymbol();

    QString symbol_;
    QLabel* icon_;
    QLabel* title_;
    QLabel* subtitle_;
    ToggleSwitch* switch_;
};

} // namespace rimglider
