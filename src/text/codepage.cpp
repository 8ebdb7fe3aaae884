#include "codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

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
    case 10000: return "macintosh";
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
        // its end reads as one bad character instead of vanishing.
        Converters pair{QStringDecoder(name, QStringConverter::Flag::Stateless),
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

} // namespace

int forCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 77: return 10000;
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

QString decode(int codePage, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    Converters *pair = converters(codePage);
    if (!pair)
        pair = converters(WesternEuropean);
    if (!pair)
        return latin1Fallback(bytes);
    pair->decoder.resetState();
    return pair->decoder.decode(bytes);
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
    return pair->encoder.encode(text);
}

} // namespace bilan::codepage
