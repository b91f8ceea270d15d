#include "PermissionStep.h"

#include "Appearance.h"
#include "GuideParts.h"
#include "Permissions.h"
#include "Spinner.h"
#include "StepHeader.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace rimglider {

PermissionStep::PermissionStep(Permissions& permissions, QWidget* parent)
    : QWidget(parent), permissions_(permissions), symbolSlot_(new QWidget), asking_(new QWidget), waiting_(new QWidget),
      problem_(guide::note(QString())), granted_(nullptr)
{
    auto* column = new QVBoxLayout(this);
    column->setSpacing(16);

    auto* slotLayout = new QHBoxLayout(symbolSlot_);
    slotLayout->setContentsMargins(0, 0, 0, 0);
    column->addWidget(symbolSlot_, 0, Qt::AlignHCenter);
    column->addWidget(new StepHeader(tr("Allow Input Access"),
                                     tr("Rimglider needs it to press the volume and brightness keys for you and to "
                                        "keep stray clicks out of your apps.")));

    auto* askingColumn = new QVBoxLayout(asking_);
    askingColumn->setContentsMargins(0, 0, 0, 0);
    askingColumn->setSpacing(12);
    auto* steps =
        new QLabel(tr("1. Click Allow Input Access.") + QLatin1Char('\n') + tr("2. Enter your password when asked.") +
                   QLatin1Char('\n') + tr("3. Come back here. Rimglider continues on its own."));
    steps->setObjectName(QStringLiteral("instructions"));
    askingColumn->addWidget(steps, 0, Qt::AlignHCenter);
    allow_ = new QPushButton(tr("Allow Input Access"));
    allow_->setObjectName(QStringLiteral("allowAccess"));
    allow_->setStyleSheet(guide::prominentStyle(palette()));
    connect(allow_, &QPushButton::clicked, this, [this] {
        problem_->hide();
        waiting_->show();
        allow_->setEnabled(false);
        permissions_.requestAccess();
    });
    askingColumn->addWidget(allow_, 0, Qt::AlignHCenter);

    auto* waitingRow = new QHBoxLayout(waiting_);
    waitingRow->setContentsMargins(0, 0, 0, 0);
    auto* spinner = new Spinner(14);
    spinner->setAccessibleName(tr("Waiting for access…"));
    waitingRow->addStretch();
    waitingRow->addWidget(spinner);
    waitingRow->addWidget(guide::note(tr("Waiting for access…")));
    waitingRow->addStretch();
    waiting_->setObjectName(QStringLiteral("waiting"));
    waiting_->hide();
    askingColumn->addWidget(waiting_);

    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setWordWrap(true);
    problem_->setAlignment(Qt::AlignHCenter);
    problem_->hide();
    askingColumn->addWidget(problem_);
    column->addWidget(asking_);

    granted_ = guide::statusLabel(QStringLiteral("checkmark.circle.fill"), tr("Access granted"),
                                  Appearance::green(palette()), true);
    granted_->setObjectName(QStringLiteral("granted"));
    column->addWidget(granted_);
    column->addStretch();
    column->addWidget(guide::note(tr("Rimglider notices when you type only to ignore the trackpad meanwhile. "
                                     "Nothing you type is recorded or sent anywhere."),
                                  0.85));

    connect(&permissions, &Permissions::isAccessibilityGrantedChanged, this, &PermissionStep::refresh);
    connect(&permissions, &Permissions::accessRequestFinished, this, &PermissionStep::requestFinished);
    refresh();
}

void PermissionStep::requestFinished(Permissions::RequestOutcome outcome, const QString& detail)
{
    allow_->setEnabled(true);
    // Once systemd started the service, only the grant is missing: the poll sees it soon.
    if (outcome == Permissions::RequestOutcome::started) return;
    waiting_->hide();
    const QString problem = Permissions::outcomeText(outcome, detail);
    problem_->setText(problem.isEmpty() ? QString()
                                        : problem + u' ' +
                                              tr("The help window shows how to set up the input "
                                                 "service, or continue without access for now."));
    problem_->setVisible(!problem.isEmpty());
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
    asking_->setVisible(!granted);
    granted_->setVisible(granted);
}

} // namespace rimglider
