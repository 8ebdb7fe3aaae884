#include "rtfrunformat.h"

#include "rtfcolortable.h"
#include "rtffonttable.h"

#include <QStringList>

namespace bilan::rtf {

namespace {

// The font the editor writes in, for files that name none.
const QString &fallbackFamily()
{
    static const QString family = QStringLiteral("宋体");
    return family;
}

} // namespace

size_t qHash(const RunKey &key, size_t seed)
{
    return qHashMulti(seed, key.font, key.foreground, key.background, key.halfPoints,
                      (key.bold << 0) | (key.italic << 1) | (key.underline << 2) | (key.strike << 3)
                          | (key.vertical << 4));
}

RunKey runKeyOf(const CharProps &c, const FontTable &fonts, const ColorTable &colors)
{
    RunKey key;
    int font = c.font;
    int halfPoints = c.halfPoints;
    bool bold = c.bold;
    bool italic = c.italic;
    const auto associated = [&](int assocFont, int assocHalfPoints, int assocBold, int assocItalic) {
        if (assocFont >= 0)
            font = assocFont;
        if (assocHalfPoints > 0)
            halfPoints = assocHalfPoints;
        if (assocBold >= 0)
            bold = assocBold;
        if (assocItalic >= 0)
            italic = assocItalic;
    };
    if (c.runType == RunType::Double)
        associated(c.fontDouble, c.halfPointsDouble, c.boldDouble, c.italicDouble);
    else if (c.runType == RunType::High)
        associated(c.fontHigh, c.halfPointsHigh, c.boldHigh, c.italicHigh);
    key.font = fonts.resolve(font);
    key.halfPoints = std::int16_t(halfPoints);
    key.bold = bold;
    key.italic = italic;
    key.underline = c.underline;
    key.strike = c.strike;
    key.vertical = c.vertical;
    key.foreground = colors.usable(c.foreground);
    key.background = colors.usable(c.background);
    return key;
}

const QTextCharFormat &RunFormats::formatFor(const RunKey &key)
{
    auto it = m_formats.find(key);
    if (it != m_formats.end())
        return *it;
    QTextCharFormat format;
    QStringList families;
    if (key.font >= 0) {
        const FontEntry &font = m_fonts.entry(key.font);
        families.append(font.name.isEmpty() ? fallbackFamily() : font.name);
        if (!font.alternative.isEmpty() && font.alternative != families.first())
            families.append(font.alternative);
    } else {
        families.append(fallbackFamily());
    }
    format.setFontFamilies(families);
    format.setFontPointSize(key.halfPoints / 2.0);
    if (key.bold)
        format.setFontWeight(QFont::Bold);
    if (key.italic)
        format.setFontItalic(true);
    if (key.underline)
        format.setFontUnderline(true);
    if (key.strike)
        format.setFontStrikeOut(true);
    if (key.vertical == 1)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (key.vertical == 2)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (key.foreground >= 0)
        format.setForeground(m_colors.at(key.foreground));
    if (key.background >= 0)
        format.setBackground(m_colors.at(key.background));
    return *m_formats.insert(key, format);
}

} // namespace bilan::rtf
