// The debug window's content: the input side's status lines, the engine's phase and contacts,
// the drawn touchpad, and the tabs with the gesture event log, the tuning panel and trace
// recording. It shows a State and reports the user's requests through Actions; the window
// controller feeds it from the debug model.
#pragma once

#include "DebugModel.h"
#include "GesturePipeline.h"
#include "TouchInput.h"

#include "GestureEngineKit/Trace.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolButton;
class QVBoxLayout;

namespace rimglider {

class TrackpadMapView;

class DebugView : public QWidget {
    Q_OBJECT

  public:
    using RecordingResult = DebugModel::RecordingResult;

    struct State {
        GesturePipeline::Snapshot snapshot;
        TouchInput::Status touchStatus;
        bool eventTapRunning = false;
        std::int64_t swallowedClicks = 0;
        bool accessibilityGranted = false;
        std::optional<QString> selfTestSummary;
        QStringList log; // oldest first
        GestureEngineKit::TraceLabel label = GestureEngineKit::TraceLabel::normalWork;
        QString instruction; // for `label`
        QString note;
        std::optional<QDateTime> recordingStartedAt;
        bool isSaving = false;
        std::optional<RecordingResult> lastResult;
        std::optional<QString> lastError;
    };

    struct Actions {
        std::function<void()> requestAccess;
        std::function<void()> runSelfTest;
        std::function<void()> clearLog;
        std::function<void(GestureEngineKit::TraceLabel)> setLabel;
        std::function<void(const QString&)> setNote;
        std::function<void()> startRecording;
        std::function<void()> stopRecording;
        std::function<void()> showTracesFolder;
    };

    using Clock = std::function<QDateTime()>;

    // `labelNames`: the display names of the trace labels, in the order of allTraceLabels.
    // `tuningPanel` becomes the "Tuning" tab (an empty page when null).
    DebugView(Actions actions, QStringList labelNames, QWidget* tuningPanel, QWidget* parent = nullptr);

    void setState(const State& state);
    [[nodiscard]] const State& state() const { return state_; }
    void setClock(Clock clock) { clock_ = std::move(clock); }

    // The lines as shown.
    static QString touchInputText(const TouchInput::Status& status);
    static QString eventTapText(bool running, std::int64_t swallowedClicks);
    static QString engineSummary(const GesturePipeline::Snapshot& snapshot, const QLocale& locale = QLocale());
    static QString phaseText(const GesturePipeline::Snapshot& snapshot);
    static QString touchLine(const GestureEngineKit::TouchSample& touch);
    // "%d:%02d" of whole seconds.
    static QString minutesSeconds(double seconds);
    static QString resultDetails(const RecordingResult& result);

    [[nodiscard]] QLabel* touchInputLabel() const { return touchInput_; }
    [[nodiscard]] QLabel* eventTapLabel() const { return eventTap_; }
    [[nodiscard]] QLabel* accessibilityLabel() const { return accessibility_; }
    [[nodiscard]] QPushButton* grantButton() const { return grant_; }
    [[nodiscard]] QLabel* summaryLabel() const { return summary_; }
    [[nodiscard]] QLabel* selfTestLabel() const { return selfTestSummary_; }
    [[nodiscard]] QLabel* phaseLabel() const { return phase_; }
    [[nodiscard]] QLabel* touchesLabel() const { return touches_; }
    [[nodiscard]] TrackpadMapView* trackpadMap() const { return map_; }
    [[nodiscard]] QTabWidget* tabs() const { return tabs_; }
    [[nodiscard]] QLabel* logLabel() const { return log_; }
    [[nodiscard]] QComboBox* labelPicker() const { return labelPicker_; }
    [[nodiscard]] QLabel* instructionLabel() const { return instruction_; }
    [[nodiscard]] QLineEdit* noteField() const { return note_; }
    [[nodiscard]] QPushButton* recordButton() const { return record_; }
    [[nodiscard]] QLabel* elapsedLabel() const { return elapsed_; }
    [[nodiscard]] QProgressBar* savingIndicator() const { return saving_; }
    [[nodiscard]] const QTimer& elapsedTimer() const { return elapsedTimer_; }
    [[nodiscard]] QWidget* resultBox() const { return result_; }
    [[nodiscard]] QLabel* verdictLabel() const { return verdict_; }
    [[nodiscard]] QLabel* resultDetailsLabel() const { return resultDetails_; }
    [[nodiscard]] QLabel* problemsLabel() const { return problems_; }
    [[nodiscard]] QLabel* errorLabel() const { return error_; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    QWidget* makeStatus();
    QWidget* makeEventsTab();
    QWidget* makeRecordTab(const QStringList& labelNames);
    void showStatus();
    void showRecording();
    void showElapsed();
    void call(const std::function<void()>& action) const;

    Actions actions_;
    State state_;
    Clock clock_;
    QTimer elapsedTimer_;
    bool restyled_ = false; // the status symbols are drawn for the current palette
    bool shown_ = false;    // setState() has drawn everything once

    QLabel* touchInputIcon_ = nullptr;
    QLabel* touchInput_ = nullptr;
    QLabel* eventTapIcon_ = nullptr;
    QLabel* eventTap_ = nullptr;
    QLabel* accessibilityIcon_ = nullptr;
    QLabel* accessibility_ = nullptr;
    QPushButton* grant_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* selfTestSummary_ = nullptr;
    QLabel* phase_ = nullptr;
    QLabel* touches_ = nullptr;
    TrackpadMapView* map_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLabel* log_ = nullptr;
    QComboBox* labelPicker_ = nullptr;
    QLabel* instruction_ = nullptr;
    QLineEdit* note_ = nullptr;
    QPushButton* record_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QProgressBar* saving_ = nullptr;
    QWidget* result_ = nullptr;
    QLabel* verdictIcon_ = nullptr;
    QLabel* verdict_ = nullptr;
    QLabel* resultDetails_ = nullptr;
    QLabel* problems_ = nullptr;
    QLabel* error_ = nullptr;
};

} // namespace rimglider
