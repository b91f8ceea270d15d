#include "StepHeader.h"

#include <QLabel>
#include <QVBoxLayout>

namespace rimglider {

StepHeader::StepHeader(const QString& title, const QString& message, QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto* titleLabel = new QLabel(title);
    titleLabel->setObjectName(QStringLiteral("title"));
    QFont font = titleLabel->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setWeight(QFont::Bold);
    titleLabel->setFont(font);
    titleLabel->setAlignment(Qt::AlignHCenter);
    titleLabel->setAccessibleName(title);

    auto* messageLabel = new QLabel(message);
    messageLabel->setObjectName(QStringLiteral("message"));
    messageLabel->setWordWrap(true);
    messageLabel->setAlignment(Qt::AlignHCenter);
    messageLabel->setForegroundRole(QPalette::PlaceholderText);

    column->addWidget(titleLabel);
    column->addWidget(messageLabel);
}

} // namespace rimglider
