#include "DebugModel.h"

#include "ActionSelfTest.h"
#include "Actuator.h"
#include "AppSettings.h"
#include "ClickGuard.h"
#include "EventTap.h"
#include "Permissions.h"
#include "TuningSettings.h"

#include "RimgliderInput/MachineInfo.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <QThreadPool>
#include <QTimeZone>
#include <QUrl>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

namespace rimglider {

using namespace GestureEngineKit;

namespace {

const QString arrowHead = QStringLiteral("\u25B6\uFE0E");

QString raw(std::string_view name)
{
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

// Runs `task` on the main thread unless the model has gone by then.
void onMainThread(std::weak_ptr<DebugModel*> self, std::function<void(DebugModel&)> task)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), [self = std::move(self), task = std::move(task)] {
        if (const auto model = self.lock()) task(**model);
    });
}

} // namespace

namespace {
std::function<DebugModel::Services()>& factory()
{
    static std::function<DebugModel::Services()> make;
    return make;
}
} // namespace

DebugModel::SelfTestRunner DebugModel::sharedSelfTestRunner()
{
    return [](std::function<void(QString)> done) {
        ActionSelfTest::run(ActionSelfTest::sharedServices(),
                            [done = std::move(done)](const ActionSelfTest::Report& report) { done(report.summary()); });
    };
}

void DebugModel::setSharedServicesFactory(std::function<Services()> make)
{
    factory() = std::move(make);
}

DebugModel::Services DebugModel::sharedServices()
{
    return Services{GesturePipeline::shared(),
                    TouchInput::shared(),
                    EventTap::shared(),
                    ClickGuard::shared(),
                    Actuator::shared(),
                    Permissions::shared(),
                    TuningSettings::shared(),
                    AppSettings::shared(),
                    mainThreadScheduler(),
                    {},
                    revealInFileManager,
                    {},
                    {},
                    sharedSelfTestRunner(),
                    {},
                    {},
                    {}};
}

DebugModel& DebugModel::shared()
{
    // Lives until the process ends, like the services it watches.
    static DebugModel* const model = new DebugModel(factory() ? factory()() : sharedServices());
    return *model;
}

void DebugModel::revealInFileManager(const QString& dir)
{
    const QString url = QUrl::fromLocalFile(dir).toString();
    QDBusInterface manager(QStringLiteral("org.freedesktop.FileManager1"),
                           QStringLiteral("/org/freedesktop/FileManager1"),
                           QStringLiteral("org.freedesktop.FileManager1"), QDBusConnection::sessionBus());
    if (manager.isValid()) {
        const QDBusMessage reply = manager.call(QStringLiteral("ShowItems"), QStringList{url}, QString());
        if (reply.type() == QDBusMessage::ReplyMessage) return;
    }
    // xdg-open opens the folder itself, which is as close as a desktop without the interface gets.
    QProcess::startDetached(QStringLiteral("xdg-open"), {url});
}

DebugModel::DebugModel(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)), self_(std::make_shared<DebugModel*>(this))
{
    if (!services_.now) services_.now = [] { return QDateTime::currentDateTime(); };
    if (!services_.runInBackground)
        services_.runInBackground = [](std::function<void()> work) { QThreadPool::globalInstance()->start(work); };
    if (!services_.hardwareModel) services_.hardwareModel = [] { return hardwareModel(); };
    if (!services_.osVersion) services_.osVersion = osVersionText;
    services_.pipeline.addSink([self = std::weak_ptr<DebugModel*>(self_)](const std::vector<GestureEvent>& events) {
        const auto model = self.lock();
        if (!model) return;
        for (const GestureEvent& event : events)
            (*model)->addLog(describe(event));
    });
}

DebugModel::~DebugModel() = default;

void DebugModel::setSelfTestSummary(std::optional<QString> summary)
{
    if (summary == selfTestSummary_) return;
    selfTestSummary_ = std::move(summary);
    emit selfTestSummaryChanged();
}

void DebugModel::setLabel(TraceLabel label)
{
    if (label == label_) return;
    label_ = label;
    emit labelChanged();
}

void DebugModel::setNote(const QString& note)
{
    if (note == note_) return;
    note_ = note;
    emit noteChanged();
}

void DebugModel::addLog(const QString& text)
{
    log_.append(LogEntry{QUuid::createUuid(), services_.now(), text});
    if (log_.size() > qsizetype(maxLogEntries)) log_.remove(0, log_.size() - qsizetype(maxLogEntries));
    emit logChanged();
}

