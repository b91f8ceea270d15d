#include "PermissionStep.h"

#include "Appearance.h"
#include "GuideParts.h"
#include "Permissions.h"
#include "StepHeader.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace rimglider {

PermissionStep::PermissionStep(Permissions& permissions, QWidget* parent)
    : QWidget(parent), permissions_(permissions), symbolSlot_(new QWidget), waiting_(new QWidget), granted_(nullptr)
{
    auto* column = new QVBoxLayout(this);
    column->setSpacing(16);

    auto* slotLayout = new QHBoxLayout(symbolSlot_);
    slotLayout->setContentsMargins(0, 0, 0, 0);
    column->addWidget(symbolSlot_, 0, Qt::AlignHCenter);
    column->addWidget(new StepHeader(tr("Allow Input Access"),
                                     tr("Rimglider needs it to press the volume and brightness keys for you and to "
                                        "keep stray clicks out of your apps.")));

    auto* waitingColumn = new QVBoxLayout(waiting_);
    waitingColumn->setContentsMargins(0, 0, 0, 0);
    waitingColumn->setSpacing(12);
    auto* steps =
        new QLabel(tr("1. Click Allow Input Access.") + QLatin1Char('\n') + tr("2. Enter your password when asked.") +
                   QLatin1Char('\n') + tr("3. Come back here. Rimglider continues on its own."));
    steps->setObjectName(QStringLiteral("instructions"));
    waitingColumn->addWidget(steps, 0, Qt::AlignHCenter);
    auto* allow = new QPushButton(tr("Allow Input Access"));
    allow->setObjectName(QStringLiteral("allowAccess"));
    allow->setStyleSheet(guide::prominentStyle(palette()));
    connect(allow, &QPushButton::clicked, this, [this] { permissions_.requestAccess(); });
    waitingColumn->addWidget(allow, 0, Qt::AlignHCenter);
    auto* progressRow = new QHBoxLayout;
    auto* spinner = new QProgressBar;
    spinner->setRange(0, 0); // busy
    spinner->setTextVisible(false);
    spinner->setFixedSize(60, 8);
    spinner->setAccessibleName(tr("Waiting for access…"));
    progressRow->addStretch();
    progressRow->addWidget(spinner);
    progressRow->addWidget(guide::note(tr("Waiting for access…")));
    progressRow->addStretch();
    waitingColumn->addLayout(progressRow);
    column->addWidget(waiting_);

    granted_ = guide::statusLabel(QStringLiteral("checkmark.circle.fill"), tr("Access granted"),
                                  Appearance::green(palette()), true);
    granted_->setObjectName(QStringLiteral("granted"));
    column->addWidget(granted_);
    column->addStretch();
    column->addWidget(guide::note(tr("Rimglider notices when you type only to ignore the trackpad meanwhile. "
                                     "Nothing you type is recorded or sent anywhere."),
                                  0.85));

    connect(&permissions, &Permissions::isAccessibilityGrantedChanged, this, &PermissionStep::refresh);
    refresh();
}

void PermissionStep::refresh()
{
    const bool granted = permissions_.isAccessibilityGranted();
    delete symbolSlot_->layout()->takeAt(0);
    qDeleteAll(symbolSlot_->findChildren<QLabel*>(Qt::FindDirectChildrenOnly));
    auto* symbol =
        granted
            ? guide::symbolLabel(QStringLiteral("checkmark.shield.fill"), Appearance::green(palette()), 64)
            : guide::symbolLabel(QStringLiteral("hand.raised.square.fill"), palette().color(QPalette::Highlight), 64);
    symbolSlot_->layout()->addWidget(symbol);
    waiting_->setVisible(!granted);
    granted_->setVisible(granted);
}

} // namespace rimglider
