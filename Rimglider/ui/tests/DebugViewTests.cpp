// The debug window's views on the offscreen platform: the status and engine lines, the drawn
// touchpad, the recording controls, the tuning panel's writes and the window's frame.
#include "Appearance.h"
#include "DebugModel.h"
#include "DebugView.h"
#include "DebugWindowController.h"
#include "TestStore.h"
#include "TrackpadMapView.h"
#include "TuningPanel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace rimglider;
using GestureEngineKit::GestureEngine;
using GestureEngineKit::TouchSample;
using GestureEngineKit::Zone;
using GestureEngineKit::ZoneSet;

namespace {

TouchSample touch(std::int32_t id, std::int32_t state, float majorAxis)
{
    TouchSample sample;
    sample.id = id;
    sample.state = state;
    sample.x = 0.5f;
    sample.y = 0.25f;
    sample.majorAxis = majorAxis;
    return sample;
}

QStringList labelNames()
{
    QStringList names;
    for (const auto label : GestureEngineKit::allTraceLabels)
        names << DebugModel::displayName(label);
    return names;
}

TEST(DebugViewTexts, StatusLines)
{
    using Status = TouchInput::Status;
    EXPECT_EQ(DebugView::touchInputText(Status::running(1)), "Touch input running (1 multitouch device)");
    EXPECT_EQ(DebugView::touchInputText(Status::running(2)), "Touch input running (2 multitouch devices)");
    EXPECT_EQ(DebugView::touchInputText(Status::running(0)), "Touch input running (0 multitouch devices)");
    EXPECT_EQ(DebugView::touchInputText(Status::unavailable(TouchInput::noTrackpadMessage)),
              "Touch input unavailable: No trackpad found");
    EXPECT_EQ(DebugView::touchInputText(Status::stopped()), "Touch input stopped");
    EXPECT_EQ(DebugView::eventTapText(true, 3), "Event tap running · 3 click(s) swallowed");
    EXPECT_EQ(DebugView::eventTapText(false, 3), "Event tap not running");
}

TEST(DebugViewTexts, EngineSummaryFollowsTheLocale)
{
    GesturePipeline::Snapshot snapshot;
    snapshot.config.enabledZones = {Zone::right, Zone::bottom, Zone::topRightCorner};
    snapshot.config.edgeWidth = 0.129; // truncated, not rounded
    snapshot.config.surfaceWidthMM = 99.9;
    snapshot.config.surfaceHeightMM = 64.2;
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(DebugView::engineSummary(snapshot, english),
              "Engine on · zones: bottom, right, topRightCorner · edge 12% · step 2.5 mm · activation 2 mm · "
              "surface 99×64 mm");
    snapshot.isEnabled = false;
    snapshot.config.enabledZones = {};
    EXPECT_EQ(DebugView::engineSummary(snapshot, QLocale(QLocale::German, QLocale::Germany)),
              "Engine off · zones:  · edge 12% · step 2,5 mm · activation 2 mm · surface 99×64 mm");
}

TEST(DebugViewTexts, PhaseAndTouchLines)
{
    GesturePipeline::Snapshot snapshot;
    EXPECT_EQ(DebugView::phaseText(snapshot), "Engine: idle");
    snapshot.phase = GestureEngine::Phase::pending();
    EXPECT_EQ(DebugView::phaseText(snapshot), "Engine: pending ()");
    snapshot.claimedZones = ZoneSet{Zone::left, Zone::bottom};
    EXPECT_EQ(DebugView::phaseText(snapshot), "Engine: pending (bottom, left)");
    snapshot.phase = GestureEngine::Phase::slider(Zone::right);
    EXPECT_EQ(DebugView::phaseText(snapshot), "Engine: slider right");
    snapshot.phase = GestureEngine::Phase::finishing();
    EXPECT_EQ(DebugView::phaseText(snapshot), "Engine: finishing");
    snapshot.phase = GestureEngine::Phase::ignored();
    EXPECT_EQ(DebugView::phaseText(snapshot), "Engine: ignored");

    TouchSample sample = touch(7, 4, 9.31f);
    sample.x = 0.1234f;
    sample.absoluteX = 1200;
    sample.absoluteY = 345.5f;
    EXPECT_EQ(DebugView::touchLine(sample), "#7 s4  x 0.123  y 0.250  abs 1200.0, 345.5  major 9.3");
    // The line is a diagnostic format: a German locale keeps the points.
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(DebugView::touchLine(sample), "#7 s4  x 0.123  y 0.250  abs 1200.0, 345.5  major 9.3");
    QLocale::setDefault(QLocale::c());
}

TEST(TrackpadMap, ZoneRectanglesAndOpacities)
{
    GesturePipeline::Snapshot snapshot;
    const QSizeF size(400, 200);
    const QPalette palette;
    auto fills = TrackpadMapView::zoneFills(snapshot, size, palette);
    ASSERT_EQ(fills.size(), 4u);
    EXPECT_EQ(fills[0].zone, Zone::left);
    EXPECT_EQ(fills[0].rect, QRectF(0, 0, 40, 200));
    EXPECT_EQ(fills[1].rect, QRectF(360, 0, 40, 200));
    EXPECT_EQ(fills[2].rect, QRectF(0, 188, 400, 12));
    EXPECT_EQ(fills[3].zone, Zone::topRightCorner);
    EXPECT_EQ(fills[3].rect, QRectF(352, 0, 48, 36));
    for (const auto& fill : fills)
        EXPECT_NEAR(fill.colour.alphaF(), 0.18, 0.01);

    // The bottom-quarter option: the side zones cover only the lower quarter.
    snapshot.config.sliderStartLimit = 0.25;
    snapshot.config.enabledZones = {Zone::left, Zone::right};
    snapshot.claimedZones = ZoneSet{Zone::right};
    fills = TrackpadMapView::zoneFills(snapshot, size, palette);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0].rect, QRectF(0, 150, 40, 50));
    EXPECT_EQ(fills[1].rect, QRectF(360, 150, 40, 50));
    EXPECT_NEAR(fills[0].colour.alphaF(), 0.18, 0.01);
    EXPECT_NEAR(fills[1].colour.alphaF(), 0.55, 0.01);
    EXPECT_NE(fills[0].colour.rgb(), fills[1].colour.rgb());
}

