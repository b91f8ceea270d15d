// The step sizes the desktop's own volume and brightness keys would make, for the steps
// Rimglider makes itself (a gesture made while a modifier is held, where a posted key would
// arrive with that modifier and match no binding). Also shows the desktop's own level display
// where it offers one to other programs (KDE Plasma's osdService).
//
// GNOME: volume-step of org.gnome.settings-daemon.plugins.media-keys through GSettings (dconf
// reads its database file, so the main thread never waits on the bus), brightness 5 %.
// KDE Plasma: VolumeStep of plasma-pa's plasmaparc, read off the main thread and followed,
// brightness 5 %. Elsewhere: 1/16 of the range for both. A fine step is a quarter of a step.
//
// Main thread only.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#include <memory>

namespace rimglider {

class DesktopSteps : public QObject {
    Q_OBJECT

  public:
    enum class Desktop { gnome, kde, other };

    static constexpr int gnomeDefaultVolumePercent = 6;
    static constexpr int kdeDefaultVolumePercent = 5;

    struct Options {
        // As XDG_CURRENT_DESKTOP spells it: a colon-separated list, most specific first.
        QString currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
        // Where plasmaparc lives; empty: the user's configuration folder.
        QString configFolder;
    };

    static DesktopSteps& shared();

    explicit DesktopSteps(QObject* parent = nullptr);
    explicit DesktopSteps(Options options, QObject* parent = nullptr);
    ~DesktopSteps() override;
    DesktopSteps(const DesktopSteps&) = delete;
    DesktopSteps& operator=(const DesktopSteps&) = delete;

    static Desktop desktopOf(const QString& currentDesktop);
    [[nodiscard]] Desktop desktop() const { return desktop_; }

    // Fractions of the full scale (volume) or of the backlight's range (brightness).
    [[nodiscard]] float volumeStep(bool fine) const;
    [[nodiscard]] float brightnessStep(bool fine) const;

    // The desktop's own level display after a change made here; nothing where there is none.
    // Never waits for an answer.
    void showVolume(float level) const;
    void showBrightness(float level) const;

  signals:
    // A step size changed (the user changed the desktop's setting).
    void changed();

  private:
    struct Gnome;
    void setVolumePercent(int percent);
    void followKdeConfig();
    void readKdeConfig();

    Desktop desktop_;
    QString kdeConfigPath_;
    int volumePercent_ = 0; // 0: 1/16 of the scale
    std::unique_ptr<Gnome> gnome_;
    QFileSystemWatcher watcher_;
    std::shared_ptr<DesktopSteps*> self_; // what reads in flight hold weakly
};

} // namespace rimglider
