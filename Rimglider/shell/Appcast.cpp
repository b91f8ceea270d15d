#include "Appcast.h"

#include "Log.h"

#include <QCoreApplication>
#include <QXmlStreamReader>

namespace rimglider {

namespace {

struct VersionPart {
    bool isNumber = false;
    QStringView text;
};

// Digit runs and letter runs; periods, white space and punctuation only separate them.
std::vector<VersionPart> splitVersion(QStringView version)
{
    std::vector<VersionPart> parts;
    qsizetype start = -1;
    bool inNumber = false;
    auto close = [&](qsizetype end) {
        if (start >= 0) parts.push_back({inNumber, version.mid(start, end - start)});
        start = -1;
    };
    for (qsizetype i = 0; i < version.size(); ++i) {
        const QChar c = version[i];
        const bool separator = c == u'.' || c.isSpace() || c.isPunct();
        if (separator) {
            close(i);
            continue;
        }
        const bool digit = c.isDigit();
        if (start >= 0 && digit != inNumber) close(i);
        if (start < 0) {
            start = i;
            inNumber = digit;
        }
    }
    close(version.size());
    return parts;
}

// Digit runs of any length, without converting (a version may hold a date or a long build).
int compareNumbers(QStringView a, QStringView b)
{
    auto trimmed = [](QStringView s) {
        while (s.size() > 1 && s.front() == u'0')
            s = s.mid(1);
        return s;
    };
    a = trimmed(a);
    b = trimmed(b);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

bool isZero(const VersionPart& part)
{
    return part.isNumber && compareNumbers(part.text, u"0") == 0;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// A page the notification may open: https only, so a feed cannot send the user to a plain-text
// page another party could change on the way, nor to a local file or another program.
QUrl webUrl(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (url.isValid() && !url.host().isEmpty() && url.scheme().toLower() == u"https") return url;
    if (text.trimmed().isEmpty()) return {};
    static const Log* log = new Log("updates");
    log->error("Ignoring the update feed's link \"" + text.trimmed().left(200).toStdString() +
               "\": only https: pages are opened");
    return {};
}

// The reader's error as a sentence of its own.
QString sentence(const QXmlStreamReader& xml)
{
    QString text = xml.errorString();
    return text.endsWith(u'.') ? text : text + u'.';
}

Appcast::Item readItem(QXmlStreamReader& xml)
{
    Appcast::Item item;
    QString enclosureVersion;
    QString enclosureShortVersion;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (xml.namespaceUri() == Appcast::sparkleNamespace) {
            if (name == u"version")
                item.version = xml.readElementText().trimmed();
            else if (name == u"shortVersionString")
                item.shortVersionString = xml.readElementText().trimmed();
            else if (name == u"channel")
                item.channel = xml.readElementText().trimmed();
            else if (name == u"releaseNotesLink")
                item.releaseNotesLink = webUrl(xml.readElementText());
            else
                xml.skipCurrentElement();
        } else if (xml.namespaceUri().isEmpty() && name == u"title") {
            item.title = xml.readElementText().trimmed();
        } else if (xml.namespaceUri().isEmpty() && name == u"link") {
            item.link = webUrl(xml.readElementText());
        } else if (xml.namespaceUri().isEmpty() && name == u"enclosure") {
            const auto attributes = xml.attributes();
            enclosureVersion =
                attributes.value(Appcast::sparkleNamespace, QStringLiteral("version")).toString().trimmed();
            enclosureShortVersion =
                attributes.value(Appcast::sparkleNamespace, QStringLiteral("shortVersionString")).toString().trimmed();
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
    // The item's own elements win over the enclosure's attributes, as in Sparkle.
    if (item.version.isEmpty()) item.version = enclosureVersion;
    if (item.shortVersionString.isEmpty()) item.shortVersionString = enclosureShortVersion;
    return item;
}

} // namespace

QString Appcast::Item::displayVersion() const
{
    return shortVersionString.isEmpty() ? version : shortVersionString;
}

QUrl Appcast::Item::page() const
{
    return link.isValid() ? link : releaseNotesLink;
}

std::optional<Appcast> Appcast::parse(const QByteArray& data, QString* error)
{
    auto fail = [error](const QString& why) -> std::optional<Appcast> {
        if (error) *error = why;
        return std::nullopt;
    };
    QXmlStreamReader xml(data);
    Appcast appcast;
    bool sawChannel = false;
    if (!xml.readNextStartElement() || xml.name() != u"rss" || !xml.namespaceUri().isEmpty()) {
        if (xml.hasError())
            return fail(QCoreApplication::translate("rimglider::Appcast", "The update feed is not valid XML: %1")
                            .arg(sentence(xml)));
        return fail(QCoreApplication::translate("rimglider::Appcast", "The update feed is not an RSS feed."));
    }
    while (xml.readNextStartElement()) {
        if (xml.name() != u"channel" || !xml.namespaceUri().isEmpty()) {
            xml.skipCurrentElement();
            continue;
        }
        sawChannel = true;
        while (xml.readNextStartElement()) {
            if (xml.name() == u"item" && xml.namespaceUri().isEmpty()) {
                Item item = readItem(xml);
                if (!item.version.isEmpty() || !item.shortVersionString.isEmpty())
                    appcast.items_.push_back(std::move(item));
            } else {
                xml.skipCurrentElement();
            }
        }
    }
    // Whatever follows the root element must still be well-formed (a truncated or spliced
    // feed is not trusted for any of its items).
    while (!xml.atEnd() && !xml.hasError())
        xml.readNext();
    if (xml.hasError())
        return fail(QCoreApplication::translate("rimglider::Appcast", "The update feed is not valid XML (line %1): %2")
                        .arg(xml.lineNumber())
                        .arg(sentence(xml)));
    if (!sawChannel) return fail(QCoreApplication::translate("rimglider::Appcast", "The update feed has no channel."));
    return appcast;
}

int Appcast::compareVersions(const QString& a, const QString& b)
{
    const auto partsA = splitVersion(a);
    const auto partsB = splitVersion(b);
    const std::size_t common = std::min(partsA.size(), partsB.size());
    for (std::size_t i = 0; i < common; ++i) {
        const VersionPart& x = partsA[i];
        const VersionPart& y = partsB[i];
        if (x.isNumber != y.isNumber) return x.isNumber ? 1 : -1; // 1.0.1 > 1.0.b
        const int order = x.isNumber ? compareNumbers(x.text, y.text) : sign(x.text.compare(y.text));
        if (order != 0) return order;
    }
    // The longer one goes on: letters make it a pre-release of the shorter, a non-zero number
    // a later release; zeros alone change nothing.
    const bool aLonger = partsA.size() > partsB.size();
    const auto& longer = aLonger ? partsA : partsB;
    for (std::size_t i = common; i < longer.size(); ++i) {
        if (isZero(longer[i])) continue;
        const int longerIsNewer = longer[i].isNumber ? 1 : -1;
        return aLonger ? longerIsNewer : -longerIsNewer;
    }
    return 0;
}

std::optional<Appcast::Item> Appcast::newestUpdate(const QString& currentBuild, const QString& currentShortVersion,
                                                   const QSet<QString>& allowedChannels) const
{
    const auto isNewer = [](const Item& a, const Item& b) {
        if (!a.version.isEmpty() && !b.version.isEmpty()) return compareVersions(a.version, b.version) > 0;
        return compareVersions(a.displayVersion(), b.displayVersion()) > 0;
    };
    std::optional<Item> newest;
    for (const Item& item : items_) {
        if (!item.channel.isEmpty() && !allowedChannels.contains(item.channel)) continue;
        const int order = item.version.isEmpty() ? compareVersions(item.shortVersionString, currentShortVersion)
                                                 : compareVersions(item.version, currentBuild);
        if (order <= 0) continue;
        if (!newest || isNewer(item, *newest)) newest = item;
    }
    return newest;
}

} // namespace rimglider
