// A Sparkle-format appcast: an RSS 2.0 feed whose items carry Sparkle's version, channel and
// release-notes elements. Only what the updater needs to tell the user about a newer version
// is read; downloads, signatures and deltas are not ours to handle.
#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

namespace rimglider {

class Appcast {
  public:
    static inline const QString sparkleNamespace =
        QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

    struct Item {
        QString title;
        QString version;            // sparkle:version: the build number, compared with the running build
        QString shortVersionString; // for people; empty when the feed gives none
        QString channel;            // empty: for everyone
        QUrl link;                  // <link>
        QUrl releaseNotesLink;      // sparkle:releaseNotesLink

        // What people are told: the short version when there is one, else the version.
        [[nodiscard]] QString displayVersion() const;
        // The page the user is sent to: the item's link, else its release notes; only http(s).
        [[nodiscard]] QUrl page() const;
    };

    // The items of `xml`, in feed order; items with neither version are left out, as Sparkle
    // ignores them. Absent when the text is not well-formed XML or not an RSS feed; `error`
    // then says why, in words for the settings window.
    static std::optional<Appcast> parse(const QByteArray& xml, QString* error = nullptr);

    // Sparkle's standard comparison: digit runs compare as numbers (0.10 > 0.9), letter runs
    // as text, and a version that goes on with letters is older than the one it extends
    // (1.0b1 < 1.0), one that goes on with numbers newer (1.0.1 > 1.0); trailing zero
    // components do not count (1.0 == 1.0.0). Negative, zero or positive as a < b, ==, >.
    static int compareVersions(const QString& a, const QString& b);

    // The newest item newer than the running one whose channel is empty or in `allowedChannels`.
    // As in Sparkle, an item's sparkle:version is compared with the build number; only an item
    // without one is compared by its short version with `currentShortVersion`.
    [[nodiscard]] std::optional<Item> newestUpdate(const QString& currentBuild, const QString& currentShortVersion,
                                                   const QSet<QString>& allowedChannels) const;

    [[nodiscard]] const std::vector<Item>& items() const { return items_; }

  private:
    std::vector<Item> items_;
};

} // namespace rimglider
