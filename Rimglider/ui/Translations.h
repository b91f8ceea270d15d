// The application's texts in the user's language: Rimglider's own catalogue and Qt's, chosen by
// the system locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG). English needs neither.
#pragma once

#include <QLocale>
#include <QStringList>
#include <QTranslator>

namespace rimglider {

class Translations {
  public:
    // The folders searched for rimglider_<language>.qm, first match wins: the installed one
    // beside the executable's prefix, then the build tree's.
    static QStringList folders();

    // Installs the catalogues found for `locale` into the running application; the ones missing
    // are skipped and the texts stay English. Returns whether Rimglider's own was found.
    // Destroying this object uninstalls them.
    bool install(const QLocale& locale, const QStringList& searchFolders);

  private:
    QTranslator own_;
    QTranslator qt_;
};

} // namespace rimglider
