#include "cp936.h"

#include "codepage.h"

#include <QByteArray>

#include <algorithm>

namespace bilan::cp936 {

namespace {

// No character but U+0001 encodes to the byte 0x01, and 0x01 is never part
// of a double-byte character, so it can stand between the characters of
// one big conversion and tell where each one's bytes end. One converter
// call then does the work of tens of thousands.
constexpr char16_t Separator = u'\u0001';
constexpr char SeparatorByte = '\x01';

bool isSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

std::int16_t valueOfBytes(QByteArrayView bytes)
{
    if (bytes.size() == 1)
        return std::uint8_t(bytes[0]);
    if (bytes.size() == 2)
        return std::int16_t(std::uint16_t(std::uint8_t(bytes[0]) << 8 | std::uint8_t(bytes[1])));
    // Nothing at all (the converter drops some characters it cannot map),
    // or a substitute longer than one character: not in the code page.
    return Unrepresentable;
}

std::int16_t valueByConverter(char16_t unit)
{
    return valueOfBytes(codepage::encode(codepage::Gbk, QStringView(&unit, 1)));
}

void buildValues(std::array<std::int16_t, 0x10000> &values)
{
    values.fill(Unrepresentable);
    if (!codepage::isSupported(codepage::Gbk)) {
        for (char16_t unit = 0; unit < 0x80; ++unit)
            values[unit] = std::int16_t(unit);
        return;
    }

    QString batch;
    batch.reserve(2 * 0x10000);
    for (char32_t unit = 0; unit < 0x10000; ++unit) {
        if (unit == Separator || isSurrogate(unit))
            continue;
        batch.append(QChar(char16_t(unit)));
        batch.append(QChar(Separator));
    }
    const QByteArray encoded = codepage::encode(codepage::Gbk, batch);

    bool aligned = true;
    qsizetype start = 0;
    for (char32_t unit = 0; unit < 0x10000 && aligned; ++unit) {
        if (unit == Separator || isSurrogate(unit))
            continue;
        const qsizetype end = encoded.indexOf(SeparatorByte, start);
        if (end < 0) {
            aligned = false;
            break;
        }
        values[unit] = valueOfBytes(QByteArrayView(encoded).sliced(start, end - start));
        start = end + 1;
    }
    if (!aligned || start != encoded.size()) {
        // A converter that merged or split across the separators: fall
        // back to asking for each character alone.
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            if (!isSurrogate(unit))
                values[unit] = valueByConverter(char16_t(unit));
        }
    }
    values[Separator] = valueByConverter(Separator);
}

// Every 16-bit pattern a value can have that might name a character: the
// single bytes (lead bytes alone never do) and lead × 256 + trail over the
// code page's lead and trail ranges.
template<typename Visit>
void forEachCandidate(Visit visit)
{
    for (int byte = 0; byte <= 0x80; ++byte)
        visit(std::uint16_t(byte));
    visit(std::uint16_t(0xFF));
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail != 0x7F)
                visit(std::uint16_t(lead << 8 | trail));
        }
    }
}

void appendBytes(QByteArray &out, std::uint16_t code)
{
    if (code > 0xFF)
        out.append(char(code >> 8));
    out.append(char(code & 0xFF));
}

char16_t characterOfText(QStringView text)
{
    if (text.size() != 1 || text[0] == QChar(Replacement) || text[0].isSurrogate())
        return Replacement;
    return text[0].unicode();
}

char16_t characterByConverter(std::uint16_t code)
{
    QByteArray bytes;
    appendBytes(bytes, code);
    return characterOfText(codepage::decode(codepage::Gbk, bytes));
}

void buildCharacters(std::array<char16_t, 0x10000> &characters)
{
    characters.fill(Replacement);
    if (!codepage::isSupported(codepage::Gbk)) {
        for (char16_t unit = 0; unit < 0x80; ++unit)
            characters[unit] = unit;
        return;
    }

    QByteArray batch;
    batch.reserve(3 * 24000);
    forEachCandidate([&batch](std::uint16_t code) {
        if (code == std::uint16_t(SeparatorByte))
            return;
        appendBytes(batch, code);
        batch.append(SeparatorByte);
    });
    const QString decoded = codepage::decode(codepage::Gbk, batch);

    bool aligned = true;
    qsizetype start = 0;
    forEachCandidate([&](std::uint16_t code) {
        if (!aligned || code == std::uint16_t(SeparatorByte))
            return;
        const qsizetype end = decoded.indexOf(QChar(Separator), start);
        if (end < 0) {
            aligned = false;
            return;
        }
        characters[code] = characterOfText(QStringView(decoded).sliced(start, end - start));
        start = end + 1;
    });
    if (!aligned || start != decoded.size()) {
        characters.fill(Replacement);
        forEachCandidate([&characters](std::uint16_t code) {
            characters[code] = characterByConverter(code);
        });
    }
    characters[std::uint8_t(SeparatorByte)] = characterByConverter(std::uint8_t(SeparatorByte));
}

const detail::Tables &tables()
{
    // Built on first use, not at start-up: most sessions never count or
    // encrypt, and the build costs a few milliseconds.
    static const std::unique_ptr<detail::Tables> shared = detail::buildTables();
    return *shared;
}

} // namespace

namespace detail {

std::unique_ptr<Tables> buildTables()
{
    auto built = std::make_unique<Tables>();
    buildValues(built->values);
    buildCharacters(built->characters);
    return built;
}

} // namespace detail

bool isAvailable()
{
    return codepage::isSupported(codepage::Gbk);
}

void prepare()
{
    tables();
}

std::int16_t value(char16_t unit)
{
    return tables().values[unit];
}

std::vector<std::int16_t> values(QStringView text)
{
    std::vector<std::int16_t> out(std::size_t(text.size()));
    values(text, out);
    return out;
}

void values(QStringView text, std::span<std::int16_t> out)
{
    const auto &table = tables().values;
    const char16_t *units = text.utf16();
    const std::size_t count = std::min(out.size(), std::size_t(text.size()));
    for (std::size_t i = 0; i < count; ++i)
        out[i] = table[units[i]];
}

char16_t character(int value)
{
    if (value < -32768 || value > 32767)
        return Replacement;
    return tables().characters[std::uint16_t(value)];
}

QString characters(std::span<const std::int16_t> values)
{
    const auto &table = tables().characters;
    QString out(qsizetype(values.size()), Qt::Uninitialized);
    char16_t *units = reinterpret_cast<char16_t *>(out.data());
    for (std::size_t i = 0; i < values.size(); ++i)
        units[i] = table[std::uint16_t(values[i])];
    return out;
}

QByteArray bytes(std::int16_t value)
{
    QByteArray out;
    appendBytes(out, std::uint16_t(value));
    return out;
}

} // namespace bilan::cp936
