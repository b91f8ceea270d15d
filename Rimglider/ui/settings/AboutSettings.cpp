#include "AboutSettings.h"

#include "Icons.h"
#include "SettingsForm.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace rimglider {

AboutSettings::AboutSettings(QString version, QString build, QWidget* updatesSection, QWidget* parent) : QWidget(parent)
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(12, 10, 12, 10);
    page->setSpacing(8);

    auto* header = new QGroupBox;
    auto* column = new QVBoxLayout(header);
    column->setSpacing(6);
    column->setContentsMargins(16, 20, 16, 20);

    auto* icon = new QLabel;
    icon->setPixmap(Icons::application().pixmap(64, 64));
    icon->setFixedSize(64, 64);
    icon->setAccessibleName(tr("Rimglider icon"));
    column->addWidget(icon, 0, Qt::AlignHCenter);

    auto* name = new QLabel(QStringLiteral("Rimglider"));
    QFont title = name->font();
    title.setPointSizeF(title.pointSizeF() * 1.45);
    title.setWeight(QFont::DemiBold);
    name->setFont(title);
    column->addWidget(name, 0, Qt::AlignHCenter);

    auto* versionLabel = form::secondaryLabel(versionLine(version, build));
    versionLabel->setObjectName(QStringLiteral("versionLine"));
    versionLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    versionLabel->setAlignment(Qt::AlignHCenter);
    column->addWidget(versionLabel);

    auto* description = new QLabel(tr("Slide along the edges of your trackpad to change volume and brightness."));
    description->setWordWrap(true);
    description->setAlignment(Qt::AlignHCenter);
    column->addWidget(description);

    page->addWidget(header);
    if (updatesSection != nullptr) page->addWidget(updatesSection);
    page->addStretch();
}

QString AboutSettings::versionLine(const QString& version, const QString& build)
{
    return version + QStringLiteral(" (") + build + QStringLiteral(")");
}

QString AboutSettings::version()
{
    return QCoreApplication::applicationVersion();
}

QString AboutSettings::build()
{
#ifdef RIMGLIDER_BUILD_NUMBER
    return QStringLiteral(RIMGLIDER_BUILD_NUMBER);
#else
    return {};
#endif
}

} // namespace rimglider
