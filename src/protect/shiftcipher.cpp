#include "shiftcipher.h"

#include "text/cp936.h"

#include <bitset>
#include <numeric>
#include <vector>

namespace bilan::protect {

namespace {

const char16_t kBuiltInExempt[] = u"小毒取病！印选仅英省场并尝住丁注常失尽馈";

// Units a manuscript cannot hold inside a paragraph: the editor turns each
// into a paragraph or frame boundary the moment it is inserted, so a
// character shifted onto one of them could not be put back. Of these only
// the carriage return is in code page 936; it is left out of the ring and
// its neighbours step over it. The line feed stays in, so that a tab in
// text encrypted by earlier builds still decrypts to the paragraph break
// it stood for (see documentcipher).
//
// NUL is left out as well: no manuscript file carries it (a plain-text
// file holding it is no text file, and RTF readers drop it), so U+0001,
// which would shift onto it, steps over it to the ring's last character.
// No manuscript holds a NUL, so nothing encrypted before depends on it.
const char16_t kNotInFiles[] = {u'\0', u'\r', u'\x2029', u'\xFDD0', u'\xFDD1'};

} // namespace

struct ShiftCipher::Tables
{
    Table encrypt;
    Table decrypt;
};

QStringView builtInExemptCharacters()
{
    return QStringView(kBuiltInExempt, std::size(kBuiltInExempt) - 1);
}

ShiftCipher::ShiftCipher(QStringView exempt)
    : m_tables(std::make_unique<Tables>())
{
    std::bitset<0x10000> kept;
    for (const QChar c : builtInExemptCharacters())
        kept.set(c.unicode());
    for (const QChar c : exempt)
        kept.set(c.unicode());
    for (const char16_t unit : kNotInFiles)
        kept.set(unit);

    // The ring in order of signed value, double-byte characters (negative)
    // first. A value counts only when its character converts back to it.
    std::vector<char16_t> ring;
    ring.reserve(24100);
    for (int value = -32768; value <= 32767; ++value) {
        const char16_t unit = cp936::character(value);
        if (unit != cp936::Replacement && cp936::value(unit) == value && !kept.test(unit))
            ring.push_back(unit);
    }

    std::iota(m_tables->encrypt.begin(), m_tables->encrypt.end(), char16_t(0));
    m_tables->decrypt = m_tables->encrypt;
    const std::size_t n = ring.size();
    for (std::size_t i = 0; i < n; ++i) {
        m_tables->encrypt[ring[i]] = ring[(i + n - 1) % n];
        m_tables->decrypt[ring[i]] = ring[(i + 1) % n];
    }
    m_ringSize = int(n);
}

ShiftCipher::~ShiftCipher() = default;

const ShiftCipher::Table &ShiftCipher::table(Direction direction) const
{
    return direction == Direction::Encrypt ? m_tables->encrypt : m_tables->decrypt;
}

QString ShiftCipher::apply(QStringView text, Direction direction) const
{
    QString out(text.size(), Qt::Uninitialized);
    apply(text, std::span<char16_t>(reinterpret_cast<char16_t *>(out.data()), std::size_t(out.size())), direction);
    return out;
}

void ShiftCipher::apply(QStringView text, std::span<char16_t> out, Direction direction) const
{
    const Table &map = table(direction);
    const char16_t *in = text.utf16();
    const std::size_t n = std::min(out.size(), std::size_t(text.size()));
    for (std::size_t i = 0; i < n; ++i)
        out[i] = map[in[i]];
}

} // namespace bilan::protect