void DebugModel::clearLog()
{
    if (log_.isEmpty()) return;
    log_.clear();
    emit logChanged();
}

// Polling

void DebugModel::setPolling(bool on)
{
    ++pollGeneration_; // a tick already scheduled finds itself stale and stops
    polling_ = on;
    if (!on) return;
    refreshStatus();
    const auto generation = pollGeneration_;
    services_.scheduler(pollInterval, [self = std::weak_ptr<DebugModel*>(self_), generation] {
        if (const auto model = self.lock()) (*model)->tick(generation);
    });
}

void DebugModel::tick(std::uint64_t generation)
{
    if (!polling_ || generation != pollGeneration_) return;
    auto copy = services_.pipeline.snapshot();
    if (!(copy == snapshot_)) {
        snapshot_ = std::move(copy);
        emit snapshotChanged();
    }
    ++ticks_;
    if (ticks_ % ticksPerRefresh == 0) refreshStatus();
    services_.scheduler(pollInterval, [self = std::weak_ptr<DebugModel*>(self_), generation] {
        if (const auto model = self.lock()) (*model)->tick(generation);
    });
}

void DebugModel::refreshStatus()
{
    bool changed = false;
    const auto touch = services_.touchInput.status();
    if (!(touch == touchStatus_)) {
        touchStatus_ = touch;
        changed = true;
    }
    const bool tapRunning = services_.eventTap.isRunning();
    if (tapRunning != eventTapRunning_) {
        eventTapRunning_ = tapRunning;
        changed = true;
    }
    const QString actuator = QString::fromStdString(services_.actuator.status());
    if (actuator != actuatorStatus_) {
        actuatorStatus_ = actuator;
        changed = true;
    }
    // The click guard decides every press it hears of; only the input service, holding the
    // touchpad in exclusive mode, really swallows one. The rest reached the desktop.
    const std::int64_t guarded = services_.clickGuard.swallowedCount();
    const std::int64_t byService = services_.touchInput.exclusive().swallowedPresses;
    if (byService < serviceSwallowed_) serviceSwallowed_ = 0; // a new connection counts afresh
    const std::int64_t swallowed = byService - serviceSwallowed_;
    const std::int64_t passed = (guarded - guardedClicks_) - swallowed;
    if (swallowed > 0) addLog(QStringLiteral("swallowed %1 click(s)").arg(swallowed));
    if (passed > 0)
        addLog(QStringLiteral("%1 click(s) during a gesture reached the desktop: the touchpad is observed only")
                   .arg(passed));
    if (swallowed > 0 || guarded != guardedClicks_) changed = true;
    swallowedClicks_ += swallowed;
    serviceSwallowed_ = byService;
    guardedClicks_ = guarded;
    if (changed) emit statusChanged();
}

// Actions of the window

void DebugModel::testActuator(std::int32_t id)
{
    // Sent is not played: the log line waits for the service's answer.
    const QPointer<DebugModel> self(this);
    const auto finished = [self, id](bool played) {
        if (self) self->actuationFinished(id, played);
    };
    if (!services_.actuator.isOpen() || services_.actuator.actuate(id, finished) != 0) finished(false);
}

void DebugModel::actuationFinished(std::int32_t id, bool played)
{
    // Playing may have closed the actuator: show what it says now.
    const QString status = QString::fromStdString(services_.actuator.status());
    if (status != actuatorStatus_) {
        actuatorStatus_ = status;
        emit statusChanged();
    }
    addLog(QStringLiteral("actuator %1: %2").arg(id).arg(played ? QStringLiteral("played") : actuatorStatus_));
}

void DebugModel::copyTuningValues()
{
    if (services_.setClipboard) services_.setClipboard(services_.tuning.clipboardText(services_.settings));
    addLog(QStringLiteral("tuning values copied to the clipboard"));
}

void DebugModel::runSelfTest()
{
    if (!services_.runSelfTest) {
        const QString summary = QStringLiteral("self-test not available");
        setSelfTestSummary(summary);
        addLog(QStringLiteral("self-test: ") + summary);
        return;
    }
    services_.runSelfTest([self = std::weak_ptr<DebugModel*>(self_)](QString summary) {
        const auto model = self.lock();
        if (!model) return;
        (*model)->setSelfTestSummary(summary);
        (*model)->addLog(QStringLiteral("self-test: ") + summary);
    });
}

QString DebugModel::tracesDirectory() const
{
    if (!services_.tracesDirectory.isEmpty()) return services_.tracesDirectory;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Rimglider/Traces");
}

