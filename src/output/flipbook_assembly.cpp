// The page list document: the book's settings in its head line, then one line per page.
#include "output/flipbook_assembly.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>

#include <algorithm>

#include "shared/book_names.h"

namespace {

QString attribute(const char* name, const QString& value) {
    return QLatin1StringView(name) + QStringLiteral("='") + xmlEscaped(value) +
           QStringLiteral("' ");
}

// A path in the page list: relative to index.html, so inside data.
QString dataPath(const QString& fileName) {
    return QString::fromLatin1(shared::kDataFolder) + u'/' + fileName;
}

QString indexAttributes(const std::optional<BookIndexSummary>& index) {
    if (!index) {
        return {};
    }
    QString text =
        attribute(shared::kIndexAttribute, dataPath(QLatin1StringView(shared::kBookIndexFile)));
    if (index->contents) {
        text += attribute(shared::kContentsAttribute, QStringLiteral("true"));
    }
    if (index->search) {
        text += attribute(shared::kSearchAttribute, QStringLiteral("true"));
    }
    if (!index->title.isEmpty()) {
        text += attribute(shared::kTitleAttribute, index->title);
    }
    if (!index->language.isEmpty()) {
        text += attribute(shared::kLanguageAttribute, index->language);
    }
    if (!index->textVersion.isEmpty()) {
        text += attribute(shared::kTextVersionAttribute, index->textVersion);
    }
    return text;
}

QString readerAttributes(const FlipbookSettings& settings,
                         const std::optional<BookIndexSummary>& index) {
    QString text;
    if (readsRightToLeft(settings, index)) {
        text += attribute(shared::kDirectionAttribute, QStringLiteral("rtl"));
    }
    if (settings.download) {
        text += attribute(shared::kDownloadAttribute,
                          dataPath(QLatin1StringView(shared::kBookPdfFile)));
    }
    if (!settings.player.isEmpty()) {
        text += attribute(shared::kPlayerAttribute, settings.player);
    }
    return text;
}

QString headLine(const FlipbookSettings& settings, const std::optional<BookIndexSummary>& index) {
    return QStringLiteral("<") + QLatin1StringView(shared::kContentElement) + u' ' +
           attribute(shared::kWidthAttribute, settings.pageWidth) +
           attribute(shared::kHeightAttribute, settings.pageHeight) +
           attribute(shared::kButtonColorAttribute, settings.buttonColor) +
           attribute(shared::kPanelColorAttribute, settings.panelColor) +
           attribute(shared::kTextColorAttribute, settings.textColor) +
           attribute(shared::kBackgroundColorAttribute, settings.backgroundColor) +
           attribute(shared::kHardCoverAttribute, settings.hardCover) +
           readerAttributes(settings, index) + indexAttributes(index) +
           QLatin1StringView(shared::kGotoLabelAttribute) + QStringLiteral("='Go to'>\n");
}

constexpr qsizetype kMaxLabelBytes = 256;
constexpr qsizetype kMaxTitleBytes = 1024;

// Characters XML 1.0 cannot carry even as entities are dropped; text past `maxBytes` is none.
QString xmlSafeText(const QString& text, qsizetype maxBytes) {
    QString safe;
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 || c == u'\t') {
            safe += c;
        }
    }
    return safe.toUtf8().size() <= maxBytes ? safe : QString();
}

QStringList readLabels(const QJsonValue& value, qsizetype pageCount) {
    const QJsonArray array = value.toArray();
    QStringList labels;
    if (array.size() != pageCount) {
        return labels;
    }
    for (const auto& label : array) {
        labels.append(xmlSafeText(label.toString(), kMaxLabelBytes));
    }
    return labels;
}

bool anyPageHasWords(const QJsonValue& text) {
    const QJsonArray pages = text.toArray();
    return std::any_of(pages.begin(), pages.end(), [](const QJsonValue& page) {
        return !page.toObject().value(QStringLiteral("words")).toArray().isEmpty();
    });
}

}  // namespace

QString xmlEscaped(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case u'&':
                escaped += QStringLiteral("&amp;");
                break;
            case u'<':
                escaped += QStringLiteral("&lt;");
                break;
            case u'>':
                escaped += QStringLiteral("&gt;");
                break;
            case u'\'':
                escaped += QStringLiteral("&apos;");
                break;
            case u'"':
                escaped += QStringLiteral("&quot;");
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::optional<BookIndexSummary> summarizeBookIndex(const QByteArray& json, qsizetype pageCount,
                                                   QString& problem) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    const QJsonObject root = document.object();
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        problem = error.error != QJsonParseError::NoError ? error.errorString()
                                                          : QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    if (root.value(QStringLiteral("version")).toInt() != 1) {
        problem = QStringLiteral("unknown version");
        return std::nullopt;
    }
    BookIndexSummary summary;
    summary.labels = readLabels(root.value(QStringLiteral("labels")), pageCount);
    summary.contents = !root.value(QStringLiteral("outline")).toArray().isEmpty();
    summary.search = anyPageHasWords(root.value(QStringLiteral("text")));
    summary.title = xmlSafeText(root.value(QStringLiteral("title")).toString(), kMaxTitleBytes);
    const QString language = root.value(QStringLiteral("lang")).toString();
    static const QRegularExpression kLanguageTag(
        QStringLiteral("^[A-Za-z]{2,8}(-[A-Za-z0-9]{1,8})*$"));
    summary.language = kLanguageTag.match(language).hasMatch() ? language : QString();
    summary.rightToLeft = root.value(QStringLiteral("direction")).toString() == u"rtl";
    return summary;
}

bool readsRightToLeft(const FlipbookSettings& settings,
                      const std::optional<BookIndexSummary>& index) {
    if (!settings.direction.isEmpty()) {
        return settings.direction == u"rtl";
    }
    return index && index->rightToLeft;
}

QByteArray pageListDocument(const FlipbookSettings& settings, const QStringList& pageNames,
                            const std::optional<BookIndexSummary>& index) {
    QString text = headLine(settings, index);
    const bool labelled = index && index->labels.size() == pageNames.size();
    for (qsizetype i = 0; i < pageNames.size(); ++i) {
        text += QStringLiteral("<") + QLatin1StringView(shared::kPageElement) + u' ' +
                attribute(shared::kSourceAttribute, dataPath(pageNames[i]));
        if (labelled) {
            text += attribute(shared::kLabelAttribute, index->labels[i]);
        }
        text.chop(1);  // the space after the last attribute
        text += QStringLiteral("/>\n");
    }
    text += QStringLiteral("</") + QLatin1StringView(shared::kContentElement) + u'>';
    return text.toUtf8();
}
