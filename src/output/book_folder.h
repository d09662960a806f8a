// The output folder as the tool touches it: through directory descriptors, never through a
// symbolic link, under one lock per book, with the new book swapped in as a whole.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// An open file descriptor, closed when it goes out of scope.
struct UniqueFd {
    int fd = -1;

    UniqueFd() = default;
    explicit UniqueFd(int descriptor) : fd(descriptor) {}
    UniqueFd(UniqueFd&& other) noexcept : fd(other.fd) { other.fd = -1; }
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    bool isOpen() const { return fd >= 0; }
};

// The name of the lock file in the output folder; it stays there between runs.
inline constexpr char kLockFileName[] = ".quavelin.lock";

// A folder entry opened as a folder; fails (not open) when it is a link or not a folder.
UniqueFd openFolderAt(int atFd, const QByteArray& name);

// An exclusive lock on the book, held while `file` lives.
struct BookLock {
    UniqueFd file;
    bool heldElsewhere = false;  // another run holds it
    QString error;               // why the lock file could not be opened
};

BookLock lockBook(int rootFd);

// The first of data, data/pages.xml, tmp and data's page files that is a symbolic link, as a
// path relative to the output folder; empty when there is none.
QString linkInTheWay(int rootFd);

// Clears what a run killed outright left behind: its work folder in tmp and a data folder it had
// built or swapped out, from which the user's files missing in data are moved back first. Call
// under the lock, after linkInTheWay found nothing.
void removeLeftovers(int rootFd);

// tmp/.quavelin-run-<pid>: the converter's own folder for this run. The destructor removes it
// with everything in it, and tmp too when this run made tmp or left it empty.
struct WorkArea {
    int rootFd = -1;
    UniqueFd tmp;
    UniqueFd run;
    QByteArray runName;
    bool madeTmp = false;

    WorkArea() = default;
    WorkArea(const WorkArea&) = delete;
    WorkArea& operator=(const WorkArea&) = delete;
    ~WorkArea();
};

// Empty on success, otherwise why the work area could not be made (nothing is left behind then).
QString makeWorkArea(int rootFd, WorkArea& area);

// One page file the converter wrote: its name there and its page number without leading zeros.
struct PageFile {
    QByteArray name;
    QByteArray number;
};

// "test<digits>.swf" (shared/book_names.h); the only names that are pages.
bool isPageFileName(const QByteArray& name);

// One of shared::kBookFiles: files that go into data with the pages, never as pages. A new book
// has only its own: an earlier book's are not carried over, whether or not the run made them.
bool isBookFileName(const QByteArray& name);

// A regular file of at most `maxBytes` in a folder, links not followed. Empty on success, otherwise
// why it could not be read.
QString readSmallFileAt(int folderFd, const QByteArray& name, qint64 maxBytes, QByteArray& bytes);

// A copy of the file at `sourcePath` as a new file `name` in a folder (never through a link, never
// over an entry of that name). Empty on success, otherwise why not; a partial copy is left for the
// caller's work area to remove.
QString copyFileInto(const QString& sourcePath, int folderFd, const QByteArray& name);

// "test" + the number zero-filled to four digits (longer numbers kept whole) + ".swf".
QByteArray paddedPageName(const QByteArray& number);

// Regular files with page names, in page-number order; of two names for one number (test7.swf,
// test07.swf) the first in name order is kept.
std::vector<PageFile> listPageFiles(int folderFd);

// The steps of publishing, in order; a check before each may stop the run there.
enum class PublishStep {
    MakeFolder,
    MovePages,
    KeepUsersFiles,
    WritePageList,
    CopyTemplates,
    Swap
};

// Returns false to stop before the step (a signal, or a test); the old book then stays as it was.
using StepCheck = std::function<bool(PublishStep)>;

struct PublishRequest {
    int rootFd = -1;
    int runFd = -1;
    std::vector<PageFile> pages;
    QByteArray pageList;
    QString programFolder;  // where the viewer files come from
    bool ownPlayer = true;  // the book gets a copy of the player folder (none with -player)
};

// Builds the new data folder beside the old one and exchanges the two in one rename. Empty on
// success, otherwise one line; before the exchange a failure removes what this call made.
QString publishBook(const PublishRequest& request, const StepCheck& mayContinue);
