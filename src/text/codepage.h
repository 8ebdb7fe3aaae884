#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace bilan {

// Conversion between text and the bytes of a Windows code page, backed by
// the platform's converters (Qt's ICU codecs). This is the only place that
// names the platform's converters.
namespace codepage {

inline constexpr int Gbk = 936;
inline constexpr int Gb18030 = 54936;
inline constexpr int Big5 = 950;
inline constexpr int ShiftJis = 932;
inline constexpr int Korean = 949;
inline constexpr int WesternEuropean = 1252;
inline constexpr int Utf8 = 65001;
// The Mac's own, which \mac files and fonts of the Mac charsets use.
inline constexpr int MacRoman = 10000;
inline constexpr int MacJapanese = 10001;
inline constexpr int MacTraditionalChinese = 10002;
inline constexpr int MacKorean = 10003;
inline constexpr int MacSimplifiedChinese = 10008;

// The code page of an RTF font charset (\fcharsetN), or 0 when the charset
// names none (default, symbol, OEM), so that the caller keeps the
// document's own code page.
int forCharset(int charset);

// True when the platform can convert the code page.
bool isSupported(int codePage);

// True for the code pages whose characters may take more than one byte.
bool isMultiByte(int codePage);

// Bytes that do not form a character become U+FFFD; an unsupported code
// page is read as 1252.
QString decode(int codePage, QByteArrayView bytes);
// Characters the code page lacks become '?'.
QByteArray encode(int codePage, QStringView text);

} // namespace codepage
} // namespace bilan
