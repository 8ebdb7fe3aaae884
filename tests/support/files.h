#pragma once

// Whole files read and written by the tests; header only, so that the
// text-routine tests need no window.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace bilan::test {

// The file's bytes; "(unreadable)" when there is no file to read, so that a
// missing file never passes for an empty one.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace bilan::test
