// The state behind the debug window: a copy of the pipeline's engine state at 30 Hz, the
// health of the platform inputs once a second, a rolling log of gesture events and messages,
// and labelled trace recordings that are saved, replayed with the live configuration and
// judged off the main thread. One instance, on the main thread.
#pragma once

#include "GesturePipeline.h"
#include "TaskScheduler.h"
#include "TouchInput.h"

#include "GestureEngineKit/Trace.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace rimglider {

class Actuator;
class AppSettings;
class ClickGuard;
class EventTap;
class Permissions;
class TuningSettings;

class DebugModel : public QObject {
    Q_OBJECT

  public:
    struct LogEntry {
        QUuid id;
        QDateTime time;
        QString text;
    };
    struct RecordingResult {
        QString fileName;
        double duration = 0;
        int frames = 0;
        int claims = 0;
        int actions = 0;
        GestureEngineKit::TraceVerdict verdict;
        friend bool operator==(const RecordingResult&, const RecordingResult&) = default;
    };

    // The one problem of a recording without a single touch frame.
    static inline const QString noTouchInputProblem = QStringLiteral("No touch input was recorded");

    static constexpr std::size_t maxLogEntries = 300;
    static constexpr std::chrono::milliseconds pollInterval{33}; // 1/30 s in whole ms
    static constexpr std::chrono::seconds autoStopAfter{2700};   // 45 minutes
    static constexpr std::int64_t ticksPerRefresh = 30;

    // Runs the action self-test and hands its summary to the callback on the main thread.
    using SelfTestRunner = std::function<void(std::function<void(QString summary)>)>;
    // Starts work off the main thread (the save, replay and judging of a recording).
    using BackgroundRunner = std::function<void(std::function<void()>)>;

    struct Services {
        GesturePipeline& pipeline;
        TouchInput& touchInput;
        EventTap& eventTap;
        ClickGuard& clickGuard;
        Actuator& actuator;
        Permissions& permissions;
        TuningSettings& tuning;
        AppSettings& settings;
        TaskScheduler scheduler;                       // main-thread delays: poll ticks, automatic stop
        std::function<void(QString)> setClipboard;     // empty: the text is only logged as copied
        std::function<void(QString dir)> revealFolder; // empty: nothing is shown
        QString tracesDirectory;                       // empty: $XDG_DATA_HOME/Rimglider/Traces
        std::function<QDateTime()> now;                // empty: the system clock
        SelfTestRunner runSelfTest;                    // empty: the summary says it is unavailable
        BackgroundRunner runInBackground;              // empty: a thread of the global pool
        std::function<QString()> hardwareModel;        // empty: hardwareModel() of /sys
        std::function<QString()> osVersion;            // empty: osVersionText()
    };

    // The process's model, created on first use from the process's services. A QCoreApplication
    // must exist.
    static DebugModel& shared();
    // Replaces what shared() creates its model with; call before the first shared() (the
    // application entry point supplies the GUI's clipboard and the self-test there).
    static void setSharedServicesFactory(std::function<Services()> factory);
    // The action self-test on the process's controllers.
    static SelfTestRunner sharedSelfTestRunner();
    // The process's services with the Core defaults (no clipboard, no reveal), for a factory to
    // complete.
    static Services sharedServices();
    // Shows `dir` in the desktop's file manager: org.freedesktop.FileManager1 on the session
    // bus, else whatever opens folders. Needs the GUI's event loop only for the fallback.
    static void revealInFileManager(const QString& dir);

    explicit DebugModel(Services services, QObject* parent = nullptr);
    ~DebugModel() override;
    DebugModel(const DebugModel&) = delete;
    DebugModel& operator=(const DebugModel&) = delete;

