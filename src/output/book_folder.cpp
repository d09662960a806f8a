// The output folder as the tool touches it: through directory descriptors, never through a
// symbolic link, under one lock per book, with the new book swapped in as a whole.
#include "output/book_folder.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "shared/book_names.h"

namespace {

constexpr char kTmpName[] = "tmp";
constexpr char kRunPrefix[] = ".quavelin-run-";
constexpr char kNewDataPrefix[] = ".quavelin-data-new-";
const char* const kTemplateNames[] = {"index.html", "book.swf", "swfobject.js"};
constexpr char kPlayerFolderName[] = "ruffle";
constexpr char kNewPlayerPrefix[] = ".quavelin-ruffle-new-";

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray ownName(const char* prefix) {
    return QByteArray(prefix) + QByteArray::number(qint64(::getpid()));
}

// Kind of an entry as it is, links not followed; 0 when it does not exist.
mode_t entryKind(int atFd, const QByteArray& name) {
    struct stat info {};
    if (::fstatat(atFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return 0;
    }
    return info.st_mode & S_IFMT;
}

// Names in a folder, "." and ".." left out.
std::vector<QByteArray> folderEntries(int folderFd) {
    std::vector<QByteArray> names;
    const int listFd = ::dup(folderFd);
    DIR* folder = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (folder == nullptr) {
        if (listFd >= 0) {
            ::close(listFd);
        }
        return names;
    }
    ::rewinddir(folder);
    while (const dirent* entry = ::readdir(folder)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(folder);
    return names;
}

// Only for folders this run made: what is inside is removed, links themselves and not their
// targets.
void removeTree(int atFd, const QByteArray& name) {
    if (const UniqueFd folder = openFolderAt(atFd, name); folder.isOpen()) {
        for (const QByteArray& entry : folderEntries(folder.fd)) {
            if (entryKind(folder.fd, entry) == S_IFDIR) {
                removeTree(folder.fd, entry);
            } else {
                ::unlinkat(folder.fd, entry.constData(), 0);
            }
        }
    }
    ::unlinkat(atFd, name.constData(), AT_REMOVEDIR);
}

QByteArray pageNumberOf(const QByteArray& name) {
    QByteArray digits = name.mid(4, name.size() - 8);
    while (digits.size() > 1 && digits.front() == '0') {
        digits.remove(0, 1);
    }
    return digits;
}

// Numbers as text: a shorter number is smaller, equal lengths compare digit by digit.
bool comesBefore(const PageFile& a, const PageFile& b) {
    if (a.number.size() != b.number.size()) {
        return a.number.size() < b.number.size();
    }
    return a.number != b.number ? a.number < b.number : a.name < b.name;
}

// Empty when all of it was written, else why not.
QString writeBytes(int fd, const char* data, qsizetype size) {
    qsizetype written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return systemError();
        }
        written += n;
    }
    return {};
}

QString writeAllAt(int atFd, const QByteArray& name, const QByteArray& bytes) {
    const UniqueFd file(::openat(atFd, name.constData(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!file.isOpen()) {
        return systemError();
    }
    if (QString error = writeBytes(file.fd, bytes.constData(), bytes.size()); !error.isEmpty()) {
        return error;
    }
    return ::fsync(file.fd) == 0 ? QString() : systemError();
}

QString readAllAt(int atFd, const QByteArray& name, QByteArray& bytes);

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (fd >= 0) {
            ::close(fd);
        }
        fd = other.fd;
        other.fd = -1;
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    if (fd >= 0) {
        ::close(fd);
    }
}

UniqueFd openFolderAt(int atFd, const QByteArray& name) {
    return UniqueFd(
        ::openat(atFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

BookLock lockBook(int rootFd) {
    BookLock lock;
    lock.file =
        UniqueFd(::openat(rootFd, kLockFileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!lock.file.isOpen()) {
        lock.error = systemError();
    } else if (::flock(lock.file.fd, LOCK_EX | LOCK_NB) != 0) {
        lock.heldElsewhere = errno == EWOULDBLOCK;
        lock.error = systemError();
        lock.file = UniqueFd();
    }
    return lock;
}

QString linkInTheWay(int rootFd) {
    for (const char* name : {shared::kDataFolder, kTmpName}) {
        if (entryKind(rootFd, name) == S_IFLNK) {
            return QString::fromLatin1(name);
        }
    }
    const UniqueFd data = openFolderAt(rootFd, shared::kDataFolder);
    if (!data.isOpen()) {
        return {};
    }
    for (const QByteArray& entry : folderEntries(data.fd)) {
        if ((entry == shared::kPageListFile || isPageFileName(entry) || isBookFileName(entry)) &&
            entryKind(data.fd, entry) == S_IFLNK) {
            return QStringLiteral("data/") + QFile::decodeName(entry);
        }
    }
    return {};
}

namespace {

std::vector<QByteArray> foldersNamed(int folderFd, const char* prefix) {
    std::vector<QByteArray> found;
    for (const QByteArray& name : folderEntries(folderFd)) {
        if (name.startsWith(prefix) && entryKind(folderFd, name) == S_IFDIR) {
            found.push_back(name);
        }
    }
    return found;
}

// Killed between the exchange and the carrying over, the user's folders are still in the old
// data; before the exchange, data itself already holds everything of theirs.
void moveBackUsersFiles(int staleFd, int dataFd) {
    for (const QByteArray& name : folderEntries(staleFd)) {
        if (name != shared::kPageListFile && !isPageFileName(name) && !isBookFileName(name) &&
            entryKind(dataFd, name) == 0) {
            ::renameat(staleFd, name.constData(), dataFd, name.constData());
        }
    }
}

}  // namespace

void removeLeftovers(int rootFd) {
    if (const UniqueFd tmp = openFolderAt(rootFd, kTmpName); tmp.isOpen()) {
        for (const QByteArray& name : foldersNamed(tmp.fd, kRunPrefix)) {
            removeTree(tmp.fd, name);
        }
        ::unlinkat(rootFd, kTmpName, AT_REMOVEDIR);
    }
    // A half-copied player folder never got its real name; nothing of the user's is in it.
    for (const QByteArray& name : foldersNamed(rootFd, kNewPlayerPrefix)) {
        removeTree(rootFd, name);
    }
    const UniqueFd data = openFolderAt(rootFd, shared::kDataFolder);
    for (const QByteArray& name : foldersNamed(rootFd, kNewDataPrefix)) {
        if (const UniqueFd stale = openFolderAt(rootFd, name); stale.isOpen() && data.isOpen()) {
            moveBackUsersFiles(stale.fd, data.fd);
        }
        removeTree(rootFd, name);
    }
}

WorkArea::~WorkArea() {
    if (run.isOpen()) {
        run = UniqueFd();
        removeTree(tmp.fd, runName);
    }
    // Fails, as it should, while anything of the user's is in tmp.
    if (tmp.isOpen()) {
        tmp = UniqueFd();
        ::unlinkat(rootFd, kTmpName, AT_REMOVEDIR);
    }
}

QString makeWorkArea(int rootFd, WorkArea& area) {
    area.rootFd = rootFd;
    area.madeTmp = ::mkdirat(rootFd, kTmpName, 0755) == 0;
    area.tmp = openFolderAt(rootFd, kTmpName);
    if (!area.tmp.isOpen()) {
        return QStringLiteral("cannot use the folder tmp: %1").arg(systemError());
    }
    area.runName = ownName(kRunPrefix);
    // A folder of that name is the leftover of a killed run that had this process id.
    removeTree(area.tmp.fd, area.runName);
    if (::mkdirat(area.tmp.fd, area.runName.constData(), 0755) != 0) {
        return QStringLiteral("cannot make a work folder in tmp: %1").arg(systemError());
    }
    area.run = openFolderAt(area.tmp.fd, area.runName);
    return area.run.isOpen() ? QString() : systemError();
}

bool isPageFileName(const QByteArray& name) {
    const qsizetype prefix = qsizetype(std::strlen(shared::kPageFilePrefix));
    const qsizetype suffix = qsizetype(std::strlen(shared::kPageFileSuffix));
    if (name.size() <= prefix + suffix || !name.startsWith(shared::kPageFilePrefix) ||
        !name.endsWith(shared::kPageFileSuffix)) {
        return false;
    }
    const QByteArray digits = name.mid(prefix, name.size() - prefix - suffix);
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isBookFileName(const QByteArray& name) {
    return std::any_of(std::begin(shared::kBookFiles), std::end(shared::kBookFiles),
                       [&name](const char* bookName) { return name == bookName; });
}

QString readSmallFileAt(int folderFd, const QByteArray& name, qint64 maxBytes, QByteArray& bytes) {
    struct stat info {};
    if (::fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return systemError();
    }
    if ((info.st_mode & S_IFMT) != S_IFREG) {
        return QStringLiteral("not a plain file");
    }
    if (info.st_size > maxBytes) {
        return QStringLiteral("larger than %1 bytes").arg(maxBytes);
    }
    return readAllAt(folderFd, name, bytes);
}

QString copyFileInto(const QString& sourcePath, int folderFd, const QByteArray& name) {
    const UniqueFd source(::open(QFile::encodeName(sourcePath).constData(), O_RDONLY | O_CLOEXEC));
    if (!source.isOpen()) {
        return systemError();
    }
    const UniqueFd copy(::openat(folderFd, name.constData(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!copy.isOpen()) {
        return systemError();
    }
    std::vector<char> chunk(qsizetype{1} << 20);
    for (;;) {
        const ssize_t n = ::read(source.fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return systemError();
        }
        if (n == 0) {
            return ::fsync(copy.fd) == 0 ? QString() : systemError();
        }
        if (QString error = writeBytes(copy.fd, chunk.data(), n); !error.isEmpty()) {
            return error;
        }
    }
}

QByteArray paddedPageName(const QByteArray& number) {
    return shared::kPageFilePrefix + number.rightJustified(shared::kPageNumberDigits, '0') +
           shared::kPageFileSuffix;
}

std::vector<PageFile> listPageFiles(int folderFd) {
    std::vector<PageFile> pages;
    for (const QByteArray& name : folderEntries(folderFd)) {
        if (isPageFileName(name) && entryKind(folderFd, name) == S_IFREG) {
            pages.push_back({name, pageNumberOf(name)});
        }
    }
    std::sort(pages.begin(), pages.end(), comesBefore);
    const auto sameNumber = [](const PageFile& a, const PageFile& b) {
        return a.number == b.number;
    };
    pages.erase(std::unique(pages.begin(), pages.end(), sameNumber), pages.end());
    return pages;
}

namespace {

// What one publication made; undone unless the new book was swapped in.
struct Publication {
    int rootFd = -1;
    QByteArray newName;
    std::vector<QByteArray> templatesMade;
    QByteArray playerCopyName;
    bool madePlayerFolder = false;
    bool swapped = false;

    Publication(int root, QByteArray name) : rootFd(root), newName(std::move(name)) {}
    Publication(const Publication&) = delete;
    Publication& operator=(const Publication&) = delete;
    ~Publication() {
        if (swapped) {
            return;
        }
        removeTree(rootFd, newName);
        if (!playerCopyName.isEmpty()) {
            removeTree(rootFd, playerCopyName);
        }
        if (madePlayerFolder) {
            removeTree(rootFd, kPlayerFolderName);
        }
        for (const QByteArray& name : templatesMade) {
            ::unlinkat(rootFd, name.constData(), 0);
        }
    }
};

QString movePages(int runFd, int freshFd, const std::vector<PageFile>& pages) {
    for (const PageFile& page : pages) {
        const QByteArray target = paddedPageName(page.number);
        if (::renameat(runFd, page.name.constData(), freshFd, target.constData()) != 0) {
            return QStringLiteral("cannot move the page file %1 into the new data folder: %2")
                .arg(QFile::decodeName(page.name), systemError());
        }
    }
    for (const char* name : shared::kBookFiles) {
        if (entryKind(runFd, name) == S_IFREG && ::renameat(runFd, name, freshFd, name) != 0) {
            return QStringLiteral("cannot move %1 into the new data folder: %2")
                .arg(QLatin1StringView(name), systemError());
        }
    }
    return {};
}

// Only files: anything else under such a name in the work folder was not the converter's doing.
QString moveBookFiles(int runFd, int freshFd) {
    for (const char* name : shared::kBookFiles) {
        if (entryKind(runFd, name) == S_IFREG && ::renameat(runFd, name, freshFd, name) != 0) {
            return QStringLiteral("cannot move %1 into the new data folder: %2")
                .arg(QLatin1StringView(name), systemError());
        }
    }
    return {};
}

// The user's files in the old data folder get a second name in the new one, so both books stay
// whole until the exchange. Folders, and files that cannot be linked, move after the exchange.
std::vector<QByteArray> linkUsersFiles(int oldFd, int freshFd) {
    std::vector<QByteArray> later;
    if (oldFd < 0) {
        return later;
    }
    for (const QByteArray& name : folderEntries(oldFd)) {
        if (name == shared::kPageListFile || isPageFileName(name) || isBookFileName(name)) {
            continue;
        }
        if (entryKind(oldFd, name) == S_IFDIR ||
            ::linkat(oldFd, name.constData(), freshFd, name.constData(), 0) != 0) {
            later.push_back(name);
        }
    }
    return later;
}

QString copyTemplates(const QString& programFolder, Publication& made) {
    for (const char* name : kTemplateNames) {
        QFile source(programFolder + u'/' + QLatin1StringView(name));
        if (!source.exists() || entryKind(made.rootFd, name) != 0) {
            continue;
        }
        QString error = source.open(QIODevice::ReadOnly) ? QString() : source.errorString();
        if (error.isEmpty()) {
            made.templatesMade.emplace_back(name);
            error = writeAllAt(made.rootFd, name, source.readAll());
        }
        if (!error.isEmpty()) {
            return QStringLiteral("cannot copy %1 into the output folder: %2")
                .arg(QLatin1StringView(name), error);
        }
    }
    return {};
}

QString readAllAt(int atFd, const QByteArray& name, QByteArray& bytes) {
    const UniqueFd file(::openat(atFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file.isOpen()) {
        return systemError();
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return systemError();
        }
        if (n == 0) {
            return {};
        }
        bytes.append(buffer, n);
    }
}

// Plain files and folders only: a link in the program folder is not followed into the book.
QString copyFolderContents(int fromFd, int toFd) {
    for (const QByteArray& name : folderEntries(fromFd)) {
        QString error;
        const mode_t kind = entryKind(fromFd, name);
        if (kind == S_IFDIR) {
            const UniqueFd from = openFolderAt(fromFd, name);
            const bool made = ::mkdirat(toFd, name.constData(), 0755) == 0;
            const UniqueFd to = made ? openFolderAt(toFd, name) : UniqueFd();
            error =
                from.isOpen() && to.isOpen() ? copyFolderContents(from.fd, to.fd) : systemError();
        } else if (kind == S_IFREG) {
            QByteArray bytes;
            error = readAllAt(fromFd, name, bytes);
            if (error.isEmpty()) {
                error = writeAllAt(toFd, name, bytes);
            }
        }
        if (!error.isEmpty()) {
            return QFile::decodeName(name) + QStringLiteral(": ") + error;
        }
    }
    return {};
}

QString copyUnderName(int rootFd, const QByteArray& name, int sourceFd) {
    if (::mkdirat(rootFd, name.constData(), 0755) != 0) {
        return systemError();
    }
    const UniqueFd copy = openFolderAt(rootFd, name);
    return copy.isOpen() ? copyFolderContents(sourceFd, copy.fd) : systemError();
}

// The player folder is copied under a passing name and renamed whole, so a book never keeps a
// half-copied player that a later run would take for the publisher's own and leave alone.
QString copyPlayerFolder(const QString& programFolder, Publication& made) {
    const UniqueFd program(
        ::open(QFile::encodeName(programFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const UniqueFd source =
        program.isOpen() ? openFolderAt(program.fd, kPlayerFolderName) : UniqueFd();
    if (!source.isOpen() || entryKind(made.rootFd, kPlayerFolderName) != 0) {
        return {};
    }
    made.playerCopyName = ownName(kNewPlayerPrefix);
    removeTree(made.rootFd, made.playerCopyName);
    QString error = copyUnderName(made.rootFd, made.playerCopyName, source.fd);
    if (error.isEmpty() && ::renameat2(made.rootFd, made.playerCopyName.constData(), made.rootFd,
                                       kPlayerFolderName, RENAME_NOREPLACE) != 0) {
        error = systemError();
    }
    if (!error.isEmpty()) {
        return QStringLiteral("cannot copy the player folder %1 into the output folder: %2")
            .arg(QLatin1StringView(kPlayerFolderName), error);
    }
    made.playerCopyName.clear();
    made.madePlayerFolder = true;
    return {};
}

// One rename: data is the old book up to this call and the new one after it.
QString swapIn(int rootFd, const QByteArray& newName, bool hasOldData) {
    const unsigned flags = hasOldData ? RENAME_EXCHANGE : RENAME_NOREPLACE;
    if (::renameat2(rootFd, newName.constData(), rootFd, shared::kDataFolder, flags) != 0) {
        return QStringLiteral("cannot put the new book in place of data: %1").arg(systemError());
    }
    return {};
}

QString carryOver(int oldFd, int dataFd, const std::vector<QByteArray>& names) {
    for (const QByteArray& name : names) {
        if (::renameat(oldFd, name.constData(), dataFd, name.constData()) != 0) {
            return QFile::decodeName(name);
        }
    }
    return {};
}

// The book's own file, so a run replaces it, and a run that made none removes the earlier
// book's rather than leave a text that belongs to another book.
QString placeTextVersion(int runFd, int rootFd) {
    if (entryKind(runFd, shared::kTextVersionFile) == S_IFREG) {
        if (::renameat(runFd, shared::kTextVersionFile, rootFd, shared::kTextVersionFile) != 0) {
            return QStringLiteral(
                       "the book was written, but its text version %1 could not be put "
                       "beside index.html: %2")
                .arg(QLatin1StringView(shared::kTextVersionFile), systemError());
        }
        return {};
    }
    if (entryKind(rootFd, shared::kTextVersionFile) == S_IFREG) {
        ::unlinkat(rootFd, shared::kTextVersionFile, 0);
    }
    return {};
}

QString stoppedMessage() {
    return QStringLiteral("stopped before the book was replaced; the earlier book is unchanged");
}

}  // namespace

QString publishBook(const PublishRequest& request, const StepCheck& mayContinue) {
    Publication made{request.rootFd, ownName(kNewDataPrefix)};
    removeTree(made.rootFd, made.newName);
    if (!mayContinue(PublishStep::MakeFolder)) {
        return stoppedMessage();
    }
    if (::mkdirat(made.rootFd, made.newName.constData(), 0755) != 0) {
        return QStringLiteral("cannot make the new data folder: %1").arg(systemError());
    }
    const UniqueFd fresh = openFolderAt(made.rootFd, made.newName);
    if (!fresh.isOpen() || !mayContinue(PublishStep::MovePages)) {
        return stoppedMessage();
    }
    if (QString error = movePages(request.runFd, fresh.fd, request.pages); !error.isEmpty()) {
        return error;
    }
    if (QString error = moveBookFiles(request.runFd, fresh.fd); !error.isEmpty()) {
        return error;
    }
    if (!mayContinue(PublishStep::KeepUsersFiles)) {
        return stoppedMessage();
    }
    const UniqueFd old = openFolderAt(made.rootFd, shared::kDataFolder);
    const std::vector<QByteArray> later = linkUsersFiles(old.fd, fresh.fd);
    if (!mayContinue(PublishStep::WritePageList)) {
        return stoppedMessage();
    }
    if (QString error = writeAllAt(fresh.fd, shared::kPageListFile, request.pageList);
        !error.isEmpty()) {
        return QStringLiteral("cannot write the page list data/pages.xml: %1").arg(error);
    }
    if (!mayContinue(PublishStep::CopyTemplates)) {
        return stoppedMessage();
    }
    if (QString error = copyTemplates(request.programFolder, made); !error.isEmpty()) {
        return error;
    }
    if (request.ownPlayer) {
        if (QString error = copyPlayerFolder(request.programFolder, made); !error.isEmpty()) {
            return error;
        }
    }
    if (!mayContinue(PublishStep::Swap)) {
        return stoppedMessage();
    }
    if (QString error = swapIn(made.rootFd, made.newName, old.isOpen()); !error.isEmpty()) {
        return error;
    }
    made.swapped = true;
    if (QString error = placeTextVersion(request.runFd, made.rootFd); !error.isEmpty()) {
        return error;
    }
    if (const QString stuck = carryOver(old.fd, fresh.fd, later); !stuck.isEmpty()) {
        return QStringLiteral("the book was written, but %1 of the earlier data folder stays in %2")
            .arg(stuck, QFile::decodeName(made.newName));
    }
    removeTree(made.rootFd, made.newName);
    return {};
}
