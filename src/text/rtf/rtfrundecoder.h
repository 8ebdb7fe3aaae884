#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>

#include <utility>

namespace bilan::rtf {

// The text of one run. Bytes, raw or written as \'hh, wait in a buffer and
// are decoded together: a double-byte character can arrive as two \'hh
// escapes, or as one escape and one raw byte, and decoding byte by byte
// would break it. A \uN ends the bytes before it, and the high half of a
// surrogate pair waits for its low half, which comes after the first
// half's fallback.
class RunDecoder final
{
public:
    RunDecoder() { m_text.reserve(4096); }

    // The code page of the bytes; the caller flushes before changing it.
    void setCodePage(int codePage) { m_codePage = codePage; }
    int codePage() const { return m_codePage; }

    // Raw control bytes are the file's layout, never text (a writer may
    // break its lines anywhere). Written as \'hh they are characters, such
    // as the encrypted manuscript's blanks, and kept as isText() allows.
    enum class Bytes { Raw, Escaped };
    void appendBytes(QByteArrayView bytes, Bytes kind = Bytes::Raw)
    {
        for (char b : bytes) {
            const auto byte = static_cast<unsigned char>(b);
            if (byte >= 0x20 || b == '\t' || (kind == Bytes::Escaped && isText(byte)))
                m_bytes.append(b);
        }
    }
    // A character that isText() allows.
    void appendChar(char32_t c);
    void flushBytes();

    // The text decoded so far; empty() only after flushBytes().
    const QString &text() const { return m_text; }
    bool empty() const { return m_text.isEmpty(); }
    void clear() { m_text.resize(0); }

    // Characters that would change the document's structure instead of
    // being text: a line end would split the paragraph. NUL is no text at
    // all. Every other control character is: the program writes the ones
    // the manuscript cipher makes (a blank becomes U+001F) as \uN and
    // must read them back.
    static bool isText(char32_t c)
    {
        return !(c == 0 || c == u'\n' || c == u'\r' || c == 0xFDD0 || c == 0xFDD1
                 || c == QChar::ObjectReplacementCharacter);
    }

    // The UTF-16 unit of \uN. N is a signed 16-bit number; writers also
    // give the unsigned reading. Anything else is no character at all.
    static char16_t unitOf(int value, bool *valid)
    {
        *valid = value >= -32768 && value <= 65535;
        if (!*valid)
            return 0xFFFD;
        return char16_t(value < 0 ? value + 65536 : value);
    }

    // The high half of a pair, waiting for its low half.
    bool holdsHighSurrogate() const { return m_highSurrogate != 0; }
    void holdHighSurrogate(char16_t unit) { m_highSurrogate = unit; }
    char16_t takeHighSurrogate() { return std::exchange(m_highSurrogate, char16_t(0)); }

private:
    QByteArray m_bytes;
    QString m_text;
    int m_codePage = 0;
    char16_t m_highSurrogate = 0;
};

} // namespace bilan::rtf
