// Renders every settings tab and every guide step in the light and the dark palette, as a
// person would see them, into RIMGLIDER_SCREENSHOT_DIR (a temporary folder when unset).
#include "Appearance.h"
#include "OnboardingTrackpadView.h"
#include "OnboardingView.h"
#include "SettingsView.h"
#include "WindowTestServices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTabWidget>

using namespace rimglider;
using GestureEngineKit::GestureEvent;
using GestureEngineKit::SliderDirection;
using GestureEngineKit::Zone;

namespace {

class WindowScreenshots : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override
    {
        const QByteArray target = qgetenv("RIMGLIDER_SCREENSHOT_DIR");
        directory = target.isEmpty() ? scratch.path() : QString::fromLocal8Bit(target);
        QDir().mkpath(directory);
        QApplication::setPalette(GetParam() ? Appearance::dark() : Appearance::light());
    }
    void TearDown() override { QApplication::setPalette(Appearance::palette(AppSettings::AppearanceMode::system)); }

    void save(QWidget& widget, const QString& name)
    {
        QCoreApplication::processEvents();
        const QImage image = widget.grab().toImage();
        ASSERT_FALSE(image.isNull());
        // Something was drawn: more than one colour in the picture.
        const QRgb first = image.pixel(0, 0);
        bool varied = false;
        for (int y = 0; y < image.height() && !varied; y += 7)
            for (int x = 0; x < image.width() && !varied; x += 7)
                varied = image.pixel(x, y) != first;
        EXPECT_TRUE(varied) << name.toStdString();
        const QString path = directory + QLatin1Char('/') + name +
                             (GetParam() ? QStringLiteral("-dark.png") : QStringLiteral("-light.png"));
        EXPECT_TRUE(image.save(path)) << path.toStdString();
    }

    QTemporaryDir scratch;
    QString directory;
    test::WindowTestServices services;
};

TEST_P(WindowScreenshots, SettingsTabs)
{
    services.writeDisabledEntry(); // shows the approval row
    services.loginItem.setStatus(services.loginItem.readStatus());
    SettingsView view(
        {.settings = services.settings,
         .loginItem = services.loginItem,
         .permissions = services.permissions,
         .updates = services.updates,
         .updateFeedConfigured = true,
         // Every button enabled, as in the application.
         .actions = {.openDesktopSettings = [](DesktopPage) {}, .showWelcomeGuide = [] {}, .openDebugWindow = [] {}},
         .version = QStringLiteral("0.1.0"),
         .build = QStringLiteral("128")});
    view.setWindowTitle(QStringLiteral("Rimglider Settings"));
    view.show();
    const QStringList names{QStringLiteral("settings-gestures"), QStringLiteral("settings-general"),
                            QStringLiteral("settings-about")};
    for (int i = 0; i < view.count(); ++i) {
        view.setCurrentIndex(i);
        save(view, names[i]);
    }
}

TEST_P(WindowScreenshots, GuideSteps)
{
    OnboardingView view(*services.model, services.loginItem);
    view.show();
    for (const auto step : allOnboardingSteps) {
        services.model->start(step);
        if (step == OnboardingStep::volume)
            services.model->handle({GestureEvent::sliderStep(Zone::right, SliderDirection::up, false)});
        if (step == OnboardingStep::extras) services.model->handle({GestureEvent::doubleTap(Zone::topRightCorner)});
        for (auto* trackpad : view.findChildren<OnboardingTrackpadView*>())
            trackpad->setClock([] { return 0.35; }); // mid-pulse, hint a third of the way down
        save(view, QStringLiteral("guide-") + onboardingStepName(step));
    }
}

INSTANTIATE_TEST_SUITE_P(Palettes, WindowScreenshots, ::testing::Bool(),
                         [](const auto& palette) { return palette.param ? "dark" : "light"; });

} // namespace
