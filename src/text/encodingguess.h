#pragma once

#include <QByteArrayView>

#include <cstdint>

namespace bilan::plaintext {

// Whether four bytes of GB18030's four-byte shape (81-FE 30-39 81-FE 30-39)
// name a character: the codes up to U+FFFF and those of U+10000 to
// U+10FFFF do, the ones between and after do not.
bool fourByteCodeExists(const std::uint8_t *code);

// Weighs, a piece at a time, whether a manuscript's bytes without a
// byte-order mark are UTF-8 or the system code page, by the rule that
// plaintext.h gives: not UTF-8 means GB; not GB means UTF-8; both means
// the reading with fewer characters outside everyday use, a tie going to
// GB unless the UTF-8 reading is Latin words with accents.
//
// A library detector (uchardet) was tried first and read GBK's "小英" and
// "小小小" as UTF-8: it weighs statistics that a line or two cannot give,
// and nothing in it can promise that what this editor writes comes back.
// This weighs only the two readings in question, and its counts depend on
// the bytes alone, never on where the pieces were cut.
class EncodingGuess final
{
public:
    enum class Verdict {
        Ascii, // nothing beyond ASCII, which every reading agrees on
        Utf8,
        Gb18030,
    };

    void feed(QByteArrayView bytes);
    // False as soon as the bytes cannot be UTF-8, whatever follows.
    bool mayBeUtf8() const { return !m_utf8.bad; }
    // The reading of everything fed, taken as the whole file.
    Verdict verdict() const;

private:
    struct Utf8Reading
    {
        int needed = 0;
        std::uint8_t low = 0x80;
        std::uint8_t high = 0xBF;
        char32_t code = 0;
        bool bad = false;
        bool nonAscii = false;
        bool afterAsciiLetter = false;
        bool latinWords = true;
        qsizetype rare = 0;
    };
    struct GbReading
    {
        int have = 0;
        std::uint8_t code[4] = {};
        bool bad = false;
        qsizetype rare = 0;
    };

    const std::uint8_t *weigh(const std::uint8_t *p, const std::uint8_t *end);
    void checkUtf8(const std::uint8_t *p, const std::uint8_t *end);

    Utf8Reading m_utf8;
    GbReading m_gb;
};

} // namespace bilan::plaintext