void DebugModel::showTracesFolder()
{
    const QString dir = tracesDirectory();
    QDir().mkpath(dir); // the reveal says what is wrong if this failed
    if (services_.revealFolder) services_.revealFolder(dir);
}

// Recording

void DebugModel::startRecording()
{
    lastResult_.reset();
    lastError_.reset();
    recordingStartedAt_ = services_.now();
    services_.pipeline.startRecording();
    addLog(QStringLiteral("\u25CF recording ") + raw(name(label_)));
    const auto generation = ++autoStopGeneration_;
    services_.scheduler(autoStopAfter, [self = std::weak_ptr<DebugModel*>(self_), generation] {
        const auto model = self.lock();
        if (model && (*model)->autoStopGeneration_ == generation) (*model)->stopRecording();
    });
    emit recordingChanged();
}

void DebugModel::stopRecording()
{
    if (!recordingStartedAt_) return;
    const QDateTime start = *recordingStartedAt_;
    recordingStartedAt_.reset();
    ++autoStopGeneration_; // cancels the automatic stop
    isSaving_ = true;
    emit recordingChanged();

    const TraceHeader header(label_, TraceDate(std::chrono::milliseconds(start.toMSecsSinceEpoch())),
                             services_.hardwareModel().toStdString(), services_.osVersion().toStdString(),
                             services_.permissions.isAccessibilityGranted(), note_.toStdString());
    const GestureConfig config = snapshot_.config;
    const QString directory = tracesDirectory();
    std::weak_ptr<DebugModel*> self = self_;
    auto background = services_.runInBackground;
    // Only values captured here cross to the other threads; the model is written back on the
    // main thread.
    services_.pipeline.stopRecording([header, config, directory, self, background](std::vector<EngineInput> inputs) {
        background([header, config, directory, self, inputs = std::move(inputs)]() mutable {
            std::optional<RecordingResult> result;
            std::optional<QString> error;
            try {
                Trace trace{header, std::move(inputs)};
                const QString path = saveTrace(trace, directory);
                const auto events = trace.replay(config);
                RecordingResult r;
                r.fileName = QFileInfo(path).fileName();
                r.duration = trace.duration();
                r.frames = int(std::count_if(trace.inputs.begin(), trace.inputs.end(), [](const EngineInput& i) {
                    return i.kind() == EngineInput::Kind::frame;
                }));
                r.claims = int(std::count_if(events.begin(), events.end(), [](const GestureEvent& e) {
                    return e.kind() == GestureEvent::Kind::claimed;
                }));
                r.actions = int(std::count_if(events.begin(), events.end(), [](const GestureEvent& e) {
                    return e.kind() != GestureEvent::Kind::claimed && e.kind() != GestureEvent::Kind::released;
                }));
                r.verdict = TraceVerdict(events, header.label);
                // Nothing recorded matches no label: the touch input was away, not the engine right.
                if (r.frames == 0) r.verdict.problems = {noTouchInputProblem.toStdString()};
                result = std::move(r);
            } catch (const std::exception& e) {
                error = QString::fromUtf8(e.what());
            }
            onMainThread(self, [result = std::move(result), error = std::move(error)](DebugModel& model) mutable {
                model.finishSaving(std::move(result), std::move(error));
            });
        });
    });
}

void DebugModel::finishSaving(std::optional<RecordingResult> result, std::optional<QString> error)
{
    isSaving_ = false;
    if (result) {
        QString outcome = QStringLiteral("OK");
        if (!result->verdict.passed()) {
            QStringList problems;
            for (const std::string& problem : result->verdict.problems)
                problems.append(QString::fromStdString(problem));
            outcome = problems.join(QStringLiteral("; "));
        }
        const QString line = QStringLiteral("\u25A0 saved ") + result->fileName + QStringLiteral(": ") + outcome;
        lastResult_ = std::move(result);
        addLog(line);
    } else {
        lastError_ = error.value_or(QStringLiteral("unknown error"));
        addLog(QStringLiteral("\u25A0 saving failed: ") + *lastError_);
    }
    emit recordingChanged();
}

QString DebugModel::traceFileName(TraceLabel label, const QDateTime& recordedAt)
{
    return raw(name(label)) + u'-' + recordedAt.toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) + u'.' +
           raw(TraceFile::fileExtension);
}

QString DebugModel::saveTrace(const Trace& trace) const
{
    return saveTrace(trace, tracesDirectory());
}

