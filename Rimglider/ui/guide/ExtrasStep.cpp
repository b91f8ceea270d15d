#include "ExtrasStep.h"

#include "AppSettings.h"
#include "OnboardingModel.h"
#include "OnboardingTrackpadView.h"
#include "StepHeader.h"
#include "TrickRow.h"

#include <QVBoxLayout>

namespace rimglider {

using GestureEngineKit::Zone;

ExtrasStep::ExtrasStep(OnboardingModel& model, QWidget* parent)
    : QWidget(parent), model_(model), mute_(new TrickRow(tr("Double-tap the top-right corner to mute."))),
      media_(new TrickRow(tr("Swipe along the bottom edge to skip a track."))),
      trackpad_(new OnboardingTrackpadView(380))
{
    auto* column = new QVBoxLayout(this);
    column->setSpacing(14);
    column->addWidget(new StepHeader(tr("Two More Tricks"), tr("Try them now or whenever you like.")));
    auto* tricks = new QVBoxLayout;
    tricks->setContentsMargins(40, 4, 40, 4);
    tricks->setSpacing(10);
    tricks->addWidget(mute_);
    tricks->addWidget(media_);
    column->addLayout(tricks);
    column->addWidget(trackpad_, 0, Qt::AlignHCenter);
    column->addStretch();

    trackpad_->setTargets({Zone::topRightCorner, Zone::bottom});
    trackpad_->setShowsHint(false);

    connect(&model, &OnboardingModel::snapshotChanged, this, &ExtrasStep::refresh);
    connect(&model, &OnboardingModel::progressChanged, this, &ExtrasStep::refresh);
    connect(&model.settings(), &AppSettings::quickMuteChanged, this, &ExtrasStep::refresh);
    connect(&model.settings(), &AppSettings::mediaStripChanged, this, &ExtrasStep::refresh);
    refresh();
}

void ExtrasStep::refresh()
{
    mute_->setDone(model_.triedQuickMute());
    mute_->setGestureEnabled(model_.settings().quickMute());
    media_->setDone(model_.triedMediaStrip());
    media_->setGestureEnabled(model_.settings().mediaStrip());
    trackpad_->setSnapshot(model_.snapshot());
}

} // namespace rimglider
