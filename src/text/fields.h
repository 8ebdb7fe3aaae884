#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>
#include <variant>

namespace bilan::fields {

// An unquoted field with nothing in it.
struct Empty
{
    friend bool operator==(Empty, Empty) { return true; }
};

// A field read as a value: text when it was quoted or is not a number, a
// number when it is an unquoted one (blanks may follow it), Empty when
// there was nothing.
using Value = std::variant<Empty, QString, double>;

// Reads the small data files (phrases, author, password, exempt characters)
// field by field. Fields end at a comma or a line end (CR LF, LF or a lone
// CR); blanks before a field are skipped; a field that begins with a double
// quote runs to the next double quote, which is not part of it, and whatever
// follows up to the comma or line end is ignored; an unquoted field keeps
// the blanks at its end; an empty line is an empty field. Running out of
// data is not a field: the reads then give nothing.
class Reader final
{
public:
    explicit Reader(QString text);

    std::optional<QString> nextText();
    std::optional<Value> nextValue();
    // True when the next read would give nothing.
    bool atEnd() const;

private:
    struct Field
    {
        QStringView text;
        bool quoted = false;
    };
    std::optional<Field> next();
    void skipTerminator();

    QString m_text;
    qsizetype m_position = 0;
    // After a comma a field follows, even at the very end of the data.
    bool m_afterComma = false;
};

// True for an unquoted field that reads as a number: an optional sign,
// digits with at most one decimal point, an optional exponent.
bool isNumber(QStringView field);

// A data file's bytes as text, line ends included. The files are the
// system code page (GBK, GB18030 beyond it) by definition; only a UTF-8 or
// UTF-16 byte-order mark says otherwise. Bytes that happen to be
// well-formed UTF-8 are not taken for it: a password "小英" is D0 A1 D3 A2,
// which UTF-8 reads as "СӢ". NUL bytes are kept as characters: these
// files have no "not a text file" case.
QString decodeDataFile(QByteArrayView bytes);

enum class FileStatus { Ok, Missing, Unreadable };

struct DataFile
{
    FileStatus status = FileStatus::Ok;
    QString text;
    // When Unreadable: why, in Chinese, for the message that names the file.
    QString reason;
};

// Opens, reads and closes a data file. Missing is told apart from other
// failures after the open has failed, since only a missing file has a
// branch of its own in the commands that read these files. Only a regular
// file is opened: a fifo of that name would block the window until someone
// wrote into it. Only the first mebibyte is read: the files hold a few lines.
DataFile readDataFile(const QString &path);

} // namespace bilan::fields