QString DebugModel::saveTrace(const Trace& trace, const QString& directory)
{
    if (!QDir().mkpath(directory))
        throw std::runtime_error("The folder " + directory.toStdString() + " could not be created.");
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(trace.header.recordedAt.time_since_epoch());
    const QString path =
        QDir(directory).filePath(traceFileName(trace.header.label, QDateTime::fromMSecsSinceEpoch(ms.count())));
    const std::string bytes = TraceFile::encode(trace); // throws TraceFileError, a std::runtime_error
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) ||
        !file.commit())
        throw std::runtime_error("The file " + path.toStdString() +
                                 " could not be written: " + file.errorString().toStdString());
    return path;
}

// Texts

QString DebugModel::displayName(TraceLabel label)
{
    switch (label) {
    case TraceLabel::normalWork:
        return tr("Normal work");
    case TraceLabel::rightSlideUp:
        return tr("Right edge: slide up");
    case TraceLabel::rightSlideDown:
        return tr("Right edge: slide down");
    case TraceLabel::leftSlideUp:
        return tr("Left edge: slide up");
    case TraceLabel::leftSlideDown:
        return tr("Left edge: slide down");
    case TraceLabel::cornerDoubleTap:
        return tr("Top-right corner: double tap");
    case TraceLabel::bottomSwipeRight:
        return tr("Bottom edge: swipe right");
    case TraceLabel::bottomSwipeLeft:
        return tr("Bottom edge: swipe left");
    }
    return {};
}

QString DebugModel::instruction(TraceLabel label)
{
    switch (label) {
    case TraceLabel::normalWork:
        return tr("Use the computer as usual for 10+ minutes: browse, type, select text, drag windows, "
                  "scroll, use system gestures. Do not use edge gestures. Every gesture the engine "
                  "detects here is a false activation.");
    case TraceLabel::rightSlideUp:
    case TraceLabel::rightSlideDown:
    case TraceLabel::leftSlideUp:
    case TraceLabel::leftSlideDown:
        return tr("Repeat 8\u201310 times: touch the edge, slide, lift. Vary speed, length and starting "
                  "height. Do nothing else while recording.");
    case TraceLabel::cornerDoubleTap:
        return tr("Double-tap the top-right corner 5\u20138 times, pausing about 2 s between double "
                  "taps. Do nothing else while recording.");
    case TraceLabel::bottomSwipeRight:
    case TraceLabel::bottomSwipeLeft:
        return tr("Swipe along the very bottom edge 8\u201310 times, at different speeds. Do nothing "
                  "else while recording.");
    }
    return {};
}

QString DebugModel::describe(const GestureEvent& event)
{
    return std::visit(
        [](const auto& e) -> QString {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, GestureEvent::Claimed>) {
                QStringList zones;
                for (Zone zone : e.zones.members())
                    zones.append(raw(name(zone)));
                zones.sort();
                return QStringLiteral("claimed ") + zones.join(QStringLiteral(", "));
            } else if constexpr (std::is_same_v<E, GestureEvent::Released>) {
                if (const auto reason = e.outcome.cancelReason())
                    return QStringLiteral("cancelled: ") + raw(name(*reason));
                return QStringLiteral("released");
            } else if constexpr (std::is_same_v<E, GestureEvent::SliderBegan>) {
                return arrowHead + QStringLiteral(" slider ") + raw(name(e.zone));
            } else if constexpr (std::is_same_v<E, GestureEvent::SliderStep>) {
                return QStringLiteral("  step ") + raw(name(e.zone)) + u' ' +
                       (e.direction == SliderDirection::up ? QStringLiteral("\u2191") : QStringLiteral("\u2193")) +
                       (e.fine ? QStringLiteral(" fine") : QString());
            } else if constexpr (std::is_same_v<E, GestureEvent::Swipe>) {
                return arrowHead + QStringLiteral(" swipe ") + raw(name(e.zone)) + u' ' + raw(name(e.direction));
            } else if constexpr (std::is_same_v<E, GestureEvent::Tap>) {
                return arrowHead + QStringLiteral(" tap ") + raw(name(e.zone));
            } else {
                return arrowHead + QStringLiteral(" double tap ") + raw(name(e.zone));
            }
        },
        event.payload);
}

QString DebugModel::hardwareModel(const QString& sysRoot)
{
    return QString::fromStdString(machine::hardwareModel(sysRoot.toStdString()));
}

QString DebugModel::osVersionText()
{
    return QString::fromStdString(machine::osVersionText());
}

} // namespace rimglider
