// The About tab's "Updates" section: the updater's two settings, when it last checked and
// Check Now; a single line when this build has no update feed.
#pragma once

#include <QDateTime>
#include <QWidget>

#include <functional>

class QLabel;

namespace rimglider {

class Updates;

class UpdatesSection : public QWidget {
    Q_OBJECT

  public:
    using Clock = std::function<QDateTime()>;

    // `feedConfigured` decides which of the two forms shows; `now` dates "Last Checked".
    UpdatesSection(Updates& updates, bool feedConfigured, Clock now = {}, QWidget* parent = nullptr);

    // `date` relative to `now` in words ("yesterday", "3 hours ago"); "Never" for a null date.
    static QString lastCheckedText(const QDateTime& date, const QDateTime& now);

  protected:
    // Takes over the updater's own record of its last check.
    void showEvent(QShowEvent* event) override;

  private:
    void showLastCheck();

    Updates& updates_;
    Clock now_;
    QLabel* lastChecked_ = nullptr;
};

} // namespace rimglider
