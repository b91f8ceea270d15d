#include "DebugView.h"

#include "Appearance.h"
#include "Icons.h"
#include "TrackpadMapView.h"

#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace rimglider {

using GestureEngineKit::GestureEngine;
using GestureEngineKit::Zone;
using GestureEngineKit::ZoneSet;

namespace {

constexpr int iconSize = 16;

QString zoneNames(ZoneSet zones)
{
    QStringList names;
    for (const Zone zone : GestureEngineKit::allZones)
        if (zones.contains(zone)) names << QString::fromUtf8(GestureEngineKit::name(zone));
    names.sort();
    return names.join(QStringLiteral(", "));
}

QFont captionFont(const QFont& base)
{
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 0.85);
    return font;
}

QFont monospaced(double scale = 1.0)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(font.pointSizeF() * scale);
    return font;
}

QLabel* captionLabel(QWidget* parent = nullptr)
{
    auto* label = new QLabel(parent);
    label->setFont(captionFont(label->font()));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// A status line: the symbol in a narrow column, then the text.
QHBoxLayout* statusLine(QLabel*& icon, QLabel*& text)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    icon = new QLabel;
    icon->setFixedSize(iconSize, iconSize);
    text = new QLabel;
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(icon);
    row->addWidget(text, 1);
    return row;
}

// The symbol, or a standard icon of the style where the theme and our bundle have none.
void showSymbol(QLabel* label, const QString& symbol, QStyle::StandardPixmap fallback, QColor colour)
{
    QIcon icon = Icons::symbol(symbol);
    if (icon.isNull()) {
        label->setPixmap(label->style()->standardIcon(fallback).pixmap(iconSize, iconSize));
        return;
    }
    label->setPixmap(Icons::tinted(icon, colour, QSize(iconSize, iconSize), label->devicePixelRatioF()));
}

void setTextColour(QLabel* label, std::optional<QColor> colour)
{
    QPalette palette = label->parentWidget() ? label->parentWidget()->palette() : label->palette();
    if (colour) palette.setColor(QPalette::WindowText, *colour);
    label->setPalette(palette);
}

} // namespace

DebugView::DebugView(Actions actions, QStringList labelNames, QWidget* tuningPanel, QWidget* parent)
    : QWidget(parent), actions_(std::move(actions)), clock_(&QDateTime::currentDateTime)
{
    setMinimumWidth(440);
    auto* column = new QVBoxLayout(this);
    column->setSpacing(12);
    column->setContentsMargins(16, 16, 16, 16);
    column->addWidget(makeStatus());

    phase_ = new QLabel;
    phase_->setFont(monospaced());
    phase_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(phase_);
    touches_ = new QLabel;
    touches_->setFont(monospaced());
    touches_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(touches_);

    map_ = new TrackpadMapView;
    // Wide windows would otherwise give the drawing all the height the tabs need.
    map_->setMaximumHeight(240);
    column->addWidget(map_);

    tabs_ = new QTabWidget;
    tabs_->addTab(makeEventsTab(), tr("Events"));
    // Tabs taller than the room a small screen leaves them scroll on their own.
    const auto scrolling = [](QWidget* content) {
        auto* scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setWidget(content);
        return scroll;
    };
    tabs_->addTab(scrolling(tuningPanel ? tuningPanel : new QWidget), tr("Tuning"));
    tabs_->addTab(scrolling(makeRecordTab(labelNames)), tr("Record"));
    tabs_->setMinimumHeight(200);
    column->addWidget(tabs_, 1);

    // The elapsed time is refreshed once a second, and only while recording.
    elapsedTimer_.setInterval(1000);
    connect(&elapsedTimer_, &QTimer::timeout, this, &DebugView::showElapsed);
    setState(state_);
}

QWidget* DebugView::makeStatus()
{
    auto* group = new QGroupBox;
    auto* lines = new QVBoxLayout(group);
    lines->setSpacing(6);
    lines->addLayout(statusLine(touchInputIcon_, touchInput_));
    lines->addLayout(statusLine(eventTapIcon_, eventTap_));
    auto* access = statusLine(accessibilityIcon_, accessibility_);
    accessibility_->setWordWrap(true);
    grant_ = new QPushButton(tr("Grant…"));
    connect(grant_, &QPushButton::clicked, this, [this] { call(actions_.requestAccess); });
    access->addWidget(grant_);
    lines->addLayout(access);
    summary_ = captionLabel();
    summary_->setForegroundRole(QPalette::PlaceholderText);
    lines->addWidget(summary_);

    auto* selfTest = new QPushButton(tr("Run action self-test"));
    connect(selfTest, &QPushButton::clicked, this, [this] { call(actions_.runSelfTest); });
    auto* selfTestRow = new QHBoxLayout;
    selfTestRow->addWidget(selfTest);
    selfTestRow->addStretch(1);
    lines->addLayout(selfTestRow);
    selfTestSummary_ = captionLabel();
    lines->addWidget(selfTestSummary_);
    return group;
}

