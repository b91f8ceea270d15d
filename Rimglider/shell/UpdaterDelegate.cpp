#include "UpdaterDelegate.h"

#include "Updates.h"

#include <utility>

namespace rimglider {

UpdaterDelegate::UpdaterDelegate(QSettings& store, QString buildFeedURL)
    : store_(store), buildFeedURL_(std::move(buildFeedURL))
{}

std::optional<QUrl> UpdaterDelegate::feedURL() const
{
    return Updates::feedURL(store_, buildFeedURL_);
}

QSet<QString> UpdaterDelegate::allowedChannels() const
{
    if (store_.value(Updates::includeBetaUpdatesKey, false).toBool()) return {QStringLiteral("beta")};
    return {};
}

} // namespace rimglider
