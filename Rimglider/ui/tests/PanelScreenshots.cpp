// Renders the panel as a user sees it on a laptop, in the light and the dark palette:
// a private sound server with its "Speakers" at 62 %, an emulated panel backlight at 70 %,
// a touchpad present and input access granted. Run under umockdev-wrapper:
//   umockdev-wrapper panel-screenshots OUTPUT_DIR
// GLib names a member "signals", which Qt defines as a keyword: GLib goes first.
#include <umockdev.h>

#include "AppSettings.h"
#include "Appearance.h"
#include "BrightnessController.h"
#include "EmulatedLaptopPanel.h"
#include "MenuView.h"
#include "Permissions.h"
#include "PulseServer.h"
#include "TaskScheduler.h"
#include "TouchInput.h"
#include "Updates.h"
#include "VolumeController.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

using rimglider::Appearance;

// The panel on a desktop-coloured backdrop, with the popup's rounded edge and shadow.
QImage framed(QWidget& panel, const QPalette& palette)
{
    const QPixmap shot = panel.grab();
    const int margin = 28;
    const qreal ratio = shot.devicePixelRatio();
    const QSize size = shot.size() / ratio;
    QImage image((size + QSize(2 * margin, 2 * margin)) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Appearance::isDark(palette) ? QColor(0x14, 0x16, 0x1c) : QColor(0xd9, 0xdf, 0xe8));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(margin, margin, size.width(), size.height());
    for (int i = 8; i > 0; --i) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 6));
        painter.drawRoundedRect(area.adjusted(-i, -i + 4, i, i + 4), 12 + i, 12 + i);
    }
    QPainterPath clip;
    clip.addRoundedRect(area, 12, 12);
    painter.setClipPath(clip);
    painter.drawPixmap(area.topLeft(), shot);
    painter.setClipping(false);
    painter.setPen(QPen(palette.color(QPalette::Mid), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    UMockdevTestbed* testbed = umockdev_testbed_new();
    if (!umockdev_in_mock_environment()) {
        std::fputs("panel-screenshots: run me under umockdev-wrapper\n", stderr);
        return 1;
    }
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, rimglider::test::laptopPanel(700).c_str(), &error)) return 1;

    using namespace rimglider;
    rimglider::testing::PulseServer server;
    if (!server.start()) {
        std::fputs("panel-screenshots: the sound server did not start\n", stderr);
        return 1;
    }
    server.pactl({QStringLiteral("set-sink-volume"), QStringLiteral("speakers"), QStringLiteral("62%")});

    QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("Rimglider.conf")), QSettings::IniFormat);
    AppSettings settings(store);
    settings.setSensitivity(1.5);
    settings.setEdgeWidth(0.08);
    settings.setHapticStrength(AppSettings::HapticStrength::medium);
    VolumeController::Options volumeOptions;
    volumeOptions.server = server.address();
    VolumeController volume([](int, bool) {}, volumeOptions);
    BrightnessController::Options brightnessOptions;
    brightnessOptions.sessionPath.clear();
    BrightnessController brightness([](int, bool) {}, brightnessOptions);
    const QDBusConnection noBus(QStringLiteral("rimglider-no-bus"));
    Permissions permissions([] { return true; }, noBus, [](const QString&) {});
    Updates updates(store, QString(),
                    {.currentVersion = QStringLiteral("0.1.0"),
                     .now = [] { return QDateTime::currentDateTimeUtc(); },
                     .notificationBus = noBus,
                     .openUrl = [](const QUrl&) {},
                     .scheduler = mainThreadScheduler(),
                     .transferTimeout = std::chrono::seconds(30),
                     .maxFeedBytes = 1 << 20,
                     .allowPlainHttpToLoopback = false,
                     .extraCaCertificates = {}});
    volume.start();
    brightness.start();

    int failures = 0;
    for (const auto mode : {AppSettings::AppearanceMode::light, AppSettings::AppearanceMode::dark}) {
        Appearance::apply(mode);
        MenuView view({settings, volume, brightness, permissions, updates,
                       [] { return TouchInput::Status::running(1); }, [] { return false; }},
                      {});
        view.show();
        if (!QTest::qWaitFor([&] { return volume.volume().has_value() && brightness.brightness().has_value(); }, 5000))
            std::fputs("panel-screenshots: levels did not arrive\n", stderr);
        QApplication::processEvents();
        view.adjustSize();
        const QString name = mode == AppSettings::AppearanceMode::light ? QStringLiteral("panel-light.png")
                                                                        : QStringLiteral("panel-dark.png");
        if (!framed(view, QApplication::palette()).save(out.filePath(name))) ++failures;
        std::printf("%s\n", qPrintable(out.filePath(name)));
    }
    server.stop();
    g_object_unref(testbed);
    return failures;
}