QWidget* DebugView::makeEventsTab()
{
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    auto* header = new QHBoxLayout;
    header->addWidget(new QLabel(tr("Gesture events")), 1);
    auto* clear = new QPushButton(tr("Clear"));
    connect(clear, &QPushButton::clicked, this, [this] { call(actions_.clearLog); });
    header->addWidget(clear);
    column->addLayout(header);

    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    log_ = new QLabel;
    log_->setFont(monospaced(0.85));
    log_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    log_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    log_->setMargin(4);
    scroll->setWidget(log_);
    column->addWidget(scroll, 1);
    // New entries come at the end: keep the newest in view while the user is at the bottom.
    connect(scroll->verticalScrollBar(), &QScrollBar::rangeChanged, scroll,
            [scroll](int, int maximum) { scroll->verticalScrollBar()->setValue(maximum); });
    return page;
}

QWidget* DebugView::makeRecordTab(const QStringList& labelNames)
{
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    auto* group = new QGroupBox(tr("Record a trace"));
    outer->addWidget(group);
    outer->addStretch(1);
    auto* column = new QVBoxLayout(group);
    column->setSpacing(8);

    auto* pickerRow = new QHBoxLayout;
    auto* pickerTitle = new QLabel(tr("Gesture"));
    labelPicker_ = new QComboBox;
    labelPicker_->addItems(labelNames);
    labelPicker_->setAccessibleName(tr("Gesture"));
    pickerTitle->setBuddy(labelPicker_);
    connect(labelPicker_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && std::size_t(index) < GestureEngineKit::allTraceLabels.size() && actions_.setLabel)
            actions_.setLabel(GestureEngineKit::allTraceLabels[std::size_t(index)]);
    });
    pickerRow->addWidget(pickerTitle);
    pickerRow->addWidget(labelPicker_, 1);
    column->addLayout(pickerRow);

    instruction_ = captionLabel();
    column->addWidget(instruction_);

    note_ = new QLineEdit;
    note_->setPlaceholderText(tr("Note (optional)"));
    note_->setAccessibleName(tr("Note (optional)"));
    connect(note_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (actions_.setNote) actions_.setNote(text);
    });
    column->addWidget(note_);

    auto* controls = new QHBoxLayout;
    record_ = new QPushButton;
    connect(record_, &QPushButton::clicked, this,
            [this] { call(state_.recordingStartedAt ? actions_.stopRecording : actions_.startRecording); });
    controls->addWidget(record_);
    elapsed_ = new QLabel;
    QFont digits = monospaced();
    elapsed_->setFont(digits);
    controls->addWidget(elapsed_);
    saving_ = new QProgressBar;
    saving_->setRange(0, 0);
    saving_->setMaximumWidth(80);
    saving_->setTextVisible(false);
    controls->addWidget(saving_);
    controls->addStretch(1);
    auto* folder = new QPushButton(tr("Show folder"));
    connect(folder, &QPushButton::clicked, this, [this] { call(actions_.showTracesFolder); });
    controls->addWidget(folder);
    column->addLayout(controls);

    result_ = new QWidget;
    auto* result = new QVBoxLayout(result_);
    result->setContentsMargins(0, 0, 0, 0);
    result->setSpacing(2);
    result->addLayout(statusLine(verdictIcon_, verdict_));
    resultDetails_ = captionLabel();
    result->addWidget(resultDetails_);
    problems_ = captionLabel();
    result->addWidget(problems_);
    column->addWidget(result_);

    error_ = captionLabel();
    column->addWidget(error_);
    return page;
}

QString DebugView::touchInputText(const TouchInput::Status& status)
{
    switch (status.kind) {
    case TouchInput::Status::Kind::running:
        return tr("Touch input running (%1 multitouch device%2)")
            .arg(status.deviceCount)
            .arg(status.deviceCount == 1 ? QString() : QStringLiteral("s"));
    case TouchInput::Status::Kind::unavailable:
        return tr("Touch input unavailable: ") + QString::fromStdString(status.message);
    case TouchInput::Status::Kind::stopped:
        break;
    }
    return tr("Touch input stopped");
}