TEST(TrackpadMap, TouchCircles)
{
    EXPECT_DOUBLE_EQ(TrackpadMapView::touchRadius(5), 10);
    EXPECT_DOUBLE_EQ(TrackpadMapView::touchRadius(50), 40);
    EXPECT_DOUBLE_EQ(TrackpadMapView::touchRadius(20), 24);

    GesturePipeline::Snapshot snapshot;
    snapshot.touches = {touch(1, 3, 5), touch(2, 4, 50), touch(3, 1, 20), touch(4, 7, 20)};
    const auto marks = TrackpadMapView::touchMarks(snapshot, QSizeF(400, 200));
    ASSERT_EQ(marks.size(), 4u);
    // Centre (200, 150): y runs upwards on the pad, downwards on screen.
    EXPECT_EQ(marks[0].bounds, QRectF(190, 140, 20, 20));
    EXPECT_EQ(marks[1].bounds, QRectF(160, 110, 80, 80));
    EXPECT_TRUE(marks[0].touching);
    EXPECT_TRUE(marks[1].touching);
    EXPECT_FALSE(marks[2].touching);
    EXPECT_FALSE(marks[3].touching);

    // The canvas keeps the surface's aspect ratio.
    TrackpadMapView view;
    snapshot.config.surfaceWidthMM = 100;
    snapshot.config.surfaceHeightMM = 50;
    view.setSnapshot(snapshot);
    EXPECT_EQ(view.heightForWidth(440), 220);
}

class DebugViewRecording : public ::testing::Test {
  protected:
    DebugView::Actions actions()
    {
        return {
            .requestAccess = [this] { calls << "access"; },
            .runSelfTest = [this] { calls << "selftest"; },
            .clearLog = [this] { calls << "clear"; },
            .setLabel =
                [this](GestureEngineKit::TraceLabel label) {
                    calls << QString::fromUtf8(GestureEngineKit::name(label));
                },
            .setNote = [this](const QString& note) { calls << "note " + note; },
            .startRecording = [this] { calls << "start"; },
            .stopRecording = [this] { calls << "stop"; },
            .showTracesFolder = [this] { calls << "folder"; },
        };
    }

    QStringList calls;
    QDateTime now{QDate(2026, 3, 10), QTime(12, 0)};
    DebugView view{actions(), labelNames(), nullptr};
};

