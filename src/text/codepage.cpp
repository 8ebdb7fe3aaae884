#include "codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cstdint>
#include <unordered_map>

namespace bilan::codepage {

namespace {

const char *converterName(int codePage)
{
    switch (codePage) {
    case Gbk: return "GBK";
    case Gb18030: return "GB18030";
    case Big5: return "windows-950";
    case ShiftJis: return "windows-932";
    case Korean: return "windows-949";
    case Utf8: return "UTF-8";
    case 874: return "windows-874";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1252: return "windows-1252";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    case MacRoman: return "macintosh";
    // ICU has no converter of the Mac's own for its East Asian code pages.
    // Each is its script's double-byte code (Shift-JIS, Big5, GB2312, KS X
    // 1001), which the Windows code page extends and reads the same; the
    // single bytes Apple added are read in decode().
    case MacJapanese: return "windows-932";
    case MacTraditionalChinese: return "windows-950";
    case MacKorean: return "windows-949";
    case MacSimplifiedChinese: return "GBK";
    case 10006: return "x-mac-greek";
    case 10007: return "x-mac-cyrillic";
    case 10029: return "x-mac-centraleurroman";
    case 10081: return "x-mac-turkish";
    default: return nullptr;
    }
}

// Opening a converter is far dearer than using one, so each code page's
// pair is opened once per thread and reset before every use.
struct Converters
{
    QStringDecoder decoder;
    QStringEncoder encoder;
};

Converters *converters(int codePage)
{
    thread_local std::unordered_map<int, Converters> cache;
    auto it = cache.find(codePage);
    if (it == cache.end()) {
        const char *name = converterName(codePage);
        if (!name)
            return nullptr;
        // Stateless: every call is a whole text, and a sequence cut off at
        // its end reads as one bad character instead of vanishing. A U+FEFF
        // at the start of the bytes is kept: callers hand over pieces of
        // longer texts, and a piece that happens to begin with one must not
        // lose it (byte-order marks are the plain-text reader's business).
        const QStringConverter::Flags decoderFlags =
            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
        Converters pair{QStringDecoder(name, decoderFlags),
                        QStringEncoder(name, QStringConverter::Flag::Stateless)};
        if (!pair.decoder.isValid() || !pair.encoder.isValid())
            return nullptr;
        it = cache.emplace(codePage, std::move(pair)).first;
    }
    return &it->second;
}

QString latin1Fallback(QByteArrayView bytes)
{
    // Without a converter for 1252 (never the case with ICU), Latin-1 is
    // the closest reading.
    return QString::fromLatin1(bytes.data(), bytes.size());
}

QString decodeWith(int codePage, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    Converters *pair = converters(codePage);
    if (!pair)
        pair = converters(WesternEuropean);
    if (!pair)
        return latin1Fallback(bytes);
    pair->decoder.resetState();
    if (codePage == Utf8 || std::uint8_t(bytes.back()) < 0x80)
        return pair->decoder.decode(bytes);
    // The ICU converters keep a sequence cut off at the end of the bytes
    // for a next call that never comes, and it vanishes. A line feed, which
    // no code page here uses inside a sequence, ends it as one bad
    // character; the line feed itself is then taken off again.
    QByteArray padded;
    padded.reserve(bytes.size() + 1);
    padded.append(bytes);
    padded.append('\n');
    QString text = pair->decoder.decode(padded);
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

// Apple's Japanese and Chinese code pages give four bytes that their
// double-byte codes leave unused a character each: no-break space, ©, ™
// and …. Neither ICU nor glibc's iconv converts these code pages, so those
// bytes are picked out here where a character starts, and everything
// between them goes to the converter of the code they are based on.
char16_t appleSingleByte(std::uint8_t byte)
{
    switch (byte) {
    case 0xA0: return 0x00A0;
    case 0xFD: return 0x00A9;
    case 0xFE: return 0x2122;
    case 0xFF: return 0x2026;
    default: return 0;
    }
}

bool isLeadByte(int codePage, std::uint8_t byte)
{
    if (codePage == MacJapanese)
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    return byte >= 0xA1 && byte <= 0xFC; // Big5 and GB2312
}

QString decodeMacEastAsian(int codePage, QByteArrayView bytes)
{
    QString text;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto byte = std::uint8_t(bytes[i]);
        if (const char16_t single = appleSingleByte(byte)) {
            text += decodeWith(codePage, bytes.sliced(start, i - start));
            text += QChar(single);
            start = ++i;
        } else {
            i += isLeadByte(codePage, byte) && i + 1 < bytes.size() ? 2 : 1;
        }
    }
    return text + decodeWith(codePage, bytes.sliced(start));
}

} // namespace

int forCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;
    // The Mac charsets: Roman, Japanese, Korean, Simplified and Traditional
    // Chinese, then Hebrew, Arabic, Greek, Turkish, Thai, Central European
    // and Cyrillic (82, the old Johab, has no Mac code page).
    case 77: return MacRoman;
    case 78: return MacJapanese;
    case 79: return MacKorean;
    case 80: return MacSimplifiedChinese;
    case 81: return MacTraditionalChinese;
    case 83: return 10005;
    case 84: return 10004;
    case 85: return 10006;
    case 86: return 10081;
    case 87: return 10021;
    case 88: return 10029;
    case 89: return 10007;
    case 128: return ShiftJis;
    case 129: return Korean;
    case 134: return Gbk;
    case 136: return Big5;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;
    }
}

bool isSupported(int codePage)
{
    return converters(codePage) != nullptr;
}

bool isMultiByte(int codePage)
{
    switch (codePage) {
    case Gbk: case Gb18030: case Big5: case ShiftJis: case Korean: case Utf8:
    case MacJapanese: case MacTraditionalChinese: case MacKorean: case MacSimplifiedChinese:
        return true;
    default:
        return false;
    }
}

QString decode(int codePage, QByteArrayView bytes)
{
    if (codePage == MacJapanese || codePage == MacTraditionalChinese || codePage == MacSimplifiedChinese)
        return decodeMacEastAsian(codePage, bytes);
    return decodeWith(codePage, bytes);
}

QByteArray encode(int codePage, QStringView text)
{
    if (text.isEmpty())
        return {};
    Converters *pair = converters(codePage);
    if (!pair)
        pair = converters(WesternEuropean);
    if (!pair)
        return text.toLatin1();
    pair->encoder.resetState();
    // A high surrogate at the very end would wait for its other half and
    // vanish; it is a character the code page lacks like any other.
    if (text.back().isHighSurrogate() && codePage != Utf8) {
        QByteArray bytes = pair->encoder.encode(text.chopped(1));
        bytes.append('?');
        return bytes;
    }
    return pair->encoder.encode(text);
}

} // namespace bilan::codepage
