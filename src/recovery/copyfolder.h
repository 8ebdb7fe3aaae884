#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

namespace bilan::recovery {

// The lock on one recovery copy, held for as long as this object lives.
// The system lets it go the moment its program ends, however that ends
// (killed, crashed, the machine off), so a lock that can be taken belongs to
// a program that is gone. A process id written in a file would not say
// that: the number may have been given to another program since.
class CopyLock final
{
public:
    ~CopyLock();
    CopyLock(const CopyLock &) = delete;
    CopyLock &operator=(const CopyLock &) = delete;

    // The lock file at path, taken if nobody holds it; nothing when its
    // program still runs or the file is not there.
    static std::unique_ptr<CopyLock> take(const QString &path);
    // A new lock file at path, held before it appears under that name, so
    // that no other program can take it in between. Nothing, with the
    // reason in Chinese, when it could not be made or the name is taken.
    static std::unique_ptr<CopyLock> create(const QString &path, QString *reason = nullptr);

    const QString &path() const { return m_path; }
    // Removes the lock file; the lock itself goes with this object.
    void removeFile();

private:
    CopyLock(QString path, int fd);
    QString m_path;
    int m_fd;
};

// Every running program keeps its copy as "<name>.rtf" with "<name>.lock"
// beside it, under a name of its own.
QString lockPathOf(const QString &copyPath);
QString newCopyName();

// A copy left by a program that is gone; its lock is held by this program
// while the copy is offered back.
struct LeftCopy
{
    QString path;
    QDateTime madeAt;
    std::unique_ptr<CopyLock> lock;
};

// The copies in the folder whose programs are gone, newest first. Only the
// folder's listing is read (and the locks tried); lock files left without a
// copy are cleared away on the way.
std::vector<LeftCopy> leftCopies(const QString &folder);

// Removes a copy and then its lock file, the lock still held.
bool removeCopy(const QString &copyPath, CopyLock &lock);

} // namespace bilan::recovery
