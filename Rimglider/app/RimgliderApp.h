// The application: its entry point and its one permanent surface, the tray icon with the panel.
// A click on the icon opens the panel as a popup next to it; on a desktop without a tray the
// panel is an ordinary window, shown at start and whenever Rimglider is launched again.
// Closing windows never ends the application; quitting does, and so do SIGTERM and SIGINT,
// through the event loop so that the pointer is released on the way out.
#pragma once

#include "AppDelegate.h"
#include "MenuView.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QSocketNotifier;

namespace rimglider {

class MenuBarLabel;
class ServiceHelpDialog;
class SingleInstance;

class RimgliderApp : public QObject {
    Q_OBJECT

  public:
    // The process entry: --help and --version, the single-instance hand-over, the launch.
    static int main(int argc, char** argv);

    // Name, version, desktop entry and icon of the running application.
    static void setIdentity();
    // Where the welcome guide opens by itself, if it does.
    static std::optional<OnboardingStep> dueGuideStep();
    // "0.1.0 (42)": the project version and the build number.
    static QString versionText();
    static QString helpText();
    // The credits line of the about box.
    static constexpr const char* credits =
        QT_TR_NOOP("Slide along the edges of your trackpad to change volume and brightness.");

    // `useTray` false keeps the panel in an ordinary window even where a tray exists.
    explicit RimgliderApp(bool useTray, QObject* parent = nullptr);
    ~RimgliderApp() override;

    // The launch sequence with `arguments` (program name first).
    void launch(const QStringList& arguments);
    // A later launch handed its arguments over: do what they ask, or bring up the panel.
    void relaunched(const QStringList& arguments);

    void showPanel();
    void showPreviewMenu();
    void showAbout();

    [[nodiscard]] bool hasTray() const { return label_ != nullptr; }
    [[nodiscard]] MenuBarLabel* label() const { return label_; }
    [[nodiscard]] QWidget* panelWindow() const { return panel_; }

    // The panel's sources and actions on the application's shared objects.
    static MenuView::Sources sharedSources();
    // Runs the action self-test; its summary goes to the debug model, and with `exitAfter` also
    // to standard output before the process ends with the self-test's exit status.
    static void runSelfTest(bool exitAfter);
    MenuView::Actions panelActions();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* makePanelWindow();
    void refreshPanels();

    AppDelegate delegate_;
    MenuBarLabel* label_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QPointer<QWidget> panel_;
    std::vector<QPointer<MenuView>> views_;
    // Windows opened here without a controller of their own, kept for the process.
    std::vector<QPointer<QWidget>> keptWindows_;
    QPointer<QWidget> about_;
    QPointer<ServiceHelpDialog> help_;
    // Without a tray: the guide shown at launch, whose closing brings up the panel.
    QPointer<QWidget> guideBeforePanel_;
    // When the popup last closed: a click on the icon closes it first, and must not reopen it.
    QElapsedTimer popupClosed_;
};

} // namespace rimglider
