#include "RimgliderApp.h"

#include "ActionSelfTest.h"
#include "AppController.h"
#include "AppSettings.h"
#include "Appearance.h"
#include "BrightnessController.h"
#include "DebugModel.h"
#include "DebugWindowController.h"
#include "Icons.h"
#include "MenuBarLabel.h"
#include "OnboardingModel.h"
#include "OnboardingWindowController.h"
#include "Permissions.h"
#include "ServiceHelpDialog.h"
#include "SettingsStore.h"
#include "SettingsWindowController.h"
#include "SingleInstance.h"
#include "TouchInput.h"
#include "Translations.h"
#include "Updates.h"
#include "VolumeController.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QEvent>
#include <QFrame>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace rimglider {

namespace {

// SIGTERM and SIGINT reach the event loop through a pipe: the handler only writes a byte.
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void quitOnSignals(QObject* owner)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [] {
        char byte = 0;
        while (::read(signalPipe[0], &byte, 1) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void centre(QWidget* window)
{
    window->adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

void bringToFront(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

QString RimgliderApp::versionText()
{
    return QStringLiteral(RIMGLIDER_VERSION " (" RIMGLIDER_BUILD_NUMBER ")");
}

QString RimgliderApp::helpText()
{
    return QStringLiteral("Usage: rimglider [OPTION]...\n"
                          "Change volume and brightness by sliding along the edges of the touchpad.\n"
                          "Rimglider runs in the system tray; launching it again without options\n"
                          "opens its panel.\n"
                          "\n"
                          "  --settings              open the settings window\n"
                          "  --onboarding            open the welcome guide\n"
                          "  --onboarding-step NAME  open the welcome guide at a step: welcome,\n"
                          "                          permission, volume, brightness, extras or done\n"
                          "  --preview-menu          show the panel in an ordinary window\n"
                          "  --debug                 open the debug window\n"
                          "  --selftest              run the action self-test\n"
                          "  --exit-after-selftest   run the action self-test, print its summary and\n"
                          "                          exit with 0 when every check passed, else 1\n"
                          "  --help                  show this help and exit\n"
                          "  --version               show the version and exit\n");
}

void RimgliderApp::setIdentity()
{
    QApplication::setApplicationName(QStringLiteral("Rimglider"));
    // The version alone: the windows that show it put the build beside it.
    QApplication::setApplicationVersion(QStringLiteral(RIMGLIDER_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.kelpo.rimglider"));
    QApplication::setWindowIcon(Icons::application());
}

int RimgliderApp::main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (arguments.contains(QLatin1String("--version"))) {
        std::printf("Rimglider %s\n", versionText().toLocal8Bit().constData());
        return 0;
    }

    QApplication app(argc, argv);
    setIdentity();
    Translations translations;
    translations.install(QLocale::system(), Translations::folders());
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (instance.handOver(arguments)) return 0;
    if (!instance.listen())
        std::fprintf(stderr, "rimglider: cannot listen on %s; later launches will start another instance\n",
                     qPrintable(instance.socketPath()));

    RimgliderApp rimglider(QSystemTrayIcon::isSystemTrayAvailable());
    QObject::connect(&instance, &SingleInstance::argumentsReceived, &rimglider, &RimgliderApp::relaunched);
    quitOnSignals(&rimglider);
    rimglider.launch(arguments);
    const int status = QApplication::exec();
    rimglider.delegate_.applicationWillTerminate();
    return status;
}

RimgliderApp::RimgliderApp(bool useTray, QObject* parent)
    : QObject(parent), delegate_(AppDelegate::Windows{
                           .debugWindow = [] { DebugWindowController::shared().show(); },
                           .settingsWindow = [] { SettingsWindowController::shared().show(); },
                           .previewMenu = [this] { showPreviewMenu(); },
                           .welcomeGuide = [](OnboardingStep step) { OnboardingWindowController::shared().show(step); },
                           .selfTest = [](bool exitAfter) { runSelfTest(exitAfter); },
                           .guideDue = [] { return dueGuideStep(); },
                       })
{
    // The debug model's clipboard is the GUI's; set before anything creates the model.
    DebugModel::setSharedServicesFactory([] {
        DebugModel::Services services = DebugModel::sharedServices();
        services.setClipboard = [](const QString& text) {
            QGuiApplication::clipboard()->clear();
            QGuiApplication::clipboard()->setText(text);
        };
        return services;
    });
    // An access request that did not work says why and how to set the input service up.
    Permissions::shared().setHelpPresenter([this](const QString& problem) {
        if (!help_) {
            help_ = new ServiceHelpDialog(Permissions::inputServiceHelp(Permissions::installedHere()));
            help_->setWindowModality(Qt::NonModal);
        }
        help_->setProblem(problem);
        bringToFront(help_);
    });
    AppController::shared().setAppearanceHook([this](AppSettings::AppearanceMode mode) {
        Appearance::apply(mode);
        // apply() runs after every observed change, the touch input's included.
        refreshPanels();
    });
    if (useTray) {
        label_ = new MenuBarLabel(
            AppSettings::shared(), Permissions::shared(), [] { return AppController::shared().shouldRunGestures(); },
            this);
        trayMenu_ = new QMenu;
        connect(trayMenu_->addAction(tr("Open Panel")), &QAction::triggered, this, &RimgliderApp::showPanel);
        connect(trayMenu_->addAction(tr("Settings…")), &QAction::triggered, this,
                [] { SettingsWindowController::shared().show(); });
        trayMenu_->addSeparator();
        connect(trayMenu_->addAction(tr("Quit Rimglider")), &QAction::triggered, qApp, &QCoreApplication::quit);
        label_->setContextMenu(trayMenu_);
        connect(label_, &MenuBarLabel::clicked, this, [this] {
            if (panel_ && panel_->isVisible())
                panel_->hide();
            else if (!popupClosed_.isValid() || popupClosed_.elapsed() > 300)
                showPanel();
        });
    }
}

RimgliderApp::~RimgliderApp()
{
    delete trayMenu_;
    delete panel_;
    for (const QPointer<QWidget>& window : keptWindows_)
        delete window;
    delete about_;
    delete help_;
}

std::optional<OnboardingStep> RimgliderApp::dueGuideStep()
{
    return OnboardingModel::dueStep(standardSettingsStore(), Permissions::shared().isAccessibilityGranted());
}

void RimgliderApp::launch(const QStringList& arguments)
{
    if (label_) label_->show();
    delegate_.startServices();
    if (label_) {
        delegate_.perform(arguments);
        return;
    }
    // The panel's own window goes first, so that the windows asked for open in front of it;
    // the guide is read first of all, and the panel waits until it closes.
    const auto actions = AppDelegate::launchActions(arguments, dueGuideStep());
    const bool guideOpens = std::ranges::any_of(actions, [](const AppDelegate::LaunchAction& action) {
        return action.kind == AppDelegate::LaunchAction::Kind::welcomeGuide;
    });
    if (!guideOpens) showPanel();
    delegate_.perform(arguments);
    if (!guideOpens) return;
    guideBeforePanel_ = OnboardingWindowController::shared().window();
    if (guideBeforePanel_)
        guideBeforePanel_->installEventFilter(this);
    else
        showPanel();
}

void RimgliderApp::relaunched(const QStringList& arguments)
{
    // The windows asked for come in front; a bare launch brings up the panel.
    if (delegate_.perform(arguments).empty()) showPanel();
}

void RimgliderApp::runSelfTest(bool exitAfter)
{
    const auto run = [exitAfter] {
        ActionSelfTest::run(ActionSelfTest::sharedServices(), [exitAfter](const ActionSelfTest::Report& report) {
            DebugModel& model = DebugModel::shared();
            model.setSelfTestSummary(report.summary());
            model.addLog(QStringLiteral("self-test: ") + report.summary());
            if (!exitAfter) return;
            std::printf("%s\n", report.summary().toLocal8Bit().constData());
            std::fflush(stdout);
            // Queued: a run that ends at once ends before the event loop has started.
            const int status = report.exitStatus();
            QMetaObject::invokeMethod(
                qApp, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
        });
    };
    // At launch the sound server has not yet named its output: start once it has, or after
    // two seconds without one.
    VolumeController& volume = VolumeController::shared();
    if (volume.device() != 0) {
        run();
        return;
    }
    auto started = std::make_shared<bool>(false);
    const auto once = [run, started] {
        if (!std::exchange(*started, true)) run();
    };
    auto* context = new QObject(qApp);
    QObject::connect(&volume, &VolumeController::deviceChanged, context, [once, context] {
        once();
        context->deleteLater();
    });
    QTimer::singleShot(2000, context, [once, context] {
        once();
        context->deleteLater();
    });
}

MenuView::Sources RimgliderApp::sharedSources()
{
    return {AppSettings::shared(),
            VolumeController::shared(),
            BrightnessController::shared(),
            Permissions::shared(),
            Updates::shared(),
            [] { return TouchInput::shared().status(); },
            [] { return Updates::feedURL().has_value(); }};
}

MenuView::Actions RimgliderApp::panelActions()
{
    // A popup panel closes before a window opens, or the window would close it.
    const auto closingPopup = [this](std::function<void()> action) {
        return [this, action = std::move(action)] {
            if (panel_ && label_) panel_->hide();
            action();
        };
    };
    return {
        .settingsWindow = closingPopup([] { SettingsWindowController::shared().show(); }),
        .welcomeGuide = closingPopup([] { OnboardingWindowController::shared().show(OnboardingStep::welcome); }),
        .debugWindow = closingPopup([] { DebugWindowController::shared().show(); }),
        .about = closingPopup([this] { showAbout(); }),
        .quit = [] { QCoreApplication::quit(); },
    };
}

QWidget* RimgliderApp::makePanelWindow()
{
    // The panel's window takes the panel's size, and follows it when the banner comes or goes.
    QWidget* window = nullptr;
    if (label_) {
        auto* popup = new QFrame(nullptr, Qt::Popup | Qt::FramelessWindowHint);
        popup->setFrameShape(QFrame::StyledPanel);
        popup->setAccessibleName(QStringLiteral("Rimglider"));
        // Never shown as a title; it lets tools and tests find the panel among the windows.
        popup->setWindowTitle(tr("Rimglider panel"));
        popup->installEventFilter(this);
        window = popup;
    } else {
        window = new QWidget;
        window->setWindowTitle(QStringLiteral("Rimglider"));
    }
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(label_ ? 1 : 0, label_ ? 1 : 0, label_ ? 1 : 0, label_ ? 1 : 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* view = new MenuView(sharedSources(), panelActions(), window);
    views_.emplace_back(view);
    layout->addWidget(view);
    return window;
}

void RimgliderApp::showPanel()
{
    const bool first = !panel_;
    if (first) panel_ = makePanelWindow();
    if (!label_) {
        if (first) centre(panel_);
        bringToFront(panel_);
        return;
    }
    panel_->adjustSize();
    const QPoint cursor = QCursor::pos();
    const QRect icon = label_->trayIcon()->geometry();
    QScreen* screen = QGuiApplication::screenAt(icon.isValid() ? icon.center() : cursor);
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    panel_->move(MenuBarLabel::panelPosition(icon, cursor, panel_->sizeHint(), area));
    bringToFront(panel_);
}

void RimgliderApp::showPreviewMenu()
{
    auto* window = new QWidget;
    window->setWindowTitle(tr("Menu preview"));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* view = new MenuView(sharedSources(), panelActions(), window);
    views_.emplace_back(view);
    layout->addWidget(view);
    centre(window);
    keptWindows_.emplace_back(window);
    bringToFront(window);
}

void RimgliderApp::showAbout()
{
    if (!about_) {
        auto* box = new QMessageBox;
        box->setWindowTitle(tr("About Rimglider"));
        box->setIconPixmap(Icons::application().pixmap(QSize(64, 64), box->devicePixelRatioF()));
        box->setText(QStringLiteral("<h3>Rimglider</h3><p>Version %1</p>").arg(versionText()));
        box->setInformativeText(tr(credits));
        box->setStandardButtons(QMessageBox::Ok);
        box->setWindowModality(Qt::NonModal);
        about_ = box;
    }
    bringToFront(about_);
}

bool RimgliderApp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == panel_ && event->type() == QEvent::Hide) popupClosed_.restart();
    if (watched == guideBeforePanel_ && event->type() == QEvent::Hide) {
        guideBeforePanel_->removeEventFilter(this);
        guideBeforePanel_ = nullptr;
        showPanel();
    }
    return QObject::eventFilter(watched, event);
}

void RimgliderApp::refreshPanels()
{
    for (const QPointer<MenuView>& view : views_)
        if (view && view->isVisible()) view->refresh();
}

} // namespace rimglider
