// The reminder's reading of its minutes over arbitrary text: it never
// gives NaN, the ignored blanks make no difference wherever they stand,
// and nothing after a character that cannot belong to a number counts.

#include "text/numericprefix.h"

#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const double read = bilan::numericPrefix(text);
    if (std::isnan(read))
        std::abort();

    QString compact = text;
    compact.remove(u' ').remove(u'\t').remove(u'\n');
    if (bilan::numericPrefix(compact) != read)
        std::abort();

    if (bilan::numericPrefix(text + QStringLiteral("分") + text) != read)
        std::abort();
    return 0;
}
