#include "DesktopSteps.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QStandardPaths>
#include <QThreadPool>

// GLib names a struct member `signals`, Qt a macro.
#undef signals
#include <gio/gio.h>
#define signals Q_SIGNALS

#include <cmath>

namespace rimglider {

namespace {

constexpr float sixteenth = 1.0f / 16.0f;
constexpr float desktopBrightnessStep = 0.05f;
constexpr float fineShare = 0.25f;
const char* const gnomeSchema = "org.gnome.settings-daemon.plugins.media-keys";
const char* const gnomeVolumeKey = "volume-step";

// A percentage a user could have set; anything else falls back to the desktop's default.
bool plausiblePercent(long long percent)
{
    return percent >= 1 && percent <= 100;
}

// VolumeStep of [General] in a KConfig file; absent when missing or not a plausible number.
// KConfig writes "key[$i]=" for immutable entries, so a bracketed suffix is allowed.
std::optional<int> kdeVolumeStepIn(const QByteArray& text)
{
    bool inGeneral = false;
    std::optional<int> found;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inGeneral = line == "[General]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inGeneral || equals < 0) continue;
        QByteArray key = line.left(equals).trimmed();
        if (const qsizetype bracket = key.indexOf('['); bracket > 0) key.truncate(bracket);
        if (key != "VolumeStep") continue;
        bool ok = false;
        const int percent = line.mid(equals + 1).trimmed().toInt(&ok);
        found = ok && plausiblePercent(percent) ? std::optional<int>(percent) : std::nullopt;
    }
    return found;
}

} // namespace

// GSettings, only when the schema is installed: GSettings aborts the process on a missing one.
struct DesktopSteps::Gnome {
    GSettings* settings = nullptr;
    gulong handler = 0;

    ~Gnome()
    {
        if (!settings) return;
        if (handler) g_signal_handler_disconnect(settings, handler);
        g_object_unref(settings);
    }

    // The step in percent; absent without the schema or its key.
    std::optional<int> read() const
    {
        if (!settings) return std::nullopt;
        const int percent = g_settings_get_int(settings, gnomeVolumeKey);
        return plausiblePercent(percent) ? std::optional<int>(percent) : std::nullopt;
    }

    static void changedThunk(GSettings*, gchar*, gpointer self)
    {
        auto* steps = static_cast<DesktopSteps*>(self);
        steps->setVolumePercent(steps->gnome_->read().value_or(gnomeDefaultVolumePercent));
    }
};

DesktopSteps& DesktopSteps::shared()
{
    static auto* instance = new DesktopSteps();
    return *instance;
}

DesktopSteps::DesktopSteps(QObject* parent) : DesktopSteps(Options{}, parent) {}

DesktopSteps::DesktopSteps(Options options, QObject* parent)
    : QObject(parent), desktop_(desktopOf(options.currentDesktop)), self_(std::make_shared<DesktopSteps*>(this))
{
    switch (desktop_) {
    case Desktop::gnome: {
        gnome_ = std::make_unique<Gnome>();
        volumePercent_ = gnomeDefaultVolumePercent;
        GSettingsSchemaSource* source = g_settings_schema_source_get_default();
        GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, gnomeSchema, TRUE) : nullptr;
        if (!schema) break;
        if (g_settings_schema_has_key(schema, gnomeVolumeKey)) {
            gnome_->settings = g_settings_new_full(schema, nullptr, nullptr);
            // Reading the key once makes GSettings report its later changes.
            setVolumePercent(gnome_->read().value_or(gnomeDefaultVolumePercent));
            gnome_->handler =
                g_signal_connect(gnome_->settings, "changed::volume-step", G_CALLBACK(&Gnome::changedThunk), this);
        }
        g_settings_schema_unref(schema);
        break;
    }
    case Desktop::kde: {
        volumePercent_ = kdeDefaultVolumePercent;
        const QString folder = options.configFolder.isEmpty()
                                   ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                                   : options.configFolder;
        kdeConfigPath_ = QDir(folder).filePath(QStringLiteral("plasmaparc"));
        followKdeConfig();
        break;
    }
    case Desktop::other:
        break;
    }
}

DesktopSteps::~DesktopSteps() = default;

DesktopSteps::Desktop DesktopSteps::desktopOf(const QString& currentDesktop)
{
    for (const QString& name : currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (name.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0) return Desktop::gnome;
        if (name.compare(QLatin1String("KDE"), Qt::CaseInsensitive) == 0) return Desktop::kde;
    }
    return Desktop::other;
}

float DesktopSteps::volumeStep(bool fine) const
{
    const float step = volumePercent_ > 0 ? float(volumePercent_) / 100.0f : sixteenth;
    return fine ? step * fineShare : step;
}

float DesktopSteps::brightnessStep(bool fine) const
{
    const float step = desktop_ == Desktop::other ? sixteenth : desktopBrightnessStep;
    return fine ? step * fineShare : step;
}

void DesktopSteps::setVolumePercent(int percent)
{
    if (percent == volumePercent_) return;
    volumePercent_ = percent;
    emit changed();
}

void DesktopSteps::followKdeConfig()
{
    // KConfig replaces the file on every save, which ends a watch on the file itself; the
    // folder's watch sees the new one appear.
    watcher_.addPath(QFileInfo(kdeConfigPath_).absolutePath());
    if (QFile::exists(kdeConfigPath_)) watcher_.addPath(kdeConfigPath_);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &DesktopSteps::readKdeConfig);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &DesktopSteps::readKdeConfig);
    readKdeConfig();
}

void DesktopSteps::readKdeConfig()
{
    if (QFile::exists(kdeConfigPath_) && !watcher_.files().contains(kdeConfigPath_)) watcher_.addPath(kdeConfigPath_);
    // A home folder on a network share can stall a read: the main thread only gets the answer.
    QThreadPool::globalInstance()->start([path = kdeConfigPath_, weak = std::weak_ptr<DesktopSteps*>(self_)] {
        QFile file(path);
        const std::optional<int> percent =
            file.open(QIODevice::ReadOnly) ? kdeVolumeStepIn(file.read(64 * 1024)) : std::nullopt;
        // Delivered through the application object: this one may go while the read runs.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [weak, percent] {
                if (const auto alive = weak.lock())
                    (*alive)->setVolumePercent(percent.value_or(kdeDefaultVolumePercent));
            },
            Qt::QueuedConnection);
    });
}

void DesktopSteps::showVolume(float level) const
{
    if (desktop_ != Desktop::kde) return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.plasmashell"), QStringLiteral("/org/kde/osdService"),
                                       QStringLiteral("org.kde.osdService"), QStringLiteral("volumeChanged"));
    call << int(std::lround(level * 100.0f));
    call.setAutoStartService(false);
    QDBusConnection::sessionBus().send(call);
}

void DesktopSteps::showBrightness(float level) const
{
    if (desktop_ != Desktop::kde) return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.plasmashell"), QStringLiteral("/org/kde/osdService"),
                                       QStringLiteral("org.kde.osdService"), QStringLiteral("brightnessChanged"));
    call << int(std::lround(level * 100.0f));
    call.setAutoStartService(false);
    QDBusConnection::sessionBus().send(call);
}

} // namespace rimglider
