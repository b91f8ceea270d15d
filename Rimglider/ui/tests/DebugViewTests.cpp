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
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
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

TEST(DebugViewTexts, EngineSummaryInTheLocaleAndTouchLinesInOneFormat)
{
    GesturePipeline::Snapshot snapshot;
    snapshot.isEnabled = false;
    snapshot.config.enabledZones = {Zone::right, Zone::bottom};
    snapshot.config.edgeWidth = 0.129; // truncated, not rounded
    EXPECT_EQ(DebugView::engineSummary(snapshot, QLocale(QLocale::German, QLocale::Germany)),
              "Engine off · zones: bottom, right · edge 12% · step 2,5 mm · activation 2 mm · surface 125×78 mm");
    TouchSample sample = touch(7, 4, 9.31f);
    sample.absoluteX = 1200;
    QLocale::setDefault(QLocale(QLocale::German)); // a diagnostic format: the points stay
    EXPECT_EQ(DebugView::touchLine(sample), "#7 s4  x 0.500  y 0.250  abs 1200.0, 0.0  major 9.3");
    QLocale::setDefault(QLocale::c());
}

TEST(DebugViewRecording, ControlsFollowTheRecordingStateAndReportResults)
{
    QStringList calls;
    const auto record = [&](const char* what) { return [&calls, what] { calls << what; }; };
    DebugView view(
        {.requestAccess = record("access"),
         .runSelfTest = record("selftest"),
         .clearLog = record("clear"),
         .setLabel = [&](GestureEngineKit::TraceLabel l) { calls << QString::fromUtf8(GestureEngineKit::name(l)); },
         .setNote = [&](const QString& note) { calls << "note " + note; },
         .startRecording = record("start"),
         .stopRecording = record("stop"),
         .showTracesFolder = record("folder")},
        labelNames(), nullptr);
    const QDateTime now(QDate(2026, 3, 10), QTime(12, 0));
    view.setClock([&] { return now; });
    DebugView::State state;
    view.setState(state);
    EXPECT_TRUE(view.resultBox()->isHidden());
    EXPECT_FALSE(view.grantButton()->isHidden());
    view.recordButton()->click();

    state.recordingStartedAt = now.addSecs(-75);
    view.setState(state);
    EXPECT_FALSE(view.labelPicker()->isEnabled());
    EXPECT_EQ(view.recordButton()->text(), "Stop");
    EXPECT_EQ(view.elapsedLabel()->text(), "● 1:15");
    EXPECT_TRUE(view.elapsedTimer().isActive());
    view.recordButton()->click();

    state.recordingStartedAt.reset();
    state.isSaving = true; // no second recording until this one is saved
    state.lastResult = DebugView::RecordingResult{.fileName = QStringLiteral("leftSlideUp-20260310-120000.trace"),
                                                  .duration = 125.9,
                                                  .frames = 4000,
                                                  .claims = 9,
                                                  .actions = 31,
                                                  .verdict = {}};
    state.lastResult->verdict.problems = {"no slider began", "2 taps"};
    state.accessibilityGranted = true;
    view.setState(state);
    EXPECT_FALSE(view.recordButton()->isEnabled());
    EXPECT_FALSE(view.elapsedTimer().isActive());
    EXPECT_EQ(view.verdictLabel()->text(), "Engine result does not match the label");
    EXPECT_EQ(view.resultDetailsLabel()->text(),
              "leftSlideUp-20260310-120000.trace · 2:05 · 4000 frames · 9 claims · 31 actions");
    EXPECT_EQ(view.problemsLabel()->text(), "no slider began\n2 taps");
    EXPECT_TRUE(view.grantButton()->isHidden());
    state.lastResult->verdict.problems.clear();
    view.setState(state);
    EXPECT_EQ(view.verdictLabel()->text(), "Engine result matches the label");
    EXPECT_TRUE(view.problemsLabel()->isHidden());

    emit view.labelPicker()->activated(3);
    emit view.noteField()->textEdited(QStringLiteral("desk pad"));
    EXPECT_EQ(calls, (QStringList{"start", "stop", "leftSlideUp", "note desk pad"}));
}

TEST(TuningPanel, SlidersWriteTheirRecordAndFollowChangesMadeElsewhere)
{
    test::TestStore store;
    AppSettings settings{store.settings()};
    TuningSettings tuning{store.settings()};
    std::vector<std::int32_t> tried;
    TuningPanel panel{
        tuning, settings, {.testActuator = [&](std::int32_t id) { tried.push_back(id); }, .copyValues = {}}};
    QSignalSpy changes(&tuning, &TuningSettings::valuesChanged);
    panel.slider(QStringLiteral("Step distance"))->setValue(30); // 1 … 8 in steps of 0.1
    EXPECT_EQ(panel.valueText(QStringLiteral("Step distance"))->text(), "4 mm");
    EXPECT_EQ(Tuning::fromJson(store.reopened()->value(TuningSettings::storeKey).toByteArray())->stepDistanceMM, 4.0);
    panel.slider(QStringLiteral("Edge width"))->setValue(4); // a user setting, not the tuning record
    EXPECT_DOUBLE_EQ(settings.edgeWidth(), 0.05);
    Tuning other = tuning.values();
    other.swipeMinDistanceMM = 20;
    tuning.setValues(other);
    EXPECT_EQ(panel.slider(QStringLiteral("Swipe distance"))->value(), 15);
    EXPECT_EQ(changes.count(), 2); // moving the slider to match wrote nothing back
    panel.resetButton()->click();
    EXPECT_EQ(tuning.values(), Tuning{});
    emit panel.enginePicker()->activated(8);
    EXPECT_EQ(tuning.values().actuatorID, 16);
    for (auto* button : panel.findChildren<QPushButton*>())
        if (button->objectName().startsWith(QLatin1String("try"))) button->click();
    std::ranges::sort(tried);
    EXPECT_EQ(tried, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 15, 16}));
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
    first->show();
    QWidget* window = first->window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Rimglider Debug");
    window->setGeometry(30, 40, 300, 200);
    window->close();
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
