#pragma once

#include <QString>

namespace bilan::protect {

// The password file's name in the user's folder.
QString passwordPath(const QString &userFolder);
// The exempt-character file's name in the program's folder.
QString exemptFilePath(const QString &applicationFolder);

struct StoredPassword
{
    enum class Status { Ok, Missing, Failed };
    Status status = Status::Ok;
    QString password;
    QString error; // when Failed: a Chinese sentence naming the file and the reason
};

// The whole first line of the password file, without its line end: any
// password that can be typed reads back as it was typed, commas, blanks and
// quotes included.
StoredPassword readPassword(const QString &path);

// Writes the password as the file's one line, whole, to a fresh file that
// then replaces the old one; the file is its owner's alone (0600), in a
// folder only its owner may enter (0700). Returns the error sentence, or
// nothing when the password was written.
QString writePassword(const QString &path, const QString &password);

struct ExemptCharacters
{
    QString characters; // one unit each
    QString error;      // a Chinese sentence naming the file and what is wrong
    bool ok() const { return error.isEmpty(); }
};

// Reads the first 15 fields of the exempt-character file: fields 1 to 14
// as values, the 15th as text; each one-character text exempts that
// character. A file with fewer fields is an error.
ExemptCharacters readExemptFile(const QString &path);

} // namespace bilan::protect
