// The page list document: the book's settings in its head line, then one line per page.
#include "output/flipbook_assembly.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>

namespace {

QString attribute(const char* name, const QString& value) {
    return QLatin1StringView(name) + QStringLiteral("='") + xmlEscaped(value) +
           QStringLiteral("' ");
}

QString indexAttributes(const std::optional<BookIndexSummary>& index) {
    if (!index) {
        return {};
    }
    QString text =
        attribute("index", QStringLiteral("data/") + QLatin1StringView(kBookIndexFileName));
    if (index->contents) {
        text += attribute("contents", QStringLiteral("true"));
    }
    if (index->search) {
        text += attribute("search", QStringLiteral("true"));
    }
    return text;
}

QString headLine(const FlipbookSettings& settings, const std::optional<BookIndexSummary>& index) {
    return QStringLiteral("<content ") + attribute("width", settings.pageWidth) +
           attribute("height", settings.pageHeight) +
           attribute("buttoncolor", settings.buttonColor) +
           attribute("panelcolor", settings.panelColor) +
           attribute("textcolor", settings.textColor) +
           attribute("backgroundcolor", settings.backgroundColor) +
           attribute("hcover", settings.hardCover) + indexAttributes(index) +
           QStringLiteral("gotolabel='Go to'>\n");
}

// Characters XML 1.0 cannot carry even as entities are dropped from a label.
QString xmlSafeLabel(const QString& label) {
    QString safe;
    for (const QChar c : label) {
        if (c.unicode() >= 0x20 || c == u'\t') {
            safe += c;
        }
    }
    return safe.toUtf8().size() <= 256 ? safe : QString();
}

QStringList readLabels(const QJsonValue& value, qsizetype pageCount) {
    const QJsonArray array = value.toArray();
    QStringList labels;
    if (array.size() != pageCount) {
        return labels;
    }
    for (const auto& label : array) {
        labels.append(xmlSafeLabel(label.toString()));
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
    return summary;
}

QByteArray pageListDocument(const FlipbookSettings& settings, const QStringList& pageNames,
                            const std::optional<BookIndexSummary>& index) {
    QString text = headLine(settings, index);
    const bool labelled = index && index->labels.size() == pageNames.size();
    for (qsizetype i = 0; i < pageNames.size(); ++i) {
        text += QStringLiteral("<page src='data/") + xmlEscaped(pageNames[i]) + u'\'';
        if (labelled) {
            text += QStringLiteral(" label='") + xmlEscaped(index->labels[i]) + u'\'';
        }
        text += QStringLiteral("/>\n");
    }
    text += QStringLiteral("</content>");
    return text.toUtf8();
}
