#include "encodingguess.h"

#include "cp936.h"

#include <bitset>
#include <cstring>

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
bool isEverydayGbCode(std::uint16_t code)
{
    const int lead = code >> 8;
    const int trail = code & 0xFF;
    if (lead < 0xA1 || lead > 0xD7 || trail < 0xA1 || trail > 0xFE)
        return false;
    const char16_t character = cp936::character(std::int16_t(code));
    return character != cp936::Replacement && !isPrivateUse(character);
}

bool isEverydayInUtf8(char16_t character)
{
    if (character >= 0xA0 && character <= 0x17F) // Latin-1, Latin Extended-A
        return true;
    if (character >= 0x386 && character <= 0x3CE) // Greek, with its accents
        return true;
    if ((character >= 0x400 && character <= 0x45F) || character == 0x490 || character == 0x491) // Cyrillic
        return true;
    if ((character >= 0x2000 && character <= 0x20CF) || (character >= 0x2100 && character <= 0x214F))
        return true; // punctuation, super- and subscripts, currency, letter-like signs
    if (isPrivateUse(character) || (character >= 0xD800 && character <= 0xDFFF))
        return false;
    // Whatever else is everyday in GB, common Chinese above all.
    const std::int16_t value = cp936::value(character);
    return value < 0 && isEverydayGbCode(std::uint16_t(value));
}

// Both questions answered once for every character and every code, so
// that weighing a long file is a look-up a character.
struct Everyday
{
    std::bitset<0x10000> inUtf8;  // by UTF-16 unit
    std::bitset<0x10000> gbCodes; // by lead × 256 + trail
};

const Everyday &everyday()
{
    static const Everyday tables = [] {
        Everyday built;
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            built.inUtf8[unit] = isEverydayInUtf8(char16_t(unit));
            built.gbCodes[unit] = isEverydayGbCode(std::uint16_t(unit));
        }
        return built;
    }();
    return tables;
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
    const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data());
    const auto *end = p + bytes.size();
    if (!m_utf8.bad && !m_gb.bad)
        p = weigh(p, end);
    // Once GB is ruled out the weighing is over; only whether the bytes
    // stay UTF-8 is left to find out.
    if (!m_utf8.bad && m_gb.bad)
        checkUtf8(p, end);
}

// Both readings side by side, byte by byte, until the end or until one of
// them is ruled out; returns where it stopped. The state is worked on in
// locals, which the compiler can keep in registers.
const std::uint8_t *EncodingGuess::weigh(const std::uint8_t *p, const std::uint8_t *end)
{
    Utf8Reading u = m_utf8;
    GbReading g = m_gb;
    const Everyday *tables = nullptr;
    while (p < end) {
        const std::uint8_t byte = *p++;
        // ASCII between characters of both readings is the common case:
        // it only tells whether a letter came last.
        if (byte < 0x80 && u.needed == 0 && g.have == 0) {
            u.afterAsciiLetter = isAsciiLetter(byte);
            continue;
        }

        // UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
        if (u.needed > 0) {
            if (byte < u.low || byte > u.high) {
                u.bad = true;
                break;
            }
            u.low = 0x80;
            u.high = 0xBF;
            u.code = u.code << 6 | (byte & 0x3F);
            if (--u.needed == 0) {
                if (!tables)
                    tables = &everyday();
                if (u.code > 0xFFFF || !tables->inUtf8[u.code])
                    ++u.rare;
                if (!u.afterAsciiLetter || !isAccentedLatinLetter(u.code))
                    u.latinWords = false;
                u.afterAsciiLetter = false;
            }
        } else if (byte < 0x80) {
            u.afterAsciiLetter = isAsciiLetter(byte);
        } else {
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
                break;
            }
        }

        // GB: one byte, a two-byte code or a four-byte one.
        if (g.have == 0) {
            if (byte >= 0x80) {
                if (byte == 0x80 || byte == 0xFF) // the euro sign, a private-use character
                    ++g.rare;
                else
                    g.code[g.have++] = byte;
            }
        } else if (g.have == 1) {
            if (byte >= 0x40 && byte <= 0xFE && byte != 0x7F) {
                if (!tables)
                    tables = &everyday();
                if (!tables->gbCodes[std::size_t(g.code[0]) << 8 | byte])
                    ++g.rare;
                g.have = 0;
            } else if (byte >= 0x30 && byte <= 0x39) {
                g.code[g.have++] = byte;
            } else {
                g.bad = true;
                break;
            }
        } else if (g.have == 2) {
            if (byte < 0x81 || byte > 0xFE) {
                g.bad = true;
                break;
            }
            g.code[g.have++] = byte;
        } else {
            g.code[3] = byte;
            if (byte < 0x30 || byte > 0x39 || !fourByteCodeExists(g.code)) {
                g.bad = true;
                break;
            }
            // Four-byte codes hold what GBK lacks: never everyday Chinese.
            ++g.rare;
            g.have = 0;
        }
    }
    m_utf8 = u;
    m_gb = g;
    return p;
}

void EncodingGuess::checkUtf8(const std::uint8_t *p, const std::uint8_t *end)
{
    int needed = m_utf8.needed;
    std::uint8_t low = m_utf8.low;
    std::uint8_t high = m_utf8.high;
    bool nonAscii = m_utf8.nonAscii;
    while (p < end) {
        if (needed == 0) {
            // Eight ASCII bytes at a time.
            std::uint64_t word;
            while (end - p >= 8 && (std::memcpy(&word, p, 8), (word & 0x8080808080808080ull) == 0))
                p += 8;
            if (p == end)
                break;
            const std::uint8_t byte = *p++;
            if (byte < 0x80)
                continue;
            nonAscii = true;
            if (byte >= 0xC2 && byte <= 0xDF) {
                needed = 1;
            } else if (byte >= 0xE0 && byte <= 0xEF) {
                needed = 2;
                if (byte == 0xE0)
                    low = 0xA0;
                else if (byte == 0xED)
                    high = 0x9F;
            } else if (byte >= 0xF0 && byte <= 0xF4) {
                needed = 3;
                if (byte == 0xF0)
                    low = 0x90;
                else if (byte == 0xF4)
                    high = 0x8F;
            } else {
                m_utf8.bad = true;
                break;
            }
            continue;
        }
        const std::uint8_t byte = *p++;
        if (byte < low || byte > high) {
            m_utf8.bad = true;
            break;
        }
        low = 0x80;
        high = 0xBF;
        --needed;
    }
    m_utf8.needed = needed;
    m_utf8.low = low;
    m_utf8.high = high;
    m_utf8.nonAscii = nonAscii;
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