QString DebugView::eventTapText(bool running, std::int64_t swallowedClicks)
{
    if (!running) return tr("Event tap not running");
    return tr("Event tap running · %1 click(s) swallowed").arg(swallowedClicks);
}

QString DebugView::engineSummary(const GesturePipeline::Snapshot& snapshot, const QLocale& locale)
{
    const auto& config = snapshot.config;
    return (snapshot.isEnabled ? tr("Engine on") : tr("Engine off")) + QStringLiteral(" · zones: ") +
           zoneNames(config.enabledZones) + QStringLiteral(" · edge ") +
           QString::number(static_cast<long long>(std::trunc(config.edgeWidth * 100))) + QStringLiteral("% · step ") +
           locale.toString(config.stepDistanceMM) + QStringLiteral(" mm · activation ") +
           locale.toString(config.activationDistanceMM) + QStringLiteral(" mm · surface ") +
           QString::number(static_cast<long long>(std::trunc(config.surfaceWidthMM))) + QStringLiteral("×") +
           QString::number(static_cast<long long>(std::trunc(config.surfaceHeightMM))) + QStringLiteral(" mm");
}

QString DebugView::phaseText(const GesturePipeline::Snapshot& snapshot)
{
    using Kind = GestureEngine::Phase::Kind;
    QString phase;
    switch (snapshot.phase.kind()) {
    case Kind::idle:
        phase = QStringLiteral("idle");
        break;
    case Kind::pending:
        phase =
            QStringLiteral("pending (") + zoneNames(snapshot.claimedZones.value_or(ZoneSet())) + QStringLiteral(")");
        break;
    case Kind::slider:
        phase = QStringLiteral("slider ") + QString::fromUtf8(GestureEngineKit::name(snapshot.phase.sliderZone()));
        break;
    case Kind::finishing:
        phase = QStringLiteral("finishing");
        break;
    case Kind::ignored:
        phase = QStringLiteral("ignored");
        break;
    }
    return tr("Engine: ") + phase;
}

QString DebugView::touchLine(const GestureEngineKit::TouchSample& touch)
{
    return QString::asprintf("#%d s%d  x %.3f  y %.3f  abs %.1f, %.1f  major %.1f", touch.id, touch.state,
                             double(touch.x), double(touch.y), double(touch.absoluteX), double(touch.absoluteY),
                             double(touch.majorAxis));
}

QString DebugView::minutesSeconds(double seconds)
{
    const long long whole = seconds > 0 ? static_cast<long long>(seconds) : 0;
    return QString::asprintf("%lld:%02lld", whole / 60, whole % 60);
}

QString DebugView::resultDetails(const RecordingResult& result)
{
    return result.fileName + QStringLiteral(" · ") + minutesSeconds(result.duration) +
           QStringLiteral(" · %1 frames · %2 claims · %3 actions")
               .arg(result.frames)
               .arg(result.claims)
               .arg(result.actions);
}

void DebugView::setState(const State& state)
{
    const bool logChanged = state.log != state_.log;
    const auto recording = [](const State& s) {
        return std::tie(s.label, s.instruction, s.note, s.recordingStartedAt, s.isSaving, s.lastResult, s.lastError);
    };
    const bool recordingChanged = recording(state) != recording(state_);
    state_ = state;
    showStatus();
    if (logChanged || !shown_) log_->setText(state_.log.join(QLatin1Char('\n')));
    // Snapshots arrive 30 times a second; the recording controls change far less often.
    if (recordingChanged || !shown_) showRecording();
    shown_ = true;
}

