#include "UpdatesSection.h"

#include "SettingsForm.h"
#include "Updates.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace rimglider {

UpdatesSection::UpdatesSection(Updates& updates, bool feedConfigured, Clock now, QWidget* parent)
    : QWidget(parent), updates_(updates), now_(now ? std::move(now) : Clock(&QDateTime::currentDateTime))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* section = form::addSection(outer, tr("Updates"));

    if (!feedConfigured) {
        auto* line = form::secondaryLabel(tr("Updates aren't set up in this build yet."));
        line->setObjectName(QStringLiteral("notSetUp"));
        form::addRow(section, line);
        return;
    }

    auto* automatic = form::addToggle(section, tr("Check for Updates Automatically"));
    automatic->setChecked(updates.automaticallyChecks());
    connect(automatic, &QAbstractButton::toggled, &updates, &Updates::setAutomaticallyChecks);
    connect(&updates, &Updates::automaticallyChecksChanged, automatic, [automatic, &updates] {
        const QSignalBlocker quiet(automatic);
        automatic->setChecked(updates.automaticallyChecks());
    });

    auto* betas = form::addToggle(section, tr("Include Beta Versions"),
                                  tr("Try new features early. Betas can have rough edges."));
    betas->setChecked(updates.includeBetas());
    connect(betas, &QAbstractButton::toggled, &updates, &Updates::setIncludeBetas);
    connect(&updates, &Updates::includeBetasChanged, betas, [betas, &updates] {
        const QSignalBlocker quiet(betas);
        betas->setChecked(updates.includeBetas());
    });

    lastChecked_ = new QLabel;
    lastChecked_->setObjectName(QStringLiteral("lastChecked"));
    auto* checkNow = new QPushButton(tr("Check Now"));
    connect(checkNow, &QPushButton::clicked, this, [this] {
        if (auto* window = this->window()) window->activateWindow();
        updates_.checkNow();
    });
    auto* value = new QWidget;
    auto* valueRow = new QHBoxLayout(value);
    valueRow->setContentsMargins(0, 0, 0, 0);
    valueRow->addWidget(lastChecked_);
    valueRow->addSpacing(8);
    valueRow->addWidget(checkNow);
    auto* label = form::rowLabel(tr("Last Checked"));
    form::addRow(section, label, value);
    lastChecked_->setAccessibleName(tr("Last Checked"));

    connect(&updates, &Updates::lastCheckChanged, this, &UpdatesSection::showLastCheck);
    showLastCheck();
}

QString UpdatesSection::lastCheckedText(const QDateTime& date, const QDateTime& now)
{
    // Spelled out in English rather than with "%n", whose plural forms need a translation
    // file even for English.
    const auto ago = [](qint64 count, const QString& one, const QString& many) {
        return count == 1 ? one : many.arg(count);
    };
    if (!date.isValid()) return tr("Never");
    const qint64 seconds = date.secsTo(now);
    if (seconds < 0) return tr("in the future");
    if (seconds < 60) return tr("just now");
    if (seconds < 3600) return ago(seconds / 60, tr("1 minute ago"), tr("%1 minutes ago"));
    const qint64 days = date.date().daysTo(now.date());
    if (days == 0) return ago(seconds / 3600, tr("1 hour ago"), tr("%1 hours ago"));
    if (days == 1) return tr("yesterday");
    if (days < 7) return tr("%1 days ago").arg(days);
    if (days < 14) return tr("last week");
    if (days < 31) return tr("%1 weeks ago").arg(days / 7);
    const int months = (now.date().year() - date.date().year()) * 12 + now.date().month() - date.date().month();
    if (months <= 1) return tr("last month");
    if (months < 12) return tr("%1 months ago").arg(months);
    const int years = months / 12;
    return years == 1 ? tr("last year") : tr("%1 years ago").arg(years);
}

void UpdatesSection::showEvent(QShowEvent* event)
{
    if (updates_.controller() != nullptr) updates_.refreshLastCheck();
    showLastCheck();
    QWidget::showEvent(event);
}

void UpdatesSection::showLastCheck()
{
    if (lastChecked_ == nullptr) return;
    lastChecked_->setText(lastCheckedText(updates_.lastCheckOrNull(), now_()));
}

} // namespace rimglider
