#include "encodingguess.h"

#include "cp936.h"

namespace bilan::plaintext {

namespace {

bool isAsciiLetter(std::uint8_t byte)
{
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

bool isPrivateUse(char32_t character)
{
    return character >= 0xE000 && character <= 0xF8FF;
}

// Latin-1's and Latin Extended-A's letters, which is where the accents of
// French, German, Spanish, Polish, Czech and the like live.
bool isAccentedLatinLetter(char32_t character)
{
    return character >= 0xC0 && character <= 0x17F && character != 0xD7 && character != 0xF7;
}

// GB2312's symbol rows (punctuation, kana, Greek, Cyrillic, pinyin) and
// its first level, the 3,755 common characters that make up nearly all of
// everyday Chinese, less the places code page 936 fills with private-use
// characters. GB2312's second level, the less common characters, counts
// as rare: a UTF-8 Chinese character read as GBK always begins with one.
bool isEverydayGbCode(std::uint8_t lead, std::uint8_t trail)
{
    if (lead < 0xA1 || lead > 0xD7 || trail < 0xA1 || trail > 0xFE)
        return false;
    const char16_t character = cp936::character(std::int16_t(std::uint16_t(lead << 8 | trail)));
    return character != cp936::Replacement && !isPrivateUse(character);
}

bool isEverydayInUtf8(char32_t character)
{
    if (character >= 0xA0 && character <= 0x17F) // Latin-1, Latin Extended-A
        return true;
    if (character >= 0x386 && character <= 0x3CE) // Greek, with its accents
        return true;
    if ((character >= 0x400 && character <= 0x45F) || character == 0x490 || character == 0x491) // Cyrillic
        return true;
    if ((character >= 0x2000 && character <= 0x20CF) || (character >= 0x2100 && character <= 0x214F))
        return true; // punctuation, super- and subscripts, currency, letter-like signs
    if (character > 0xFFFF || isPrivateUse(character))
        return false;
    // Whatever else is everyday in GB, common Chinese above all.
    const std::int16_t value = cp936::value(char16_t(character));
    if (value >= 0)
        return false;
    const auto code = std::uint16_t(value);
    return (code >> 8) >= 0xA1 && (code >> 8) <= 0xD7 && (code & 0xFF) >= 0xA1;
}

} // namespace

bool fourByteCodeExists(const std::uint8_t *code)
{
    const int index = (((code[0] - 0x81) * 10 + (code[1] - 0x30)) * 126 + (code[2] - 0x81)) * 10 + (code[3] - 0x30);
    // U+0080 to U+FFFF use the codes up to 84 31 A4 39; U+10000 to
    // U+10FFFF the codes from 90 30 81 30 to E3 32 9A 35.
    constexpr int LastBmp = 39419;
    constexpr int FirstSupplementary = 189000;
    constexpr int LastSupplementary = FirstSupplementary + 0xFFFFF;
    return index <= LastBmp || (index >= FirstSupplementary && index <= LastSupplementary);
}

void EncodingGuess::feed(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (m_utf8.bad)
            return;
        const auto byte = std::uint8_t(c);
        // ASCII between characters of both readings is the common case:
        // it only tells whether a letter came last.
        if (byte < 0x80 && m_utf8.needed == 0 && m_gb.have == 0) {
            m_utf8.afterAsciiLetter = isAsciiLetter(byte);
            continue;
        }
        feedUtf8(byte);
        if (!m_gb.bad)
            feedGb(byte);
    }
}

void EncodingGuess::feedUtf8(std::uint8_t byte)
{
    Utf8Reading &u = m_utf8;
    if (u.needed > 0) {
        // No overlong forms, no surrogates, nothing past U+10FFFF.
        if (byte < u.low || byte > u.high) {
            u.bad = true;
            return;
        }
        u.low = 0x80;
        u.high = 0xBF;
        u.code = u.code << 6 | (byte & 0x3F);
        // Once GB is ruled out the weighing is over.
        if (--u.needed == 0 && !m_gb.bad)
            judgeUtf8Character(u.code);
        return;
    }
    if (byte < 0x80) {
        u.afterAsciiLetter = isAsciiLetter(byte);
        return;
    }
    u.nonAscii = true;
    if (byte >= 0xC2 && byte <= 0xDF) {
        u.needed = 1;
        u.code = byte & 0x1F;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        u.needed = 2;
        u.code = byte & 0x0F;
        if (byte == 0xE0)
            u.low = 0xA0;
        else if (byte == 0xED)
            u.high = 0x9F;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        u.needed = 3;
        u.code = byte & 0x07;
        if (byte == 0xF0)
            u.low = 0x90;
        else if (byte == 0xF4)
            u.high = 0x8F;
    } else {
        u.bad = true;
    }
}

void EncodingGuess::judgeUtf8Character(char32_t character)
{
    Utf8Reading &u = m_utf8;
    if (!isEverydayInUtf8(character))
        ++u.rare;
    if (!u.afterAsciiLetter || !isAccentedLatinLetter(character))
        u.latinWords = false;
    u.afterAsciiLetter = false;
}

void EncodingGuess::feedGb(std::uint8_t byte)
{
    GbReading &g = m_gb;
    switch (g.have) {
    case 0:
        if (byte < 0x80)
            return;
        // Code page 936's euro sign and its one private-use single byte.
        if (byte == 0x80 || byte == 0xFF) {
            ++g.rare;
            return;
        }
        g.code[0] = byte;
        g.have = 1;
        return;
    case 1:
        if (byte >= 0x40 && byte <= 0xFE && byte != 0x7F) {
            if (!isEverydayGbCode(g.code[0], byte))
                ++g.rare;
            g.have = 0;
        } else if (byte >= 0x30 && byte <= 0x39) {
            g.code[1] = byte;
            g.have = 2;
        } else {
            g.bad = true;
        }
        return;
    case 2:
        if (byte >= 0x81 && byte <= 0xFE) {
            g.code[2] = byte;
            g.have = 3;
        } else {
            g.bad = true;
        }
        return;
    default:
        g.code[3] = byte;
        if (byte < 0x30 || byte > 0x39 || !fourByteCodeExists(g.code)) {
            g.bad = true;
            return;
        }
        // Four-byte codes hold what GBK lacks: never everyday Chinese.
        ++g.rare;
        g.have = 0;
        return;
    }
}

EncodingGuess::Verdict EncodingGuess::verdict() const
{
    if (m_utf8.bad || m_utf8.needed > 0)
        return Verdict::Gb18030;
    if (!m_utf8.nonAscii)
        return Verdict::Ascii;
    if (m_gb.bad || m_gb.have > 0)
        return Verdict::Utf8;
    if (m_utf8.rare != m_gb.rare)
        return m_utf8.rare < m_gb.rare ? Verdict::Utf8 : Verdict::Gb18030;
    return m_utf8.latinWords ? Verdict::Utf8 : Verdict::Gb18030;
}

} // namespace bilan::plaintext