TEST_F(DebugViewRecording, ControlsFollowTheRecordingState)
{
    view.setClock([this] { return now; });
    ASSERT_EQ(view.tabs()->count(), 3);
    EXPECT_EQ(view.tabs()->tabText(0), "Events");
    EXPECT_EQ(view.tabs()->tabText(1), "Tuning");
    EXPECT_EQ(view.tabs()->tabText(2), "Record");

    DebugView::State state;
    state.label = GestureEngineKit::TraceLabel::cornerDoubleTap;
    state.instruction = QStringLiteral("Double-tap");
    view.setState(state);
    EXPECT_EQ(view.labelPicker()->currentIndex(), 5);
    EXPECT_TRUE(view.labelPicker()->isEnabled());
    EXPECT_TRUE(view.noteField()->isEnabled());
    EXPECT_EQ(view.recordButton()->text(), "Start recording");
    EXPECT_FALSE(view.elapsedTimer().isActive());
    view.recordButton()->click();

    state.recordingStartedAt = now.addSecs(-75);
    view.setState(state);
    EXPECT_FALSE(view.labelPicker()->isEnabled());
    EXPECT_FALSE(view.noteField()->isEnabled());
    EXPECT_EQ(view.recordButton()->text(), "Stop");
    EXPECT_TRUE(view.recordButton()->isEnabled());
    EXPECT_EQ(view.elapsedLabel()->text(), "● 1:15");
    EXPECT_TRUE(view.elapsedTimer().isActive());
    EXPECT_EQ(view.elapsedTimer().interval(), 1000);
    view.recordButton()->click();

    state.recordingStartedAt.reset();
    state.isSaving = true;
    view.setState(state);
    EXPECT_FALSE(view.recordButton()->isEnabled());
    EXPECT_EQ(view.recordButton()->text(), "Start recording");
    EXPECT_FALSE(view.elapsedTimer().isActive());
    EXPECT_TRUE(view.labelPicker()->isEnabled());
    EXPECT_FALSE(view.savingIndicator()->isHidden());
    EXPECT_EQ(calls, (QStringList{"start", "stop"}));
}

TEST_F(DebugViewRecording, ResultsErrorsAndUserInput)
{
    DebugView::State state;
    view.setState(state);
    EXPECT_TRUE(view.resultBox()->isHidden());
    EXPECT_TRUE(view.errorLabel()->isHidden());
    EXPECT_TRUE(view.selfTestLabel()->isHidden());
    EXPECT_FALSE(view.grantButton()->isHidden());

    state.lastResult = DebugView::RecordingResult{
        .fileName = QStringLiteral("leftSlideUp-20260310-120000.trace"),
        .duration = 125.9,
        .frames = 4000,
        .claims = 9,
        .actions = 31,
        .verdict = {},
    };
    state.lastResult->verdict.problems = {"no slider began", "2 taps"};
    state.lastError = QStringLiteral("disk full");
    state.selfTestSummary = QStringLiteral("ok");
    state.accessibilityGranted = true;
    state.log = {QStringLiteral("claimed left"), QStringLiteral("released")};
    view.setState(state);
    EXPECT_FALSE(view.resultBox()->isHidden());
    EXPECT_EQ(view.verdictLabel()->text(), "Engine result does not match the label");
    EXPECT_EQ(view.resultDetailsLabel()->text(),
              "leftSlideUp-20260310-120000.trace · 2:05 · 4000 frames · 9 claims · 31 actions");
    EXPECT_EQ(view.problemsLabel()->text(), "no slider began\n2 taps");
    EXPECT_EQ(view.errorLabel()->text(), "disk full");
    EXPECT_FALSE(view.selfTestLabel()->isHidden());
    EXPECT_EQ(view.accessibilityLabel()->text(), "Accessibility granted");
    EXPECT_TRUE(view.grantButton()->isHidden());
    EXPECT_EQ(view.logLabel()->text(), "claimed left\nreleased");

    state.lastResult->verdict.problems.clear();
    view.setState(state);
    EXPECT_EQ(view.verdictLabel()->text(), "Engine result matches the label");
    EXPECT_TRUE(view.problemsLabel()->isHidden());

    emit view.labelPicker()->activated(3);
    view.noteField()->setText(QStringLiteral("x"));
    emit view.noteField()->textEdited(QStringLiteral("desk pad"));
    EXPECT_EQ(calls, (QStringList{"leftSlideUp", "note desk pad"}));
}

class TuningPanelTest : public ::testing::Test {
  protected:
    test::TestStore store;
    AppSettings settings{store.settings()};
    TuningSettings tuning{store.settings()};
    std::vector<std::int32_t> tried;
    int copies = 0;
    TuningPanel panel{
        tuning,
        settings,
        {.testActuator = [this](std::int32_t id) { tried.push_back(id); }, .copyValues = [this] { ++copies; }}};
};

