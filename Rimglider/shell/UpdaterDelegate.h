// What the updater asks of the application at every check: where the feed is and which
// release channels the user allows. No state of its own: both are read from the settings
// store each time, so a change takes effect at the next check without restarting anything.
#pragma once

#include <QSet>
#include <QSettings>
#include <QString>
#include <QUrl>

#include <optional>

namespace rimglider {

class UpdaterDelegate {
  public:
    UpdaterDelegate(QSettings& store, QString buildFeedURL);

    // Updates::feedURL over this store and build-time address.
    [[nodiscard]] std::optional<QUrl> feedURL() const;
    // {"beta"} while "includeBetaUpdates" is true, else none.
    [[nodiscard]] QSet<QString> allowedChannels() const;

  private:
    QSettings& store_;
    QString buildFeedURL_;
};

} // namespace rimglider
