#pragma once

#include <QStringView>

namespace bilan {

// The number a text starts with, the way the reminder reads its minutes:
// blanks, tabs and line feeds are dropped wherever they stand, then the
// longest leading run that forms a number is read — an optional sign,
// digits with at most one full stop, an optional exponent (E or D, either
// case, with an optional sign and digits) — or "&H" with hexadecimal digits,
// or "&O" with octal digits. Whatever follows is ignored, and a text that
// starts with no number reads as 0. A number too large for a double reads
// as an infinity, a decimal one too small as 0.
double numericPrefix(QStringView text);

} // namespace bilan
