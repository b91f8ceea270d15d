// The guide's step that asks for input access and waits until it is granted. A request that
// does not work says why; the guide's footer lets the user go on without access.
#pragma once

#include "Permissions.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace rimglider {

class PermissionStep : public QWidget {
    Q_OBJECT

  public:
    explicit PermissionStep(Permissions& permissions, QWidget* parent = nullptr);

  private:
    void refresh();
    void requestFinished(Permissions::RequestOutcome outcome, const QString& detail);

    Permissions& permissions_;
    QWidget* symbolSlot_;
    QWidget* asking_;
    QPushButton* allow_ = nullptr;
    QWidget* waiting_;
    QLabel* problem_;
    QWidget* granted_;
};

} // namespace rimglider
