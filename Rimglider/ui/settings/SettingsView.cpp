#include "SettingsView.h"

#include "AboutSettings.h"
#include "GestureSettings.h"
#include "Icons.h"
#include "UpdatesSection.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace rimglider {

SettingsView::SettingsView(Services services, QWidget* parent) : QTabWidget(parent)
{
    setDocumentMode(true);

    auto* gestures = new GestureSettings(services.settings);
    addTab(page(gestures, gestures->footer()), tr("Gestures"));
    addTab(page(new GeneralSettings(services.settings, services.loginItem, services.permissions,
                                    std::move(services.actions))),
           tr("General"));
    auto* updates = new UpdatesSection(services.updates, services.updateFeedConfigured);
    addTab(page(new AboutSettings(services.version, services.build, updates)), tr("About"));
    paintTabIcons();
}

void SettingsView::paintTabIcons()
{
    static const QString symbols[] = {QStringLiteral("hand.draw"), QStringLiteral("gearshape"),
                                      QStringLiteral("info.circle")};
    const QColor ink = palette().color(QPalette::WindowText);
    for (int i = 0; i < count() && i < int(std::size(symbols)); ++i)
        setTabIcon(i, Icons::tintedSymbol(symbols[i], ink));
}

void SettingsView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) paintTabIcons();
    QTabWidget::changeEvent(event);
}

QWidget* SettingsView::page(QWidget* content, QWidget* footer)
{
    auto* area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    areas_.push_back(area);
    if (footer == nullptr) return area;
    auto* container = new QWidget;
    auto* column = new QVBoxLayout(container);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(area, 1);
    column->addWidget(footer);
    footer->show();
    footerHeight_ = std::max(footerHeight_, footer->sizeHint().height());
    return container;
}

QSize SettingsView::sizeHint() const
{
    QSize content;
    for (const QScrollArea* area : areas_)
        content = content.expandedTo(area->widget()->sizeHint());
    // Room for a scroll bar, so that a window cut short by the screen does not clip the rows.
    const int scrollBar = areas_.empty() ? 0 : areas_.front()->verticalScrollBar()->sizeHint().width();
    return {content.width() + scrollBar, content.height() + tabBar()->sizeHint().height() + footerHeight_ + 4};
}

} // namespace rimglider
