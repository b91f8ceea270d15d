#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace rimglider {

QStringList Translations::folders()
{
    const QString binary = QCoreApplication::applicationDirPath();
    return {binary + QStringLiteral("/../" RIMGLIDER_DATADIR "/rimglider/translations"),
            binary + QStringLiteral("/translations")};
}

bool Translations::install(const QLocale& locale, const QStringList& searchFolders)
{
    if (qt_.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt_);
    for (const QString& folder : searchFolders) {
        if (own_.load(locale, QStringLiteral("rimglider"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(&own_);
            return true;
        }
    }
    return false;
}

} // namespace rimglider
