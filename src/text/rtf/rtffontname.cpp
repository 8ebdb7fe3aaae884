#include "rtffontname.h"

#include "text/codepage.h"

namespace bilan::rtf {

namespace {

bool isPlausibleInName(char16_t c)
{
    return (c >= 0x20 && c < 0x7F) || (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF)
           || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF5E) || (c >= 0x3040 && c <= 0x30FF)
           || (c >= 0xAC00 && c <= 0xD7A3);
}

bool looksDamaged(const QString &name, bool singleByteCodePage)
{
    for (QChar c : name) {
        const char16_t u = c.unicode();
        // Undecodable bytes, half-width katakana (GBK lead bytes read as
        // Shift-JIS), C1 controls.
        if (u == 0xFFFD || (u >= 0xFF61 && u <= 0xFF9F) || (u >= 0x80 && u < 0xA0))
            return true;
        // A Western code page turns every double-byte name into accented
        // Latin letters; only a name that also reads as Chinese is given up.
        if (singleByteCodePage && u >= 0xA0 && u < 0x250)
            return true;
    }
    return false;
}

bool looksChinese(const QString &name)
{
    bool ideograph = false;
    for (QChar c : name) {
        if (!isPlausibleInName(c.unicode()))
            return false;
        ideograph = ideograph || c.unicode() >= 0x3400;
    }
    return ideograph;
}

} // namespace

QString fontNameFromBytes(QByteArrayView bytes, int codePage)
{
    const QString declared = codepage::decode(codePage, bytes);
    if (codePage == codepage::Gbk || !looksDamaged(declared, !codepage::isMultiByte(codePage)))
        return declared;
    const QString gbk = codepage::decode(codepage::Gbk, bytes);
    return looksChinese(gbk) ? gbk : declared;
}

} // namespace bilan::rtf
