#include "Appearance.h"

#include <QApplication>

namespace rimglider {

namespace {

QPalette build(QColor window, QColor base, QColor alternate, QColor text, QColor secondary, QColor button, QColor mid,
               QColor accent)
{
    QPalette p;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, alternate);
        p.setColor(group, QPalette::Button, button);
        p.setColor(group, QPalette::Mid, mid);
        p.setColor(group, QPalette::Midlight, button.lighter(110));
        p.setColor(group, QPalette::Light, button.lighter(130));
        p.setColor(group, QPalette::Dark, mid.darker(130));
        p.setColor(group, QPalette::Shadow, QColor(0, 0, 0, 90));
        p.setColor(group, QPalette::Highlight, accent);
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::Link, accent);
        p.setColor(group, QPalette::ToolTipBase, base);
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::PlaceholderText, secondary);
        const bool disabled = group == QPalette::Disabled;
        QColor faded = text;
        faded.setAlphaF(0.38f);
        QColor fadedSecondary = secondary;
        fadedSecondary.setAlphaF(0.5f);
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            p.setColor(group, role, disabled ? faded : text);
        if (disabled) p.setColor(group, QPalette::PlaceholderText, fadedSecondary);
        p.setColor(group, QPalette::BrightText, Qt::white);
    }
    return p;
}

} // namespace

QPalette Appearance::light()
{
    return build(QColor(0xf6, 0xf6, 0xf7), Qt::white, QColor(0xee, 0xee, 0xf0), QColor(0x1d, 0x1d, 0x1f),
                 QColor(0x6e, 0x6e, 0x73), QColor(0xfb, 0xfb, 0xfc), QColor(0xc9, 0xc9, 0xce),
                 QColor(0x2f, 0x6f, 0xeb));
}

QPalette Appearance::dark()
{
    return build(QColor(0x24, 0x24, 0x27), QColor(0x1c, 0x1c, 0x1e), QColor(0x2e, 0x2e, 0x32), QColor(0xf2, 0xf2, 0xf5),
                 QColor(0xa1, 0xa1, 0xa8), QColor(0x3a, 0x3a, 0x3e), QColor(0x55, 0x55, 0x5b),
                 QColor(0x3d, 0x84, 0xff));
}

QPalette Appearance::palette(AppSettings::AppearanceMode mode)
{
    switch (mode) {
    case AppSettings::AppearanceMode::light:
        return light();
    case AppSettings::AppearanceMode::dark:
        return dark();
    case AppSettings::AppearanceMode::system:
        break;
    }
    // A palette that sets no role of its own: the application then takes the platform theme's
    // (the desktop's colours) or, without one, the style's.
    QPalette none;
    none.setResolveMask(0);
    return none;
}

void Appearance::apply(AppSettings::AppearanceMode mode)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    QApplication::setPalette(palette(mode));
}

bool Appearance::isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightnessF() < palette.color(QPalette::WindowText).lightnessF();
}

QColor Appearance::red(const QPalette& palette)
{
    return isDark(palette) ? QColor(0xff, 0x5a, 0x52) : QColor(0xd7, 0x2c, 0x22);
}

QColor Appearance::orange(const QPalette& palette)
{
    return isDark(palette) ? QColor(0xff, 0xa4, 0x2e) : QColor(0xd9, 0x73, 0x00);
}

QColor Appearance::green(const QPalette& palette)
{
    return isDark(palette) ? QColor(0x3c, 0xd0, 0x6a) : QColor(0x1f, 0x9d, 0x48);
}

} // namespace rimglider
