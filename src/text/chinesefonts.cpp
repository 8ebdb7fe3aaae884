#include "chinesefonts.h"

#include <QLatin1StringView>

#include <array>

namespace bilan::chinesefonts {

namespace {

using enum Style;

constexpr std::array<Font, 11> kFonts = {{
    {u"宋体", "SimSun", Song},
    {u"新宋体", "NSimSun", Song},
    {u"宋体-方正超大字符集", nullptr, Song},
    {u"黑体", "SimHei", Hei},
    {u"微软雅黑", "Microsoft YaHei", Hei},
    {u"幼圆", "YouYuan", Hei},
    {u"楷体", "KaiTi", Kai},
    {u"楷体_GB2312", "KaiTi_GB2312", Kai},
    // A brush face: 楷体's stand-ins are the nearest in look.
    {u"隶书", "LiSu", Kai},
    {u"仿宋", "FangSong", FangSong},
    {u"仿宋_GB2312", "FangSong_GB2312", FangSong},
}};

} // namespace

std::span<const Font> all()
{
    return kFonts;
}

const Font *byName(QStringView name)
{
    for (const Font &font : kFonts) {
        if (name == QStringView(font.name))
            return &font;
    }
    return nullptr;
}

const Font *byLatinName(QStringView name)
{
    for (const Font &font : kFonts) {
        if (font.latin && name.compare(QLatin1StringView(font.latin), Qt::CaseInsensitive) == 0)
            return &font;
    }
    return nullptr;
}

} // namespace bilan::chinesefonts
