#include "DoneStep.h"

#include "GuideParts.h"
#include "Icons.h"
#include "LoginItem.h"
#include "StepHeader.h"
#include "ToggleSwitch.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace rimglider {

namespace {

// A strip of a desktop's top bar with the tray's usual neighbours and Rimglider's icon, and an
// arrow under Rimglider's icon pointing at it.
QWidget* trayPicture(const QPalette& palette)
{
    auto* picture = new QWidget;
    auto* column = new QVBoxLayout(picture);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto* bar = new QFrame;
    bar->setObjectName(QStringLiteral("trayBar"));
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setAutoFillBackground(true);
    QPalette barColours = bar->palette();
    barColours.setColor(QPalette::Window, palette.color(QPalette::AlternateBase));
    bar->setPalette(barColours);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(20, 8, 20, 8);
    row->setSpacing(18);
    const QColor ink = palette.color(QPalette::WindowText);
    row->addWidget(guide::symbolLabel(QStringLiteral("wifi"), ink, 22));
    row->addWidget(guide::symbolLabel(QStringLiteral("battery.75percent"), ink, 22));
    auto* rimglider = new QLabel;
    rimglider->setPixmap(Icons::tinted(Icons::menuBar(true), ink, QSize(22, 22), rimglider->devicePixelRatioF()));
    rimglider->setFixedSize(22, 22);
    row->addWidget(rimglider);
    column->addWidget(bar, 0, Qt::AlignHCenter);

    // The arrow sits under the last icon: the bar's right margin plus half an icon from the right.
    auto* arrowRow = new QHBoxLayout;
    arrowRow->setContentsMargins(0, 0, 0, 0);
    arrowRow->addStretch();
    arrowRow->addWidget(guide::symbolLabel(QStringLiteral("arrow.up"), palette.color(QPalette::Highlight), 26));
    arrowRow->addSpacing(18);
    auto* arrowHolder = new QWidget;
    arrowHolder->setLayout(arrowRow);
    arrowHolder->setFixedWidth(bar->sizeHint().width());
    column->addWidget(arrowHolder, 0, Qt::AlignHCenter);
    picture->setAccessibleName(QObject::tr("Rimglider's icon in the system tray"));
    return picture;
}

} // namespace

DoneStep::DoneStep(LoginItem& loginItem, QWidget* parent)
    : QWidget(parent), loginItem_(loginItem), openAtLogin_(new ToggleSwitch(ToggleSwitch::Size::regular))
{
    auto* column = new QVBoxLayout(this);
    column->setSpacing(24);
    column->addStretch(1);
    column->addWidget(new StepHeader(tr("You're All Set"), tr("Rimglider lives in the system tray. Click its icon "
                                                              "to see your levels and to adjust how gestures feel.")));
    column->addWidget(trayPicture(palette()), 0, Qt::AlignHCenter);

    auto* loginRow = new QHBoxLayout;
    auto* label = new QLabel(tr("Open at Login"));
    label->setBuddy(openAtLogin_);
    openAtLogin_->setAccessibleName(tr("Open at Login"));
    loginRow->addStretch();
    loginRow->addWidget(label);
    loginRow->addWidget(openAtLogin_);
    loginRow->addStretch();
    column->addLayout(loginRow);
    column->addStretch(2);

    connect(openAtLogin_, &QAbstractButton::toggled, this, [this](bool on) { loginItem_.setEnabled(on); });
    connect(&loginItem, &LoginItem::statusChanged, this, &DoneStep::refresh);
    refresh();
}

void DoneStep::refresh()
{
    const auto status = loginItem_.status();
    const QSignalBlocker quiet(openAtLogin_);
    openAtLogin_->setChecked(status == LoginItem::Status::enabled || status == LoginItem::Status::requiresApproval);
}

} // namespace rimglider
