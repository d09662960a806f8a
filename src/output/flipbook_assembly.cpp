// Turning the converter's page files into the finished book: page list, pages, templates.
#include "output/flipbook_assembly.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "geometry/page_geometry.h"

namespace {

constexpr int minimumPageDigits = 4;
constexpr qint64 copyChunkBytes = qint64(1) << 20;
const char* const templateNames[] = {"index.html", "book.swf", "swfobject.js"};

bool isAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Regular files only, in code-unit order of their names: after padding that is page order.
QStringList listPageFiles(const QString& tmpFolder) {
    QStringList names = QDir(tmpFolder).entryList(QDir::Files | QDir::NoSymLinks, QDir::NoSort);
    std::sort(names.begin(), names.end());
    return names;
}

// A name the conversion pattern can give a page: its text before and after the %, with at least
// one character in between.
bool isConverterPageName(const OutputFolder& folder, const QString& name) {
    const QString pattern = QFileInfo(folder.conversionPattern).fileName();
    const qsizetype percent = pattern.indexOf(u'%');
    return name.size() >= pattern.size() && name.startsWith(pattern.left(percent)) &&
           name.endsWith(pattern.mid(percent + 1));
}

QStringList converterPageFiles(const OutputFolder& folder) {
    QStringList names = listPageFiles(folder.tmpFolder);
    names.removeIf([&folder](const QString& name) { return !isConverterPageName(folder, name); });
    return names;
}

// Fails with EEXIST rather than replace `to`, so two pages that pad to one name both survive.
bool renameWithoutReplacing(const QString& from, const QString& to) {
    const QByteArray fromPath = QFile::encodeName(from);
    const QByteArray toPath = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, fromPath.constData(), AT_FDCWD, toPath.constData(),
                    RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return false;
    }
    // File systems without the no-replace flag: link() refuses an existing name too.
    if (::link(fromPath.constData(), toPath.constData()) != 0) {
        return false;
    }
    ::unlink(fromPath.constData());
    return true;
}

void padPageNumbers(const QString& tmpFolder) {
    for (const QString& name : listPageFiles(tmpFolder)) {
        const QString padded = paddedPageName(name);
        if (padded != name) {
            // A name already taken keeps the file under its old name; it still becomes a page.
            renameWithoutReplacing(tmpFolder + u'/' + name, tmpFolder + u'/' + padded);
        }
    }
}

// Writes beside `to` and renames over it, so the older file stays whole until the copy is.
QString copyReplacing(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        return source.errorString();
    }
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly)) {
        return target.errorString();
    }
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(copyChunkBytes);
        if (chunk.isEmpty() || target.write(chunk) != chunk.size()) {
            target.cancelWriting();
            return source.error() != QFileDevice::NoError ? source.errorString()
                                                          : target.errorString();
        }
    }
    return target.commit() ? QString() : target.errorString();
}

// Gives the reason when the page could not be moved; then it is still in tmp.
QString movePage(const QString& from, const QString& to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) {
        return {};
    }
    // Another file system (data may be a link elsewhere), or a target in the way.
    QString copyError = copyReplacing(from, to);
    if (copyError.isEmpty()) {
        QFile::remove(from);
    }
    return copyError;
}

struct MovedPages {
    QStringList names;
    int failures = 0;
    QString firstFailure;
};

MovedPages movePagesIntoData(const OutputFolder& folder) {
    MovedPages moved;
    for (const QString& name : listPageFiles(folder.tmpFolder)) {
        const QString error =
            movePage(folder.tmpFolder + u'/' + name, folder.dataFolder + u'/' + name);
        if (error.isEmpty()) {
            moved.names.append(name);
        } else if (moved.failures++ == 0) {
            moved.firstFailure = name + QStringLiteral(": ") + error;
        }
    }
    return moved;
}

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

