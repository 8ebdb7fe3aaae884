#pragma once

// Faults that tests inject on purpose and undo when they go, so a failing
// test cannot poison the next. They work as root too, where permission
// bits do not stop a write.

#include <QDir>
#include <QFile>
#include <QString>

#include <csignal>
#include <sys/resource.h>

namespace bilan::test {

// Every write past the limit fails with EFBIG while this lives: a save of
// anything larger fails half-way, like a full disk.
class FileSizeLimit final
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = SIG_DFL;
};

// A plain file where a folder should be, while this lives; the folder is
// made again, empty, when it goes.
class FileInPlaceOf final
{
public:
    explicit FileInPlaceOf(const QString &folder)
        : m_folder(folder)
    {
        QDir(folder).removeRecursively();
        QFile file(folder);
        m_ok = file.open(QIODevice::WriteOnly);
    }
    ~FileInPlaceOf()
    {
        QFile::remove(m_folder);
        QDir().mkpath(m_folder);
    }
    FileInPlaceOf(const FileInPlaceOf &) = delete;
    FileInPlaceOf &operator=(const FileInPlaceOf &) = delete;
    bool ok() const { return m_ok; }

private:
    QString m_folder;
    bool m_ok = false;
};

} // namespace bilan::test
