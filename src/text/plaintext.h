#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <memory>

namespace bilan::plaintext {

enum class Encoding {
    // The system code page: code page 936 for every one- and two-byte
    // sequence, GB18030 four-byte sequences for the characters it lacks.
    Gb18030,
    Utf8,
    Utf8Bom,
    Utf16Le,
    Utf16Be,
};

struct Decoded
{
    // Line ends (CR LF, LF, CR) all read as '\n'; a byte-order mark is not
    // part of the text.
    QString text;
    Encoding encoding = Encoding::Gb18030;
    // The bytes held NUL and no UTF-16 byte-order mark: not a text file.
    // The text is decoded all the same, for callers that take what there is.
    bool binary = false;
};

// How bytes without a byte-order mark are read.
enum class Unmarked {
    // Manuscripts, which may come from anywhere: UTF-8 or the system code
    // page, whichever reading is the likelier (see below).
    Guess,
    // The small data files, which are the system code page by definition:
    // bytes that happen to be well-formed UTF-8 are GB all the same.
    SystemCodePage,
};

// Reads a text file's bytes in pieces. A UTF-8 or UTF-16 byte-order mark
// decides the encoding. Without one, for a manuscript: bytes that are not
// well-formed UTF-8 are the system code page; bytes that are, and are not
// the system code page's, are UTF-8. Bytes that are both (GBK's "小英" is
// D0 A1 D3 A2, which is also UTF-8's "СӢ") go to the reading with fewer
// characters outside everyday use. Everyday in GB: GB2312's symbols and its
// 3,755 common characters (its first level). Everyday in UTF-8: the same,
// and Latin-1, Latin Extended-A, Greek, Cyrillic and the common
// punctuation, currency and letter-like signs. A tie goes to the system
// code page, which is what encode() writes, unless the UTF-8 reading is
// Latin words with accents: every character beyond ASCII an accented
// Latin letter straight after an ASCII letter ("café" in UTF-8 is "caf媒"
// in GBK).
//
// So text that encode() wrote reads back unchanged, with two exceptions:
// text of that Latin shape, and text that begins with 锘 and a character
// whose code begins with BF, which is the UTF-8 byte-order mark's bytes.
// A short UTF-8 text that is as much everyday GB ("да", "25°C") reads as
// GB. The result does not depend on where the pieces were cut.
class Decoder final
{
public:
    explicit Decoder(Unmarked unmarked = Unmarked::Guess);
    ~Decoder();
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    void feed(QByteArrayView bytes);
    // The text of everything fed since the last finish; the decoder is then
    // ready for a new file.
    Decoded finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

Decoded decode(QByteArrayView bytes, Unmarked unmarked = Unmarked::Guess);

// The text in the system code page with CR LF line ends: exactly code page
// 936's bytes for every character it has, four-byte GB18030 sequences for
// the others, so that decode() gives the text back unchanged. Only an
// unpaired surrogate, which no encoding holds, is written as '?'.
QByteArray encode(QStringView text);

} // namespace bilan::plaintext