// Returns the reason a template that exists could not be copied; existing targets stay as they are.
QString copyTemplate(const QString& programFolder, const QString& outputRoot, const char* name) {
    const QString source = programFolder + u'/' + QLatin1StringView(name);
    const QString target = outputRoot + u'/' + QLatin1StringView(name);
    if (!QFileInfo::exists(source) || QFileInfo(target).exists() || QFileInfo(target).isSymLink()) {
        return {};
    }
    QFile file(source);
    return file.copy(target) ? QString() : file.errorString();
}

QString copyTemplates(const QString& programFolder, const QString& outputRoot) {
    for (const char* name : templateNames) {
        const QString error = copyTemplate(programFolder, outputRoot, name);
        if (!error.isEmpty()) {
            return QStringLiteral("cannot copy %1 into %2: %3")
                .arg(QLatin1StringView(name), outputRoot, error);
        }
    }
    return {};
}

QString pageMoveFailure(const OutputFolder& folder, const MovedPages& moved) {
    return QStringLiteral("could not move %1 page file(s) into %2, they stay in %3 (first: %4)")
        .arg(moved.failures)
        .arg(folder.dataFolder, folder.tmpFolder, moved.firstFailure);
}

QString pageListFailure(const OutputFolder& folder, const QString& reason) {
    return QStringLiteral("cannot write the page list %1: %2").arg(folder.pageListPath, reason);
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

QString paddedPageName(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const qsizetype baseLength = dot < 0 ? fileName.size() : dot;
    const QStringView base = QStringView(fileName).left(baseLength);
    const auto firstDigit = std::find_if(base.begin(), base.end(), isAsciiDigit);
    if (firstDigit == base.end()) {
        return fileName;
    }
    const auto digitsEnd = std::find_if_not(firstDigit, base.end(), isAsciiDigit);
    // Read as text, not as an int: leading zeros go, and no page number can overflow.
    QString number = QStringView(firstDigit, digitsEnd).toString();
    while (number.size() > 1 && number.front() == u'0') {
        number.remove(0, 1);
    }
    const QString prefix = QStringView(base.begin(), firstDigit).toString();
    return prefix + number.rightJustified(minimumPageDigits, u'0') + fileName.mid(baseLength);
}

QByteArray pageListDocument(const FlipbookSettings& settings, const QStringList& pageNames) {
    QString text = headLine(settings);
    for (const QString& name : pageNames) {
        text += QStringLiteral("<page src='data/") + xmlEscaped(name) + QStringLiteral("'/>\n");
    }
    text += QStringLiteral("</content>");
    return text.toLocal8Bit();
}

// Only files the converter could have written go: a folder named tmp may hold the user's own
// files when the book is made in a folder they already use.
void removeStalePages(const OutputFolder& folder) {
    QDir tmp(folder.tmpFolder);
    for (const QString& name : converterPageFiles(folder)) {
        tmp.remove(name);
    }
}

// Other files in tmp are no sign that the converter wrote anything.
bool hasPageFiles(const OutputFolder& folder) {
    return !converterPageFiles(folder).isEmpty();
}

AssemblyOutcome assembleFlipbook(const OutputFolder& folder, FlipbookSettings& settings,
                                 const QString& programFolder) {
    // Opened before any page moves: when the list cannot be written, the older book stays whole.
    QSaveFile pageList(folder.pageListPath);
    if (!pageList.open(QIODevice::WriteOnly)) {
        return {false, pageListFailure(folder, pageList.errorString())};
    }
    resolvePageSize(settings);
    padPageNumbers(folder.tmpFolder);
    const MovedPages moved = movePagesIntoData(folder);
    const QByteArray document = pageListDocument(settings, moved.names);
    if (pageList.write(document) != document.size() || !pageList.commit()) {
        return {false, pageListFailure(folder, pageList.errorString())};
    }
    const QString templateError = copyTemplates(programFolder, folder.root);
    QDir().rmdir(folder.tmpFolder);
    if (moved.failures > 0) {
        return {false, pageMoveFailure(folder, moved)};
    }
    if (!templateError.isEmpty()) {
        return {false, templateError};
    }
    return {};
}
