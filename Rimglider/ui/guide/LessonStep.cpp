#include "LessonStep.h"

#include "AppSettings.h"
#include "Appearance.h"
#include "GuideParts.h"
#include "OnboardingModel.h"
#include "OnboardingTrackpadView.h"
#include "StepHeader.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace rimglider {

using GestureEngineKit::EdgeAction;

LessonStep::LessonStep(OnboardingModel& model, EdgeAction action, QWidget* parent)
    : QWidget(parent), model_(model), action_(action), trackpad_(new OnboardingTrackpadView(380)), success_(nullptr),
      bars_(new QWidget), note_(nullptr)
{
    const bool volume = action == EdgeAction::volume;
    auto* column = new QVBoxLayout(this);
    column->setSpacing(14);
    column->addWidget(new StepHeader(volume ? tr("Try It: Volume") : tr("Try It: Brightness"),
                                     tr("Put one finger on the highlighted edge and slide up or down.")));
    column->addWidget(trackpad_, 0, Qt::AlignHCenter);

    success_ = guide::statusLabel(QStringLiteral("checkmark.circle.fill"),
                                  volume ? tr("Nice! That's how you change the volume.")
                                         : tr("Great! Brightness works the same way."),
                                  Appearance::green(palette()), false);
    success_->setObjectName(QStringLiteral("success"));
    column->addWidget(success_);

    auto* barRow = new QHBoxLayout(bars_);
    barRow->setContentsMargins(0, 0, 0, 0);
    barRow->setSpacing(6);
    for (int i = 0; i < OnboardingModel::lessonSteps; ++i) {
        auto* bar = new QLabel;
        bar->setFixedSize(34, 6);
        bar->setAutoFillBackground(true);
        barRow->addWidget(bar);
    }
    bars_->setObjectName(QStringLiteral("progress"));
    column->addWidget(bars_, 0, Qt::AlignHCenter);

    note_ = guide::note({});
    note_->setObjectName(QStringLiteral("note"));
    column->addWidget(note_);
    column->addStretch();

    connect(&model, &OnboardingModel::snapshotChanged, this, &LessonStep::refresh);
    connect(&model, &OnboardingModel::progressChanged, this, &LessonStep::refresh);
    connect(&model, &OnboardingModel::availabilityChanged, this, &LessonStep::refresh);
    auto& settings = model.settings();
    connect(&settings, &AppSettings::swapSidesChanged, this, &LessonStep::refresh);
    connect(&settings, &AppSettings::volumeEdgeChanged, this, &LessonStep::refresh);
    connect(&settings, &AppSettings::brightnessEdgeChanged, this, &LessonStep::refresh);
    refresh();
}

int LessonStep::progress() const
{
    const int counter = action_ == EdgeAction::volume ? model_.volumeSteps() : model_.brightnessSteps();
    return std::min(counter, OnboardingModel::lessonSteps);
}

QString LessonStep::noteText() const
{
    const auto& settings = model_.settings();
    const bool edgeOn = action_ == EdgeAction::volume ? settings.volumeEdge() : settings.brightnessEdge();
    if (!edgeOn) return tr("This edge is turned off in Settings. You can skip this step.");
    if (action_ == EdgeAction::volume && !model_.isVolumeAdjustable())
        return tr("Your current audio output has no volume control. You can skip this step.");
    return tr("Tip: hold Shift+Alt while sliding for finer steps.");
}

void LessonStep::refresh()
{
    const int done = progress();
    const bool finished = done >= OnboardingModel::lessonSteps;
    trackpad_->setSnapshot(model_.snapshot());
    trackpad_->setTargets(model_.mapping().zones(action_));
    trackpad_->setShowsHint(!finished);
    success_->setVisible(finished);

    const QColor accent = palette().color(QPalette::Highlight);
    QColor idle = palette().color(QPalette::PlaceholderText);
    idle.setAlphaF(0.3f);
    const auto bars = bars_->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    for (int i = 0; i < bars.size(); ++i) {
        QPalette colours = bars[i]->palette();
        colours.setColor(QPalette::Window, i < done ? accent : idle);
        bars[i]->setPalette(colours);
    }
    bars_->setAccessibleName(QStringLiteral("%1/%2").arg(done).arg(OnboardingModel::lessonSteps));
    note_->setText(noteText());
}

} // namespace rimglider
