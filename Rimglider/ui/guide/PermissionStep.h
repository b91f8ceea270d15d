// The guide's step that asks for input access and waits until it is granted.
#pragma once

#include <QWidget>

namespace rimglider {

class Permissions;

class PermissionStep : public QWidget {
    Q_OBJECT

  public:
    explicit PermissionStep(Permissions& permissions, QWidget* parent = nullptr);

  private:
    void refresh();

    Permissions& permissions_;
    QWidget* symbolSlot_;
    QWidget* waiting_;
    QWidget* granted_;
};

} // namespace rimglider
