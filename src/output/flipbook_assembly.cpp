// The page list document: the book's settings in its head line, then one line per page.
#include "output/flipbook_assembly.h"

namespace {

QString attribute(const char* name, const QString& value) {
    return QLatin1StringView(name) + QStringLiteral("='") + xmlEscaped(value) +
           QStringLiteral("' ");
}

QString headLine(const FlipbookSettings& settings) {
    return QStringLiteral("<content ") + attribute("width", settings.pageWidth) +
           attribute("height", settings.pageHeight) +
           attribute("buttoncolor", settings.buttonColor) +
           attribute("panelcolor", settings.panelColor) +
           attribute("textcolor", settings.textColor) +
           attribute("backgroundcolor", settings.backgroundColor) +
           attribute("hcover", settings.hardCover) + QStringLiteral("gotolabel='Go to'>\n");
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

QByteArray pageListDocument(const FlipbookSettings& settings, const QStringList& pageNames) {
    QString text = headLine(settings);
    for (const QString& name : pageNames) {
        text += QStringLiteral("<page src='data/") + xmlEscaped(name) + QStringLiteral("'/>\n");
    }
    text += QStringLiteral("</content>");
    return text.toLocal8Bit();
}