TEST_F(TuningPanelTest, SlidersWriteOneRecordPerMove)
{
    QSignalSpy changes(&tuning, &TuningSettings::valuesChanged);
    QSlider* step = panel.slider(QStringLiteral("Step distance"));
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(step->maximum(), 70); // 1 … 8 in steps of 0.1
    EXPECT_EQ(step->value(), 15);
    step->setValue(30);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(tuning.values().stepDistanceMM, 4.0);
    EXPECT_EQ(panel.valueText(QStringLiteral("Step distance"))->text(), "4 mm");
    // The whole record reaches the store with each move.
    EXPECT_EQ(Tuning::fromJson(store.reopened()->value(TuningSettings::storeKey).toByteArray())->stepDistanceMM, 4.0);

    QSlider* timeout = panel.slider(QStringLiteral("Rest timeout"));
    timeout->setValue(timeout->value() + 1);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_DOUBLE_EQ(tuning.values().candidateTimeout, 0.85);
    EXPECT_EQ(panel.valueText(QStringLiteral("Rest timeout"))->text(), "0.85 s");

    // Settings sliders write the user settings, not the tuning record.
    panel.slider(QStringLiteral("Edge width"))->setValue(4); // 0.03 + 4 × 0.005
    EXPECT_DOUBLE_EQ(settings.edgeWidth(), 0.05);
    EXPECT_EQ(panel.valueText(QStringLiteral("Edge width"))->text(), "5%");
    EXPECT_EQ(changes.count(), 2);

    // Changes made elsewhere move the sliders without writing back.
    Tuning other = tuning.values();
    other.swipeMinDistanceMM = 20;
    tuning.setValues(other);
    EXPECT_EQ(changes.count(), 3);
    EXPECT_EQ(panel.slider(QStringLiteral("Swipe distance"))->value(), 15);
    EXPECT_EQ(panel.valueText(QStringLiteral("Swipe distance"))->text(), "20 mm");
}

TEST_F(TuningPanelTest, ValueTextsInTheCurrentLocale)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(TuningPanel::numberText(2.5, german), "2,5");
    EXPECT_EQ(TuningPanel::numberText(0.25, german), "0,25");
    EXPECT_EQ(TuningPanel::numberText(2, german), "2");
    EXPECT_EQ(TuningPanel::numberText(1.0 + 15 * 0.1, QLocale::c()), "2.5");
    EXPECT_EQ(TuningPanel::numberText(0.333, QLocale::c()), "0.33");
    EXPECT_EQ(panel.valueText(QStringLiteral("Sensitivity"))->text(), "1 ×");
}

TEST_F(TuningPanelTest, ResetHapticsAndCopy)
{
    EXPECT_FALSE(panel.resetButton()->isEnabled());
    panel.slider(QStringLiteral("Click guard"))->setValue(40);
    EXPECT_TRUE(panel.resetButton()->isEnabled());
    panel.resetButton()->click();
    EXPECT_EQ(tuning.values(), Tuning{});
    EXPECT_FALSE(panel.resetButton()->isEnabled());
    EXPECT_EQ(panel.slider(QStringLiteral("Click guard"))->value(), 25);

    ASSERT_EQ(panel.enginePicker()->count(), 9);
    EXPECT_EQ(panel.enginePicker()->itemText(0), "System haptics");
    EXPECT_EQ(panel.enginePicker()->itemText(7), "MTActuator ID 15");
    emit panel.enginePicker()->activated(8);
    EXPECT_EQ(tuning.values().actuatorID, 16);
    emit panel.freezePicker()->activated(1);
    EXPECT_EQ(tuning.values().freezeFrom, Tuning::FreezeFrom::gesture);
    emit panel.strengthPicker()->activated(1);
    EXPECT_EQ(settings.hapticStrength(), AppSettings::HapticStrength::light);

    for (auto* button : panel.findChildren<QPushButton*>()) {
        if (button->objectName().startsWith(QLatin1String("try"))) button->click();
        if (button->text() == QLatin1String("Copy values")) button->click();
    }
    std::ranges::sort(tried);
    EXPECT_EQ(tried, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 15, 16}));
    EXPECT_EQ(copies, 1);

    EXPECT_TRUE(panel.actuatorStatusLabel()->isHidden());
    panel.setActuatorStatus(QStringLiteral("no force feedback"));
    EXPECT_FALSE(panel.actuatorStatusLabel()->isHidden());
    EXPECT_EQ(panel.actuatorStatusLabel()->text(), "MTActuator: no force feedback");
}

