#pragma once

#include <QByteArrayView>
#include <QString>

namespace bilan::rtf {

// The name of a font table entry written as bytes in the code page of its
// charset. Writers get the charset wrong for Chinese names: LibreOffice
// writes 宋体 under the Japanese charset (correctly, in Shift-JIS), others
// write GBK bytes under a Western or Japanese charset. A name that reads
// as damaged in its own code page but as Chinese in GBK is taken as GBK.
QString fontNameFromBytes(QByteArrayView bytes, int codePage);

} // namespace bilan::rtf
