// The application's palette for the appearance setting: the desktop's own (the style's standard
// palette, which a platform theme fills from the desktop), or a forced light or dark one.
#pragma once

#include "AppSettings.h"

#include <QPalette>

namespace rimglider {

class Appearance {
  public:
    static QPalette light();
    static QPalette dark();
    // The palette for `mode`; `system` gives the desktop's.
    static QPalette palette(AppSettings::AppearanceMode mode);
    // Sets the application palette for `mode`. Does nothing without a QApplication.
    static void apply(AppSettings::AppearanceMode mode);
    // Whether `palette` reads as dark (light text on a dark window).
    static bool isDark(const QPalette& palette);

    // The status colours of the panel, tuned to stay legible on either palette.
    static QColor red(const QPalette& palette);
    static QColor orange(const QPalette& palette);
    static QColor green(const QPalette& palette);
};

} // namespace rimglider
