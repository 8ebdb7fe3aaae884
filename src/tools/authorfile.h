#pragma once

#include <QString>

#include <array>

namespace bilan {

// The author's details, always in this order: name, postal address,
// postcode, telephone, mobile, e-mail, other information.
inline constexpr std::size_t AuthorFieldCount = 7;
using AuthorRecord = std::array<QString, AuthorFieldCount>;

struct AuthorField
{
    QString prompt; // the question of the input box
    QString label;  // what stands before the value in the author block
};
const std::array<AuthorField, AuthorFieldCount> &authorFields();

// A typed answer as the record keeps it. The file's fields are quoted and
// have no escape, so an ASCII double quote would end its field early and
// shift every field after it; it becomes the full-width "＂", which code
// page 936 holds, looks the same in a Chinese text and reads back whole.
QString authorFieldFromInput(const QString &typed);

struct AuthorReading
{
    bool missing = false;
    // What could be read; empty fields for the rest.
    AuthorRecord record;
    // When the file is there but could not be read: a sentence in Chinese
    // that names the file and the reason.
    QString error;
};

// The author file "author.txt": one line of the seven fields, each in
// double quotes, separated by commas, ended by CR LF, in the system code
// page. It lives in the user's own folder, beside the login password: the
// details are the user's, and an installed program's folder is not
// writable.
class AuthorFile final
{
public:
    explicit AuthorFile(QString folder);

    QString path() const;
    bool exists() const;

    // A record of fewer than seven fields is no error: the others are
    // empty.
    AuthorReading read() const;

    // Writes the record whole to a fresh file that then replaces the old
    // one, the folder made its owner's alone (and made when missing).
    // Returns the empty text, or a sentence in Chinese that names the file
    // and says why it could not be written.
    QString write(const AuthorRecord &record) const;

    static QByteArray encode(const AuthorRecord &record);

private:
    QString m_folder;
};

} // namespace bilan
