// The action self-test: its pass rule and report on their own, then whole runs against a private
// PulseAudio server and an emulated backlight (the binary runs under umockdev-wrapper), with a
// stand-in for the desktop that applies the keys the controllers post.
// GLib's headers first: Qt's `signals` macro breaks their declarations.
#include <umockdev.h>

#include "ActionSelfTest.h"
#include "BrightnessController.h"
#include "VolumeController.h"

#include "EmulatedLaptopPanel.h"
#include "ManualScheduler.h"
#include "PulseServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace rimglider {
namespace {

using namespace std::chrono_literals;
using GestureEngineKit::SliderDirection;
using rimglider::test::laptopPanel;
using rimglider::test::panelBacklight;
using Check = ActionSelfTest::Check;
using Report = ActionSelfTest::Report;
constexpr auto up = SliderDirection::up;
constexpr auto down = SliderDirection::down;
constexpr float normalStep = 0.0625F;
constexpr float fineStep = 0.015625F;
constexpr float directFine = fineStep; // the step the run is told

TEST(SelfTestRule, OneStepOnTheGridWhenTheStepIsKnownElseTheRightWayAndFineSmaller)
{
    const std::optional<float> none;
    const struct {
        std::optional<float> before, after, step;
        SliderDirection direction;
        bool fine;
        std::optional<float> normalMove;
        bool passes;
    } cases[] = {
        {0.5F, 0.4375F, normalStep, down, false, none, true},
        {0.5F, 0.45F, normalStep, down, false, none, false},   // off the 1/16 grid
        {0.5F, 0.375F, normalStep, down, false, none, false},  // two steps
        {0.5F, 0.5625F, normalStep, down, false, none, false}, // wrong direction
        {0.5F, 0.484375F, fineStep, down, true, none, true},
        {0.5F, 0.4375F, fineStep, down, true, none, false}, // a normal step where a fine one was due
        {none, 0.4375F, normalStep, down, false, none, false},
        {0.30F, 0.24F, 0.06F, down, false, none, true}, // GNOME's 6 % step has its own grid
        {0.5F, 0.3F, none, down, false, none, true},    // 0.2 is still plausible
        {0.5F, 0.25F, none, down, false, none, false},  // more than 0.2
        {0.45F, 0.44F, none, down, true, -0.05F, true},
        {0.4375F, 0.375F, none, down, true, -0.0625F, false}, // as large as the normal one
        {0.45F, 0.44F, none, down, true, none, false},        // no normal move to compare
    };
    for (const auto& c : cases)
        EXPECT_EQ(ActionSelfTest::passes(c.before, c.after, c.direction, c.step, c.fine, c.normalMove), c.passes)
            << c.before.value_or(-1) << " -> " << c.after.value_or(-1) << " fine " << c.fine;
    EXPECT_EQ(ActionSelfTest::directionFrom(0.25F), up);
    EXPECT_EQ(ActionSelfTest::directionFrom(0.3F), down);

    // A direct step: the right way, its size to within one unit of the device.
    const std::tuple<float, float, SliderDirection, bool> direct[] = {{0.31F, 0.326F, up, true},
                                                                      {0.326F, 0.31F, down, true},
                                                                      {0.31F, 0.3275F, up, false},
                                                                      {0.326F, 0.31F, up, false}};
    for (const auto& [before, after, direction, passes] : direct)
        EXPECT_EQ(ActionSelfTest::passesDirect(before, after, direction, directFine, 0.001F), passes) << after;
}

TEST(SelfTestReport, SummaryExitStatusAndJson)
{
    Report report;
    report.ranAt = QDateTime(QDate(2025, 3, 3), QTime(14, 5, 9, 750), Qt::OffsetFromUTC, 3600);
    report.accessibilityGranted = false;
    EXPECT_EQ(report.summary(), "0/0 checks passed; Input access not granted, keys cannot be sent");
    EXPECT_EQ(report.exitStatus(), 0) << "nothing that ran failed";
    EXPECT_EQ(report.toJson().value("ranAt").toString(), "2025-03-03T13:05:09Z"); // whole seconds, UTC
    report.accessibilityGranted = true;
    report.checks = {Check{"volume step", 0.5F, 0.4375F, normalStep, true},
                     Check{"volume fine step", 0.4375F, std::nullopt, 0, false}};
    EXPECT_EQ(report.summary(), "1/2 checks passed");
    EXPECT_EQ(report.exitStatus(), 1);
    const QJsonArray checks = report.toJson().value("checks").toArray();
    EXPECT_EQ(checks[1].toObject().keys(), (QStringList{"before", "name", "passed", "step"})); // no "after"
}

// The run with a stand-in for the desktop that applies the posted keys as the desktop would:
// volume by the known steps, snapped to their grid; brightness by 5 % and 1 %.
class SelfTestRun : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(umockdev_in_mock_environment()) << "run this binary under umockdev-wrapper";
        GError* error = nullptr;
        ASSERT_TRUE(umockdev_testbed_add_from_string(testbed, laptopPanel().c_str(), &error))
            << (error ? error->message : "?");
    }
    void TearDown() override { g_object_unref(testbed); }

    QByteArray backlight(const char* attribute) const
    {
        gchar* sysDir = umockdev_testbed_get_sys_dir(testbed);
        QFile file(QString::fromUtf8(sysDir) + QString::fromUtf8(panelBacklight + 4) + u'/' +
                   QString::fromUtf8(attribute));
        g_free(sysDir);
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("<unreadable>");
    }

    void volumeKey(int code, bool fine)
    {
        ++keys;
        const float step = fine ? fineStep : normalStep;
        const float sign = code == VolumeController::soundUpKey ? 1.0F : -1.0F;
        expectedVolume = std::round((volume->volume().value_or(0) + sign * step) / step) * step;
        volume->setLevel(expectedVolume);
    }

    void brightnessKey(int code, bool fine)
    {
        ++keys;
        const float sign = code == BrightnessController::brightnessUpKey ? 1.0F : -1.0F;
        const int next = backlight("actual_brightness").toInt() + int(std::lround(sign * (fine ? 10 : 50)));
        const QByteArray value = QByteArray::number(next) + '\n';
        umockdev_testbed_set_attribute(testbed, panelBacklight, "brightness", value.constData());
        umockdev_testbed_set_attribute(testbed, panelBacklight, "actual_brightness", value.constData());
        umockdev_testbed_uevent(testbed, panelBacklight, "change");
    }

    // Runs the self-test to its end: each wait ends once the desktop's volume change has come
    // back from the server, then the scheduler moves on by the settle time.
    Report runToEnd()
    {
        std::optional<Report> report;
        ActionSelfTest::run(
            ActionSelfTest::Services{*volume, *brightness, [] { return true; }, clock.scheduler(),
                                     [](ActionSelfTest::Target target) {
                                         return target == ActionSelfTest::Target::volume
                                                    ? std::optional(ActionSelfTest::StepSizes{normalStep, fineStep})
                                                    : std::nullopt;
                                     },
                                     [] { return QDateTime(QDate(2025, 3, 3), QTime(14, 5, 9), Qt::UTC); }, reportPath,
                                     [](ActionSelfTest::Target) { return directFine; }},
            [&](const Report& r) { report = r; });
        for (int wait = 0; wait < 20 && !report; ++wait) {
            EXPECT_TRUE(expectedVolume < 0 ||
                        QTest::qWaitFor([&] { return volume->volume() == expectedVolume; }, 5000));
            expectedVolume = -1;
            // A direct step is done once the server reports the level set; the kernel's
            // actual_brightness follows a write to brightness.
            EXPECT_TRUE(QTest::qWaitFor([&] { return !volume->target(); }, 5000));
            umockdev_testbed_set_attribute(testbed, panelBacklight, "actual_brightness",
                                           backlight("brightness").constData());
            if (clock.pending() > 0)
                clock.advance(ActionSelfTest::settleTime);
            else
                EXPECT_TRUE(QTest::qWaitFor([&] { return report.has_value() || clock.pending() > 0; }, 5000));
        }
        EXPECT_TRUE(report) << "the run did not finish";
        return report.value_or(Report{});
    }

    UMockdevTestbed* testbed = umockdev_testbed_new();
    test::ManualScheduler clock;
    QTemporaryDir stateDir;
    QString reportPath = stateDir.filePath("Rimglider/selftest.json");
    std::unique_ptr<VolumeController> volume;
    std::unique_ptr<BrightnessController> brightness;
    float expectedVolume = -1;
    int keys = 0;
};