    [[nodiscard]] const GesturePipeline::Snapshot& snapshot() const { return snapshot_; }
    [[nodiscard]] TouchInput::Status touchStatus() const { return touchStatus_; }
    [[nodiscard]] bool eventTapRunning() const { return eventTapRunning_; }
    [[nodiscard]] std::int64_t swallowedClicks() const { return swallowedClicks_; }
    [[nodiscard]] QString actuatorStatus() const { return actuatorStatus_; }
    [[nodiscard]] const QList<LogEntry>& log() const { return log_; } // oldest first
    [[nodiscard]] std::optional<QString> selfTestSummary() const { return selfTestSummary_; }
    void setSelfTestSummary(std::optional<QString> summary);
    [[nodiscard]] GestureEngineKit::TraceLabel label() const { return label_; }
    void setLabel(GestureEngineKit::TraceLabel label);
    [[nodiscard]] QString note() const { return note_; }
    void setNote(const QString& note);
    [[nodiscard]] std::optional<QDateTime> recordingStartedAt() const { return recordingStartedAt_; }
    [[nodiscard]] bool isRecording() const { return recordingStartedAt_.has_value(); }
    [[nodiscard]] bool isSaving() const { return isSaving_; }
    [[nodiscard]] const std::optional<RecordingResult>& lastResult() const { return lastResult_; }
    [[nodiscard]] std::optional<QString> lastError() const { return lastError_; }
    [[nodiscard]] bool isPolling() const { return polling_; }
    [[nodiscard]] std::int64_t ticks() const { return ticks_; }

    void setPolling(bool on);
    void startRecording();
    void stopRecording();
    void showTracesFolder();
    void clearLog();
    void runSelfTest();
    void testActuator(std::int32_t id);
    void copyTuningValues();
    void addLog(const QString& text);

    [[nodiscard]] QString tracesDirectory() const; // $XDG_DATA_HOME/Rimglider/Traces
    // Writes the trace into tracesDirectory() atomically; the written file's path. Throws
    // std::runtime_error with a readable message.
    [[nodiscard]] QString saveTrace(const GestureEngineKit::Trace& trace) const;
    static QString saveTrace(const GestureEngineKit::Trace& trace, const QString& directory);
    // "label-yyyyMMdd-HHmmss.trace" with the start time in the local time zone.
    static QString traceFileName(GestureEngineKit::TraceLabel label, const QDateTime& recordedAt);

    static QString displayName(GestureEngineKit::TraceLabel label);
    static QString instruction(GestureEngineKit::TraceLabel label);
    static QString describe(const GestureEngineKit::GestureEvent& event); // the event formatter
    static QString hardwareModel(const QString& sysRoot = QStringLiteral("/sys"));
    static QString osVersionText();

  signals:
    void snapshotChanged();
    void statusChanged();
    void logChanged();
    void recordingChanged();
    void selfTestSummaryChanged();
    void labelChanged();
    void noteChanged();

  private:
    void actuationFinished(std::int32_t id, bool played);
    void tick(std::uint64_t generation);
    void refreshStatus();
    void finishSaving(std::optional<RecordingResult> result, std::optional<QString> error);

    Services services_;
    // Lets the pipeline's sink and background work reach the model only while it exists.
    std::shared_ptr<DebugModel*> self_;

    GesturePipeline::Snapshot snapshot_;
    TouchInput::Status touchStatus_;
    bool eventTapRunning_ = false;
    std::int64_t swallowedClicks_ = 0;  // by the input service, while this model lives
    std::int64_t serviceSwallowed_ = 0; // the service's count for this connection, last seen
    std::int64_t guardedClicks_ = 0;    // the click guard's own count, last seen
    QString actuatorStatus_;
    QList<LogEntry> log_;
    std::optional<QString> selfTestSummary_;
    GestureEngineKit::TraceLabel label_ = GestureEngineKit::TraceLabel::normalWork;
    QString note_;
    std::optional<QDateTime> recordingStartedAt_;
    bool isSaving_ = false;
    std::optional<RecordingResult> lastResult_;
    std::optional<QString> lastError_;

    // The scheduler cannot cancel: a task runs only while its generation is still current.
    bool polling_ = false;
    std::uint64_t pollGeneration_ = 0;
    std::uint64_t autoStopGeneration_ = 0;
    std::int64_t ticks_ = 0;
};

} // namespace rimglider
