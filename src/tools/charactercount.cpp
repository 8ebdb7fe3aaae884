#include "charactercount.h"

#include "text/cp936.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

namespace bilan {

namespace {

QString figures(const CharacterCount &count, QLatin1StringView between)
{
    return QStringLiteral("中文字数：%1个").arg(count.chinese) + between
           + QStringLiteral("其它字符数：%1个").arg(count.other);
}

} // namespace

CharacterCount CharacterCount::of(QStringView text)
{
    // The values come in slices through one buffer on the stack: the bulk
    // conversion is what keeps a million characters within a few
    // milliseconds, and a slice keeps it from allocating a copy of the
    // whole manuscript.
    constexpr qsizetype Slice = 4096;
    std::array<std::int16_t, Slice> values;
    CharacterCount count;
    for (qsizetype start = 0; start < text.size(); start += Slice) {
        const QStringView slice = text.sliced(start, std::min(Slice, text.size() - start));
        const std::span<std::int16_t> out(values.data(), std::size_t(slice.size()));
        cp936::values(slice, out);
        for (const std::int16_t value : out) {
            if (value < 0)
                ++count.chinese;
            else if (value >= 33 && value <= 126)
                ++count.other;
        }
    }
    return count;
}

QString CharacterCount::report() const
{
    return figures(*this, QLatin1StringView("\n\n"));
}

QString CharacterCount::stamp() const
{
    return figures(*this, QLatin1StringView("\n"));
}

} // namespace bilan
