// The guide's last step: where Rimglider lives from now on, and starting it at login.
#pragma once

#include <QWidget>

class QAbstractButton;

namespace rimglider {

class LoginItem;

class DoneStep : public QWidget {
    Q_OBJECT

  public:
    explicit DoneStep(LoginItem& loginItem, QWidget* parent = nullptr);

    [[nodiscard]] QAbstractButton* openAtLogin() const { return openAtLogin_; }

  private:
    void refresh();

    LoginItem& loginItem_;
    QAbstractButton* openAtLogin_;
};

} // namespace rimglider
