// How to set up the input service, shown whenever asking for input access did not work: what
// went wrong, then the commands in blocks that keep their lines and can be copied whole.
#pragma once

#include "Permissions.h"

#include <QDialog>

class QLabel;

namespace rimglider {

class ServiceHelpDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ServiceHelpDialog(const Permissions::ServiceHelp& help, QWidget* parent = nullptr);

    // `problem` above the help; hidden when empty.
    void setProblem(const QString& problem);

  private:
    QLabel* problem_;
};

} // namespace rimglider
