#include "DebugWindowController.h"

#include "AppSettings.h"
#include "DebugModel.h"
#include "DebugView.h"
#include "Icons.h"
#include "Permissions.h"
#include "ScreenFit.h"
#include "SettingsStore.h"
#include "TuningPanel.h"
#include "TuningSettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include <memory>

namespace rimglider {

namespace {

constexpr QSize defaultSize(520, 860);

DebugView::RecordingResult resultOf(const DebugModel::RecordingResult& result)
{
    return {result.fileName, result.duration, result.frames, result.claims, result.actions, result.verdict};
}

} // namespace

DebugWindowController& DebugWindowController::shared()
{
    static DebugWindowController controller(
        standardSettingsStore(),
        [] {
            return makeView(DebugModel::shared(), TuningSettings::shared(), AppSettings::shared(),
                            Permissions::shared());
        },
        [](bool on) { DebugModel::shared().setPolling(on); });
    return controller;
}

DebugWindowController::DebugWindowController(QSettings& store, ViewFactory makeView, Polling setPolling)
    : store_(store), makeView_(std::move(makeView)), setPolling_(std::move(setPolling))
{}

void DebugWindowController::show()
{
    if (!window_) {
        auto* view = makeView_();
        // A top-level window that is hidden, not deleted, when closed.
        view->setWindowTitle(QObject::tr("Rimglider Debug"));
        view->setWindowIcon(Icons::application());
        view->setWindowFlags(Qt::Window);
        view->setAttribute(Qt::WA_DeleteOnClose, false);
        view->installEventFilter(this);
        // A frame saved on a larger screen is pulled back onto this one.
        if (view->restoreGeometry(store_.value(frameKey).toByteArray()))
            screenfit::keepOnScreen(view);
        else
            screenfit::fitAndCentre(view, defaultSize.expandedTo(view->minimumSizeHint()));
        window_ = view;
    }
    if (setPolling_) setPolling_(true);
    window_->show();
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->raise();
    window_->activateWindow();
}

bool DebugWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && event->type() == QEvent::Close) {
        store_.setValue(frameKey, window_->saveGeometry());
        if (setPolling_) setPolling_(false);
    }
    return QObject::eventFilter(watched, event);
}

DebugView* DebugWindowController::makeView(DebugModel& model, TuningSettings& tuning, AppSettings& settings,
                                           Permissions& permissions)
{
    auto* tuningPanel = new TuningPanel(tuning, settings,
                                        {
                                            .testActuator = [&model](std::int32_t id) { model.testActuator(id); },
                                            .copyValues = [&model] { model.copyTuningValues(); },
                                        });
    QStringList labelNames;
    for (const auto label : GestureEngineKit::allTraceLabels)
        labelNames << DebugModel::displayName(label);
    auto* view = new DebugView({
                                   .requestAccess = [&permissions] { permissions.requestAccess(); },
                                   .runSelfTest =
                                       [&model] {
                                           model.setSelfTestSummary(
                                               DebugView::tr("Running… (watch the volume and brightness displays)"));
                                           model.runSelfTest();
                                       },
                                   .clearLog = [&model] { model.clearLog(); },
                                   .setLabel = [&model](GestureEngineKit::TraceLabel label) { model.setLabel(label); },
                                   .setNote = [&model](const QString& note) { model.setNote(note); },
                                   .startRecording = [&model] { model.startRecording(); },
                                   .stopRecording = [&model] { model.stopRecording(); },
                                   .showTracesFolder = [&model] { model.showTracesFolder(); },
                               },
                               labelNames, tuningPanel);

    // Each of the model's changes refreshes its part of the state; the log's texts are copied
    // only when the log changes, not on every snapshot.
    auto state = std::make_shared<DebugView::State>();
    const auto show = [view, state] { view->setState(*state); };
    const auto readSnapshot = [state, &model] { state->snapshot = model.snapshot(); };
    const auto readStatus = [state, &model, &permissions, tuningPanel] {
        state->touchStatus = model.touchStatus();
        state->eventTapRunning = model.eventTapRunning();
        state->swallowedClicks = model.swallowedClicks();
        state->accessibilityGranted = permissions.isAccessibilityGranted();
        tuningPanel->setActuatorStatus(model.actuatorStatus());
    };
    const auto readLog = [state, &model] {
        state->log.clear();
        for (const auto& entry : model.log())
            state->log << entry.text;
    };
    const auto readRecording = [state, &model] {
        state->label = model.label();
        state->instruction = DebugModel::instruction(model.label());
        state->note = model.note();
        state->selfTestSummary = model.selfTestSummary();
        state->recordingStartedAt = model.recordingStartedAt();
        state->isSaving = model.isSaving();
        state->lastResult = model.lastResult() ? std::optional(resultOf(*model.lastResult())) : std::nullopt;
        state->lastError = model.lastError();
    };
    readSnapshot();
    readStatus();
    readLog();
    readRecording();
    show();

    const auto follow = [show](auto read) {
        return [read, show] {
            read();
            show();
        };
    };
    QObject::connect(&model, &DebugModel::snapshotChanged, view, follow(readSnapshot));
    QObject::connect(&model, &DebugModel::statusChanged, view, follow(readStatus));
    QObject::connect(&permissions, &Permissions::isAccessibilityGrantedChanged, view, follow(readStatus));
    QObject::connect(&model, &DebugModel::logChanged, view, follow(readLog));
    for (const auto signal : {&DebugModel::recordingChanged, &DebugModel::selfTestSummaryChanged,
                              &DebugModel::labelChanged, &DebugModel::noteChanged})
        QObject::connect(&model, signal, view, follow(readRecording));
    return view;
}

} // namespace rimglider