void DebugView::showStatus()
{
    const QPalette& palette = this->palette();
    const QColor primary = palette.color(QPalette::WindowText);
    const QColor red = Appearance::red(palette);
    // The snapshot arrives up to 30 times a second: symbols are redrawn only when their line
    // changes (or the palette does, which clears restyled_).
    const auto line = [this](QLabel* label, const QString& text) {
        if (restyled_ && label->text() == text) return false;
        label->setText(text);
        return true;
    };

    const bool touchRunning = state_.touchStatus.kind == TouchInput::Status::Kind::running;
    if (line(touchInput_, touchInputText(state_.touchStatus))) {
        setTextColour(touchInput_, touchRunning ? std::nullopt : std::optional<QColor>(red));
        if (touchRunning)
            showSymbol(touchInputIcon_, QStringLiteral("hand.point.up.left.fill"), QStyle::SP_DialogApplyButton,
                       primary);
        else
            showSymbol(touchInputIcon_, QStringLiteral("exclamationmark.triangle.fill"), QStyle::SP_MessageBoxWarning,
                       red);
    }

    if (line(eventTap_, eventTapText(state_.eventTapRunning, state_.swallowedClicks))) {
        setTextColour(eventTap_, state_.eventTapRunning ? std::nullopt : std::optional<QColor>(red));
        if (state_.eventTapRunning)
            showSymbol(eventTapIcon_, QStringLiteral("cursorarrow.click.badge.clock"), QStyle::SP_ArrowRight, primary);
        else
            showSymbol(eventTapIcon_, QStringLiteral("cursorarrow.slash"), QStyle::SP_BrowserStop, red);
    }

    const QString access = state_.accessibilityGranted
                               ? tr("Input access granted")
                               : tr("Input access not granted: key presses and clicks in other apps are not seen");
    if (line(accessibility_, access)) {
        if (state_.accessibilityGranted)
            showSymbol(accessibilityIcon_, QStringLiteral("checkmark.shield.fill"), QStyle::SP_DialogApplyButton,
                       primary);
        else
            showSymbol(accessibilityIcon_, QStringLiteral("shield.slash"), QStyle::SP_MessageBoxWarning, primary);
    }
    grant_->setVisible(!state_.accessibilityGranted);
    restyled_ = true;

    summary_->setText(engineSummary(state_.snapshot));
    selfTestSummary_->setVisible(state_.selfTestSummary.has_value());
    selfTestSummary_->setText(state_.selfTestSummary.value_or(QString()));

    phase_->setText(phaseText(state_.snapshot));
    QStringList lines;
    for (const auto& touch : state_.snapshot.touches)
        lines << touchLine(touch);
    touches_->setText(lines.join(QLatin1Char('\n')));
    touches_->setVisible(!lines.isEmpty());
    map_->setSnapshot(state_.snapshot);
}

void DebugView::showRecording()
{
    const bool recording = state_.recordingStartedAt.has_value();
    {
        const auto at = std::ranges::find(GestureEngineKit::allTraceLabels, state_.label);
        const QSignalBlocker quiet(labelPicker_);
        labelPicker_->setCurrentIndex(int(at - GestureEngineKit::allTraceLabels.begin()));
    }
    labelPicker_->setEnabled(!recording);
    instruction_->setText(state_.instruction);
    if (note_->text() != state_.note) note_->setText(state_.note);
    note_->setEnabled(!recording);

    record_->setText(recording ? tr("Stop") : tr("Start recording"));
    record_->setEnabled(!state_.isSaving);
    elapsed_->setVisible(recording);
    saving_->setVisible(!recording && state_.isSaving);
    if (recording && !elapsedTimer_.isActive())
        elapsedTimer_.start();
    else if (!recording)
        elapsedTimer_.stop();
    showElapsed();

    const QColor red = Appearance::red(palette());
    result_->setVisible(state_.lastResult.has_value());
    if (state_.lastResult) {
        const auto& result = *state_.lastResult;
        const bool passed = result.verdict.passed();
        const bool empty = result.frames == 0;
        verdict_->setText(empty    ? DebugModel::noTouchInputProblem
                          : passed ? tr("Engine result matches the label")
                                   : tr("Engine result does not match the label"));
        const QColor colour = passed ? Appearance::green(palette()) : red;
        setTextColour(verdict_, colour);
        showSymbol(verdictIcon_,
                   passed ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("xmark.octagon.fill"),
                   passed ? QStyle::SP_DialogApplyButton : QStyle::SP_MessageBoxCritical, colour);
        resultDetails_->setText(resultDetails(result));
        QStringList problems;
        for (const std::string& problem : result.verdict.problems)
            problems << QString::fromStdString(problem);
        problems_->setText(problems.join(QLatin1Char('\n')));
        problems_->setVisible(!problems.isEmpty() && !empty);
        setTextColour(problems_, red);
    }
    error_->setVisible(state_.lastError.has_value());
    error_->setText(state_.lastError.value_or(QString()));
    setTextColour(error_, red);
}

void DebugView::showElapsed()
{
    if (!state_.recordingStartedAt) {
        elapsed_->clear();
        return;
    }
    const double seconds = double(state_.recordingStartedAt->msecsTo(clock_())) / 1000.0;
    elapsed_->setText(QStringLiteral("● ") + minutesSeconds(seconds));
    setTextColour(elapsed_, Appearance::red(palette()));
}

void DebugView::changeEvent(QEvent* event)
{
    // Symbols and status colours are drawn for the palette: redraw them when it changes.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        restyled_ = false;
        showStatus();
        showRecording();
    }
    QWidget::changeEvent(event);
}

void DebugView::call(const std::function<void()>& action) const
{
    if (action) action();
}

} // namespace rimglider
