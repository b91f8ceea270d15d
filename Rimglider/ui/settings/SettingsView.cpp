#include "SettingsView.h"

#include "AboutSettings.h"
#include "GestureSettings.h"
#include "Icons.h"
#include "UpdatesSection.h"

#include <QScrollArea>

namespace rimglider {

namespace {

// The Gestures tab is taller than the window on large fonts; the others scroll only then too.
QScrollArea* scrolling(QWidget* content)
{
    auto* area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    return area;
}

} // namespace

SettingsView::SettingsView(Services services, QWidget* parent) : QTabWidget(parent)
{
    setFixedSize(fixedSize);
    setDocumentMode(true);

    addTab(scrolling(new GestureSettings(services.settings)), Icons::symbol(QStringLiteral("hand.draw")),
           tr("Gestures"));
    addTab(scrolling(new GeneralSettings(services.settings, services.loginItem, services.permissions,
                                         std::move(services.actions))),
           Icons::symbol(QStringLiteral("gearshape")), tr("General"));
    auto* updates = new UpdatesSection(services.updates, services.updateFeedConfigured);
    addTab(scrolling(new AboutSettings(services.version, services.build, updates)),
           Icons::symbol(QStringLiteral("info.circle")), tr("About"));
}

} // namespace rimglider
