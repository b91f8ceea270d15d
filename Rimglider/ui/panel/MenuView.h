// The tray panel: the header with the status line, the input-access banner, the two level
// tiles, the master switch, the everyday options and the footer with settings, the "More" menu
// and quitting. It keeps no state: every control shows and writes the observed objects, and
// follows their change signals.
#pragma once

#include "AppSettings.h"
#include "TouchInput.h"
#include "ValueTile.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;

namespace rimglider {

class BrightnessController;
class OptionRow;
class Permissions;
class SliderRow;
class ToggleSwitch;
class Updates;
class VolumeController;

class MenuView : public QWidget {
    Q_OBJECT

  public:
    // What the panel shows and edits. Tests pass objects of their own.
    struct Sources {
        AppSettings& settings;
        VolumeController& volume;
        BrightnessController& brightness;
        Permissions& permissions;
        Updates& updates;
        std::function<TouchInput::Status()> touchStatus;
        // Whether an update feed address is configured now.
        std::function<bool()> hasUpdateFeed;
    };
    // Where the footer leads. An empty debugWindow disables its menu entry.
    struct Actions {
        std::function<void()> settingsWindow;
        std::function<void()> welcomeGuide;
        std::function<void()> debugWindow;
        std::function<void()> about;
        std::function<void()> quit;
    };

    enum class Status { noTrackpad, needsAccess, ready, off };
    static Status status(const TouchInput::Status& touch, bool accessGranted, bool enabled);
    static QString statusText(Status status);
    static QColor statusColor(Status status, const QPalette& palette);

    static ValueTile::Content volumeTile(bool muted, bool adjustable, std::optional<float> volume,
                                         const QString& deviceName);
    static ValueTile::Content brightnessTile(bool hasBuiltInDisplay, std::optional<float> brightness);

    static constexpr int panelWidth = 320;
    static constexpr const char* debugUnavailableTip = QT_TR_NOOP("Not available in this build yet");

    MenuView(Sources sources, Actions actions, QWidget* parent = nullptr);

    // Reads the touch input's status and the update feed again; the rest follows signals.
    void refresh();

    // The parts, for tests.
    [[nodiscard]] Status currentStatus() const { return status_; }
    [[nodiscard]] QString statusLineText() const;
    [[nodiscard]] QColor statusLineColor() const;
    [[nodiscard]] bool bannerShown() const;
    [[nodiscard]] QPushButton* grantButton() const { return grantButton_; }
    [[nodiscard]] ValueTile* leftTile() const;
    [[nodiscard]] ValueTile* rightTile() const;
    [[nodiscard]] ValueTile* volumeTileWidget() const { return volumeTile_; }
    [[nodiscard]] ValueTile* brightnessTileWidget() const { return brightnessTile_; }
    [[nodiscard]] ToggleSwitch* masterSwitch() const { return masterSwitch_; }
    [[nodiscard]] QWidget* optionsBlock() const { return options_; }
    [[nodiscard]] OptionRow* quickMuteRow() const { return quickMute_; }
    [[nodiscard]] OptionRow* mediaStripRow() const { return mediaStrip_; }
    [[nodiscard]] OptionRow* tapToPlayRow() const { return tapToPlay_; }
    [[nodiscard]] QComboBox* hapticPicker() const { return haptic_; }
    [[nodiscard]] SliderRow* sensitivityRow() const { return sensitivity_; }
    [[nodiscard]] SliderRow* edgeWidthRow() const { return edgeWidth_; }
    [[nodiscard]] QToolButton* settingsButton() const { return settingsButton_; }
    [[nodiscard]] QToolButton* moreButton() const { return moreButton_; }
    [[nodiscard]] QToolButton* quitButton() const { return quitButton_; }
    [[nodiscard]] QMenu* moreMenu() const { return moreMenu_; }
    [[nodiscard]] QAction* checkForUpdatesAction() const { return checkForUpdates_; }
    [[nodiscard]] QAction* debugWindowAction() const { return debugWindow_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QWidget* buildHeader();
    QWidget* buildBanner();
    QWidget* buildOptions();
    QWidget* buildFooter();
    void updateStatus();
    void updateVolume();
    void updateBrightness();
    void updateEnabled();
    void updateTileOrder();
    void updateUpdateFeed();
    void paintSymbols();

    Sources sources_;
    Actions actions_;
    Status status_ = Status::off;

    QLabel* appIcon_ = nullptr;
    QLabel* statusDot_ = nullptr;
    QLabel* statusText_ = nullptr;
    QFrame* banner_ = nullptr;
    QLabel* bannerText_ = nullptr;
    QPushButton* grantButton_ = nullptr;
    QWidget* tiles_ = nullptr;
    ValueTile* volumeTile_ = nullptr;
    ValueTile* brightnessTile_ = nullptr;
    ToggleSwitch* masterSwitch_ = nullptr;
    QWidget* options_ = nullptr;
    OptionRow* quickMute_ = nullptr;
    OptionRow* mediaStrip_ = nullptr;
    OptionRow* tapToPlay_ = nullptr;
    QLabel* hapticIcon_ = nullptr;
    QComboBox* haptic_ = nullptr;
    SliderRow* sensitivity_ = nullptr;
    SliderRow* edgeWidth_ = nullptr;
    QFrame* divider_ = nullptr;
    QToolButton* settingsButton_ = nullptr;
    QToolButton* moreButton_ = nullptr;
    QToolButton* quitButton_ = nullptr;
    QMenu* moreMenu_ = nullptr;
    QAction* checkForUpdates_ = nullptr;
    QAction* debugWindow_ = nullptr;
};

} // namespace rimglider
