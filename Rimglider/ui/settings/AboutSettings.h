// The settings window's "About" tab: icon, name, version and the updates section.
#pragma once

#include <QWidget>

namespace rimglider {

class Updates;

class AboutSettings : public QWidget {
    Q_OBJECT

  public:
    // `version` and `build` as the build recorded them; either may be empty.
    AboutSettings(QString version, QString build, QWidget* updatesSection, QWidget* parent = nullptr);

    // "1.2 (45)"; " ()" when the build recorded neither.
    static QString versionLine(const QString& version, const QString& build);

    // The running application's version and build number.
    static QString version();
    static QString build();
};

} // namespace rimglider
