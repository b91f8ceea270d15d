#include "Icons.h"

#include <QFile>
#include <QHash>
#include <QPainter>

// The resources live in a static library, so they are registered by hand, from outside any
// namespace as Qt requires.
static void registerIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace rimglider {

namespace {

// Symbol name → freedesktop icon name. Each symbol also has a drawing of its own under
// :/rimglider/icons/<symbol>.svg.
const QHash<QString, QString>& themeNames()
{
    static const QHash<QString, QString> names{
        {QStringLiteral("speaker.wave.2.fill"), QStringLiteral("audio-volume-high-symbolic")},
        {QStringLiteral("speaker.slash.fill"), QStringLiteral("audio-volume-muted-symbolic")},
        {QStringLiteral("speaker.slash"), QStringLiteral("audio-volume-muted-symbolic")},
        {QStringLiteral("sun.max.fill"), QStringLiteral("display-brightness-symbolic")},
        {QStringLiteral("forward"), QStringLiteral("media-skip-forward-symbolic")},
        // No common theme draws play and pause in one icon: an unknown name takes the bundled one.
        {QStringLiteral("playpause"), QStringLiteral("media-playback-playpause-symbolic")},
        {QStringLiteral("hand.tap"), QStringLiteral("input-touchpad-symbolic")},
        {QStringLiteral("hand.draw"), QStringLiteral("input-touchpad-symbolic")},
        {QStringLiteral("gearshape"), QStringLiteral("preferences-system-symbolic")},
        {QStringLiteral("ellipsis.circle"), QStringLiteral("view-more-symbolic")},
        {QStringLiteral("power"), QStringLiteral("system-shutdown-symbolic")},
        {QStringLiteral("info.circle"), QStringLiteral("help-about-symbolic")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("emblem-ok-symbolic")},
        {QStringLiteral("checkmark.shield.fill"), QStringLiteral("security-high-symbolic")},
        {QStringLiteral("hand.raised.square.fill"), QStringLiteral("changes-prevent-symbolic")},
        {QStringLiteral("circle"), QStringLiteral("radio-symbolic")},
        {QStringLiteral("wifi"), QStringLiteral("network-wireless-signal-excellent-symbolic")},
        {QStringLiteral("battery.75percent"), QStringLiteral("battery-level-80-symbolic")},
        {QStringLiteral("arrow.up"), QStringLiteral("go-up-symbolic")},
        {QStringLiteral("hand.point.up.left.fill"), QStringLiteral("input-touchpad-symbolic")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("dialog-warning-symbolic")},
        {QStringLiteral("xmark.octagon.fill"), QStringLiteral("dialog-error-symbolic")},
        {QStringLiteral("shield.slash"), QStringLiteral("security-low-symbolic")},
        {QStringLiteral("cursorarrow.click.badge.clock"), QStringLiteral("input-mouse-symbolic")},
        {QStringLiteral("cursorarrow.slash"), QStringLiteral("action-unavailable-symbolic")},
    };
    return names;
}

QString bundledPath(const QString& name)
{
    return QStringLiteral(":/rimglider/icons/") + name + QStringLiteral(".svg");
}

void initResources()
{
    static const bool done = [] {
        registerIconResources();
        return true;
    }();
    (void)done;
}

// Without a desktop theme (a bare X session, offscreen) Qt looks only in hicolor, which holds
// no symbolic icons; Adwaita has them wherever it is installed.
void useAdwaitaWhenThemeless()
{
    static const bool done = [] {
        if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
            QIcon::setThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    (void)done;
}

} // namespace

QString Icons::themeName(const QString& sfName)
{
    return themeNames().value(sfName);
}

QStringList Icons::symbolNames()
{
    QStringList names = themeNames().keys();
    names.sort();
    return names;
}

QIcon Icons::tintedSymbol(const QString& sfName, const QColor& color, QSize size)
{
    const QIcon source = symbol(sfName);
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0})
        icon.addPixmap(tinted(source, color, size, ratio));
    return icon;
}

bool Icons::hasBundledFallback(const QString& sfName)
{
    initResources();
    return QFile::exists(bundledPath(sfName));
}

QIcon Icons::symbol(const QString& sfName)
{
    initResources();
    useAdwaitaWhenThemeless();
    const QString name = themeName(sfName);
    if (name.isEmpty()) return {};
    return QIcon::fromTheme(name, QIcon(bundledPath(sfName)));
}

QIcon Icons::application()
{
    initResources();
    return QIcon::fromTheme(QStringLiteral("rimglider"), QIcon(bundledPath(QStringLiteral("rimglider"))));
}

QIcon Icons::menuBar(bool on)
{
    initResources();
    return QIcon(bundledPath(menuBarName(on)));
}

QPixmap Icons::tinted(const QIcon& icon, QColor color, QSize size, qreal devicePixelRatio)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    icon.paint(&painter, QRect(QPoint(0, 0), size));
    // Keep the drawing's coverage, replace its colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRect(QPoint(0, 0), size), color);
    painter.end();
    return pixmap;
}

} // namespace rimglider
