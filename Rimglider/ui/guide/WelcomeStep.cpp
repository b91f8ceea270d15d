#include "WelcomeStep.h"

#include "AppSettings.h"
#include "Icons.h"
#include "OnboardingModel.h"
#include "OnboardingTrackpadView.h"
#include "StepHeader.h"

#include <QLabel>
#include <QVBoxLayout>

namespace rimglider {

using GestureEngineKit::EdgeAction;

WelcomeStep::WelcomeStep(OnboardingModel& model, QWidget* parent)
    : QWidget(parent), trackpad_(new OnboardingTrackpadView(300))
{
    auto* column = new QVBoxLayout(this);
    column->setSpacing(16);

    auto* icon = new QLabel;
    icon->setPixmap(Icons::application().pixmap(96, 96));
    icon->setFixedSize(96, 96);
    icon->setAccessibleName(QString()); // decoration only
    icon->setFocusPolicy(Qt::NoFocus);
    column->addWidget(icon, 0, Qt::AlignHCenter);
    column->addWidget(new StepHeader(tr("Welcome to Rimglider"),
                                     tr("Slide along the edges of your trackpad to change volume and brightness. "
                                        "No keys, no menus.")));
    column->addWidget(trackpad_, 0, Qt::AlignHCenter);
    column->addStretch();

    trackpad_->setShowsHint(true);
    const auto follow = [this, &model] {
        trackpad_->setSnapshot(model.snapshot());
        trackpad_->setTargets(model.mapping().zones(EdgeAction::volume));
    };
    follow();
    connect(&model, &OnboardingModel::snapshotChanged, this, follow);
    connect(&model.settings(), &AppSettings::swapSidesChanged, this, follow);
}

} // namespace rimglider
