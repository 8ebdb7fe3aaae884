#include "rtfproperties.h"

#include "rtfformat.h"

#include <algorithm>

namespace bilan::rtf {

Applied applyProperty(Keyword keyword, bool has, int p, CharProps &c, ParaProps &para, TabStops &tabs)
{
    const bool on = !has || p != 0;
    switch (keyword) {
    case Keyword::Font:
        c.font = p;
        if (c.runType == RunType::High)
            c.fontHigh = p;
        else if (c.runType == RunType::Double)
            c.fontDouble = p;
        break;
    case Keyword::FontSize: {
        const auto size = std::int16_t(has && p > 0 ? std::clamp(p, 2, 3276) : 24);
        c.halfPoints = size;
        if (c.runType == RunType::High)
            c.halfPointsHigh = size;
        else if (c.runType == RunType::Double)
            c.halfPointsDouble = size;
        break;
    }
    case Keyword::AssociatedFont:
        if (!c.rightToLeft && c.runType == RunType::High)
            c.fontHigh = p;
        else if (!c.rightToLeft && c.runType == RunType::Double)
            c.fontDouble = p;
        break;
    case Keyword::AssociatedFontSize:
        if (!c.rightToLeft && c.runType != RunType::Low)
            (c.runType == RunType::High ? c.halfPointsHigh : c.halfPointsDouble)
                = std::int16_t(has && p > 0 ? std::clamp(p, 2, 3276) : 24);
        break;
    case Keyword::AssociatedBold:
        if (!c.rightToLeft && c.runType != RunType::Low)
            (c.runType == RunType::High ? c.boldHigh : c.boldDouble) = on;
        break;
    case Keyword::AssociatedItalic:
        if (!c.rightToLeft && c.runType != RunType::Low)
            (c.runType == RunType::High ? c.italicHigh : c.italicDouble) = on;
        break;
    case Keyword::Bold: c.bold = on; break;
    case Keyword::Italic: c.italic = on; break;
    case Keyword::Underline: c.underline = on; break;
    case Keyword::UnderlineNone: c.underline = false; break;
    case Keyword::Strike:
    case Keyword::StrikeDouble:
        c.strike = on;
        break;
    case Keyword::ForeColor: c.foreground = has ? p : -1; break;
    case Keyword::BackColor:
    case Keyword::CharShading:
        c.background = has ? p : -1;
        break;
    case Keyword::Highlight: c.background = has && p > 0 ? p : -1; break;
    case Keyword::Superscript: c.vertical = on ? 1 : 0; break;
    case Keyword::Subscript: c.vertical = on ? 2 : 0; break;
    case Keyword::NoSuperSub: c.vertical = 0; break;
    case Keyword::LowAnsi: c.runType = RunType::Low; break;
    case Keyword::HighAnsi: c.runType = RunType::High; break;
    case Keyword::DoubleByte: c.runType = RunType::Double; break;
    case Keyword::RightToLeftChars: c.rightToLeft = true; return Applied::Other;
    case Keyword::LeftToRightChars: c.rightToLeft = false; return Applied::Other;

    case Keyword::AlignLeft: para.alignment = 0; return Applied::Other;
    case Keyword::AlignCenter: para.alignment = 1; return Applied::Other;
    case Keyword::AlignRight: para.alignment = 2; return Applied::Other;
    case Keyword::AlignJustify:
    case Keyword::AlignDistribute:
        para.alignment = 3;
        return Applied::Other;
    case Keyword::LeftIndent:
    case Keyword::LeftIndentLtr:
        para.left = std::clamp(p, -kMaxTwips, kMaxTwips);
        return Applied::Other;
    case Keyword::RightIndent:
    case Keyword::RightIndentLtr:
        para.right = std::clamp(p, -kMaxTwips, kMaxTwips);
        return Applied::Other;
    case Keyword::FirstIndent: para.first = std::clamp(p, -kMaxTwips, kMaxTwips); return Applied::Other;
    case Keyword::SpaceBefore: para.before = std::clamp(p, 0, kMaxTwips); return Applied::Other;
    case Keyword::SpaceAfter: para.after = std::clamp(p, 0, kMaxTwips); return Applied::Other;
    case Keyword::InTable: para.inTable = on; return Applied::Other;
    case Keyword::TableLevel: para.inTable = has && p > 0; return Applied::Other;
    case Keyword::ListOverride: para.listId = p; return Applied::Other;
    case Keyword::ListLevel: para.listLevel = std::int8_t(std::clamp(p, 0, 8)); return Applied::Other;
    case Keyword::OutlineLevel: para.outline = std::int8_t(std::clamp(p, 0, 8)); return Applied::Other;
    case Keyword::TabCenter: tabs.nextType = QTextOption::CenterTab; return Applied::Other;
    case Keyword::TabRight: tabs.nextType = QTextOption::RightTab; return Applied::Other;
    case Keyword::TabDecimal: tabs.nextType = QTextOption::DelimiterTab; return Applied::Other;
    case Keyword::TabPosition:
        if (has && p > 0 && p <= kMaxTwips && tabs.tabs.size() < 64) {
            QTextOption::Tab tab(p / double(kTwipsPerPixel), tabs.nextType);
            if (tabs.nextType == QTextOption::DelimiterTab)
                tab.delimiter = QLatin1Char('.');
            tabs.tabs.append(tab);
        }
        tabs.nextType = QTextOption::LeftTab;
        return Applied::Other;
    case Keyword::TabBar: tabs.nextType = QTextOption::LeftTab; return Applied::Other;
    default:
        return Applied::No;
    }
    return Applied::Character;
}

ParagraphFormat paragraphFormat(const ParaProps &p, const QString &label, const TabStops &tabs)
{
    ParagraphFormat format;
    static constexpr Qt::Alignment kAlignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                    Qt::AlignJustify};
    format.alignment = kAlignments[p.alignment & 3];
    format.leftTwips = p.left;
    format.rightTwips = p.right;
    format.firstLineTwips = p.first;
    format.beforeTwips = p.before;
    format.afterTwips = p.after;
    format.headingLevel = p.outline >= 0 ? p.outline + 1 : 0;
    format.listId = p.listId;
    format.listLevel = p.listLevel;
    format.listLabel = label;
    format.tabs = tabs.tabs;
    return format;
}

} // namespace bilan::rtf
