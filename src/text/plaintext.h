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

// Reads a text file's bytes in pieces. A UTF-8 or UTF-16 byte-order mark
// decides the encoding; without one, bytes that are valid UTF-8 and not all
// ASCII read as UTF-8, anything else in the system code page. The result
// does not depend on where the pieces were cut.
class Decoder final
{
public:
    Decoder();
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

Decoded decode(QByteArrayView bytes);

// The text in the system code page with CR LF line ends: exactly code page
// 936's bytes for every character it has, four-byte GB18030 sequences for
// the others, so that decode() gives the text back unchanged. Only an
// unpaired surrogate, which no encoding holds, is written as '?'.
QByteArray encode(QStringView text);

} // namespace bilan::plaintext