TEST_F(SelfTestRun, KnownVolumeStepAndUnknownBrightnessStepPassAndLevelsComeBack)
{
    testing::PulseServer server;
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(server.pactl({"set-sink-volume", "speakers", "50%"}));
    volume = std::make_unique<VolumeController>([this](int code, bool fine) { volumeKey(code, fine); },
                                                VolumeController::Options{server.address()});
    volume->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return volume->volume() == 0.5F; }, 5000));
    BrightnessController::Options options;
    options.busAddress = QStringLiteral("unix:path=") + stateDir.filePath(QStringLiteral("no-bus"));
    options.busTimeout = 500ms;
    brightness =
        std::make_unique<BrightnessController>([this](int code, bool fine) { brightnessKey(code, fine); }, options);
    brightness->start();
    ASSERT_TRUE(brightness->hasBuiltInDisplay());

    const Report report = runToEnd();
    EXPECT_EQ(report.checks, (QList<Check>{
                                 // Volume from 0.5 steps down on the 1/16 and 1/64 grids, then one
                                 // direct fine step down and back, no key posted.
                                 {"volume step", 0.5F, 0.4375F, normalStep, true},
                                 {"volume fine step", 0.4375F, 0.421875F, fineStep, true},
                                 {"volume direct fine step down", 0.421875F, 0.40625F, directFine, true},
                                 {"volume direct fine step up", 0.40625F, 0.421875F, directFine, true},
                                 // Brightness from 0.25 up by sizes no setting tells: recorded as 0.
                                 {"brightness step", 0.25F, 0.30F, 0, true},
                                 {"brightness fine step", 0.30F, 0.31F, 0, true},
                                 // On a panel of 1000 units 0.31 + 1/64 lands on 0.326, within one unit.
                                 {"brightness direct fine step up", 0.31F, 0.326F, directFine, true},
                                 {"brightness direct fine step down", 0.326F, 0.31F, directFine, true},
                             }));
    EXPECT_EQ(keys, 4) << "the direct steps post no key";
    EXPECT_EQ(report.outputDevice, "Speakers");

    EXPECT_TRUE(QTest::qWaitFor([&] { return volume->volume() == 0.5F; }, 5000)) << "volume restored";
    EXPECT_EQ(backlight("brightness"), "250") << "brightness restored";
    QFile written(reportPath);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(written.readAll()).object(), report.toJson());
}

} // namespace
} // namespace rimglider
