#include "copyfolder.h"

#include "text/manuscriptio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace bilan::recovery {

namespace {

const QString kCopySuffix = QStringLiteral(".rtf");
const QString kLockSuffix = QStringLiteral(".lock");

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// flock rather than QLockFile: QLockFile decides staleness from the
// process id and name written in the file, which a later program may have
// been given; a flock is the system's own record that the holder runs.
bool lockExclusive(int fd)
{
    int result;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

QString stem(const QString &name, const QString &suffix)
{
    return name.left(name.size() - suffix.size());
}

} // namespace

CopyLock::CopyLock(QString path, int fd)
    : m_path(std::move(path))
    , m_fd(fd)
{
}

CopyLock::~CopyLock()
{
    ::close(m_fd);
}

std::unique_ptr<CopyLock> CopyLock::take(const QString &path)
{
    const int fd = ::open(encoded(path).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return nullptr;
    if (!lockExclusive(fd)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<CopyLock>(new CopyLock(path, fd));
}

std::unique_ptr<CopyLock> CopyLock::create(const QString &path, QString *reason)
{
    const auto fail = [reason](int code) {
        if (reason)
            *reason = manuscript::writeFailureReason(code);
        return nullptr;
    };
    // Made and locked under a name nobody looks for, then linked in:
    // link, unlike rename, never replaces a lock file that is already there.
    const QString fresh = path + QStringLiteral(".%1.new").arg(QCoreApplication::applicationPid());
    const QByteArray freshName = encoded(fresh);
    const int fd = ::open(freshName.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail(errno);
    int code = 0;
    if (!lockExclusive(fd) || ::link(freshName.constData(), encoded(path).constData()) != 0)
        code = errno;
    ::unlink(freshName.constData());
    if (code != 0) {
        ::close(fd);
        return fail(code);
    }
    return std::unique_ptr<CopyLock>(new CopyLock(path, fd));
}

void CopyLock::removeFile()
{
    QFile::remove(m_path);
}

QString lockPathOf(const QString &copyPath)
{
    return stem(copyPath, kCopySuffix) + kLockSuffix;
}

QString newCopyName()
{
    return QStringLiteral("%1-%2%3")
        .arg(QCoreApplication::applicationPid())
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
        .arg(kCopySuffix);
}

std::vector<LeftCopy> leftCopies(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("*") + kCopySuffix, QStringLiteral("*") + kLockSuffix},
                                            QDir::Files | QDir::Hidden, QDir::NoSort);
    QSet<QString> copies;
    QSet<QString> locks;
    for (const QString &name : names) {
        if (name.endsWith(kCopySuffix))
            copies.insert(stem(name, kCopySuffix));
        else
            locks.insert(stem(name, kLockSuffix));
    }

    std::vector<LeftCopy> left;
    for (const QString &name : std::as_const(copies)) {
        const QString copy = dir.filePath(name + kCopySuffix);
        const QString lockPath = dir.filePath(name + kLockSuffix);
        // A copy whose lock file went missing is taken over with a new one.
        std::unique_ptr<CopyLock> lock =
            locks.contains(name) ? CopyLock::take(lockPath) : CopyLock::create(lockPath);
        if (!lock)
            continue; // its program still runs, or another one is offering it
        // Its program may have ended deliberately since the listing.
        const QFileInfo info(copy);
        if (!info.isFile()) {
            lock->removeFile();
            continue;
        }
        left.push_back(LeftCopy{copy, info.lastModified(), std::move(lock)});
    }
    for (const QString &name : std::as_const(locks)) {
        if (copies.contains(name))
            continue;
        // A program that ended before it had anything to keep.
        const QString copy = dir.filePath(name + kCopySuffix);
        if (std::unique_ptr<CopyLock> lock = CopyLock::take(dir.filePath(name + kLockSuffix));
            lock && !QFileInfo::exists(copy))
            lock->removeFile();
    }
    std::sort(left.begin(), left.end(), [](const LeftCopy &a, const LeftCopy &b) { return a.madeAt > b.madeAt; });
    return left;
}

bool removeCopy(const QString &copyPath, CopyLock &lock)
{
    if (QFileInfo::exists(copyPath) && !QFile::remove(copyPath))
        return false;
    lock.removeFile();
    return true;
}

} // namespace bilan::recovery