TEST(DebugWindow, FrameIsKeptAndClosingStopsPolling)
{
    test::TestStore store;
    std::vector<bool> polling;
    const auto controller = [&] {
        return std::make_unique<DebugWindowController>(
            store.settings(), [] { return new QWidget; }, [&](bool on) { polling.push_back(on); });
    };

    auto first = controller();
    EXPECT_EQ(first->window(), nullptr);
    first->show();
    QWidget* window = first->window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Rimglider Debug");
    // Nothing saved: centred on the screen.
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((window->frameGeometry().center() - centre).manhattanLength(), 10);
    EXPECT_EQ(polling, (std::vector<bool>{true}));

    window->setGeometry(30, 40, 300, 200);
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(polling, (std::vector<bool>{true, false}));
    first->show();
    EXPECT_EQ(first->window(), window); // the same window again
    EXPECT_EQ(polling, (std::vector<bool>{true, false, true}));
    window->close();

    // A new process restores the saved frame.
    auto second = controller();
    second->show();
    EXPECT_EQ(second->window()->geometry(), QRect(30, 40, 300, 200));
    second->window()->close();
    delete first->window();
    delete second->window();
}

} // namespace

namespace {

// The window as a person sees it, light and dark, into RIMGLIDER_SCREENSHOT_DIR (a temporary
// folder when unset): debug-window-*.png on the Events tab, then the tuning and record tabs.
class DebugWindowScreenshot : public ::testing::TestWithParam<bool> {};

TEST_P(DebugWindowScreenshot, EventsAndTuning)
{
    QTemporaryDir scratch;
    const QByteArray target = qgetenv("RIMGLIDER_SCREENSHOT_DIR");
    const QString directory = target.isEmpty() ? scratch.path() : QString::fromLocal8Bit(target);
    QDir().mkpath(directory);
    QApplication::setPalette(GetParam() ? Appearance::dark() : Appearance::light());

    test::TestStore store;
    AppSettings settings{store.settings()};
    TuningSettings tuning{store.settings()};
    auto* panel = new TuningPanel(tuning, settings, {});
    panel->setActuatorStatus(QStringLiteral("ready (Synaptics TM3276-022)"));
    DebugView view({}, labelNames(), panel);
    DebugView::State state;
    state.touchStatus = TouchInput::Status::running(1);
    state.eventTapRunning = true;
    state.swallowedClicks = 2;
    state.accessibilityGranted = true;
    state.snapshot.phase = GestureEngine::Phase::pending();
    state.snapshot.claimedZones = ZoneSet{Zone::right};
    TouchSample first = touch(12, 4, 9.5f);
    first.x = 0.94f;
    first.y = 0.42f;
    first.absoluteX = 3890;
    first.absoluteY = 1310;
    TouchSample second = touch(13, 1, 7.2f);
    second.x = 0.36f;
    second.y = 0.7f;
    second.absoluteX = 1490;
    second.absoluteY = 690;
    state.snapshot.touches = {first, second};
    state.selfTestSummary = QStringLiteral("volume ✓ · brightness ✓ · media keys ✓");
    state.log = {QStringLiteral("claimed right"),
                 QStringLiteral("▶︎ slider right"),
                 QStringLiteral("  step right ↑"),
                 QStringLiteral("  step right ↑ fine"),
                 QStringLiteral("released"),
                 QStringLiteral("swallowed 2 click(s)"),
                 QStringLiteral("claimed bottom, left"),
                 QStringLiteral("cancelled: wrongDirection")};
    state.label = GestureEngineKit::TraceLabel::rightSlideUp;
    state.instruction = QStringLiteral(
        "Repeat 8–10 times: touch the edge, slide, lift. Vary speed, length and starting height. Do nothing else "
        "while recording.");
    state.lastResult = DebugView::RecordingResult{.fileName = QStringLiteral("rightSlideUp-20260310-120000.trace"),
                                                  .duration = 94,
                                                  .frames = 2820,
                                                  .claims = 9,
                                                  .actions = 41,
                                                  .verdict = {}};
    view.setState(state);
    view.setWindowTitle(QStringLiteral("Rimglider Debug"));
    view.resize(520, 880);
    view.show();
    for (const auto& [tab, name] :
         {std::pair{0, QStringLiteral("debug-window")}, std::pair{1, QStringLiteral("debug-window-tuning")},
          std::pair{2, QStringLiteral("debug-window-record")}}) {
        view.tabs()->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        const QImage image = view.grab().toImage();
        const QString path = directory + QLatin1Char('/') + name +
                             (GetParam() ? QStringLiteral("-dark.png") : QStringLiteral("-light.png"));
        EXPECT_TRUE(image.save(path)) << path.toStdString();
    }
    QApplication::setPalette(Appearance::palette(AppSettings::AppearanceMode::system));
}

INSTANTIATE_TEST_SUITE_P(Palettes, DebugWindowScreenshot, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "dark" : "light"; });

} // namespace
