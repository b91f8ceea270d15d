// A guide step's title over its explanation, both centred.
#pragma once

#include <QWidget>

namespace rimglider {

class StepHeader : public QWidget {
    Q_OBJECT

  public:
    StepHeader(const QString& title, const QString& message, QWidget* parent = nullptr);
};

} // namespace rimglider
