#include "rtfkeywords.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace bilan::rtf {

namespace {

struct Entry
{
    std::string_view word;
    Keyword keyword;
};

using K = Keyword;

constexpr Entry kEntries[] = {
    {"fonttbl", K::FontTable},
    {"colortbl", K::ColorTable},
    {"pict", K::Picture},
    {"shppict", K::ShapePicture},
    {"nonshppict", K::NonShapePicture},
    {"field", K::Field},
    {"fldinst", K::FieldInstruction},
    {"fldrslt", K::FieldResult},
    {"listtext", K::ListText},
    {"pntext", K::ParagraphNumberText},
    {"falt", K::FontAlternative},
    {"upr", K::UnicodePair},
    {"ud", K::UnicodeAlternative},
    {"result", K::ObjectResult},
    {"shprslt", K::ShapeResult},
    {"stylesheet", K::Stylesheet},

    {"s", K::ParagraphStyle},
    {"cs", K::CharacterStyle},
    {"ds", K::OtherStyle},
    {"ts", K::OtherStyle},
    {"sbasedon", K::BasedOn},

    // Never shown in the body. Most arrive as \* groups and would be skipped
    // anyway; these are the ones writers also put without \*, and the
    // familiar \* ones, so that a reader of this table sees the whole list.
    {"info", K::SkippedDestination},
    {"header", K::SkippedDestination},
    {"headerl", K::SkippedDestination},
    {"headerr", K::SkippedDestination},
    {"headerf", K::SkippedDestination},
    {"footer", K::SkippedDestination},
    {"footerl", K::SkippedDestination},
    {"footerr", K::SkippedDestination},
    {"footerf", K::SkippedDestination},
    {"footnote", K::SkippedDestination},
    {"annotation", K::SkippedDestination},
    {"atnid", K::SkippedDestination},
    {"atnauthor", K::SkippedDestination},
    {"atndate", K::SkippedDestination},
    {"atnref", K::SkippedDestination},
    {"atrfstart", K::SkippedDestination},
    {"atrfend", K::SkippedDestination},
    {"listtable", K::SkippedDestination},
    {"listoverridetable", K::SkippedDestination},
    // The parts of the list tables: a writer that puts one outside its
    // table must not have its level texts and names read as body text.
    {"list", K::SkippedDestination},
    {"listlevel", K::SkippedDestination},
    {"leveltext", K::SkippedDestination},
    {"levelnumbers", K::SkippedDestination},
    {"listname", K::SkippedDestination},
    {"liststylename", K::SkippedDestination},
    {"listoverride", K::SkippedDestination},
    {"lfolevel", K::SkippedDestination},
    {"revtbl", K::SkippedDestination},
    {"rsidtbl", K::SkippedDestination},
    {"generator", K::SkippedDestination},
    {"xmlnstbl", K::SkippedDestination},
    {"themedata", K::SkippedDestination},
    {"colorschememapping", K::SkippedDestination},
    {"latentstyles", K::SkippedDestination},
    {"datastore", K::SkippedDestination},
    {"pgdsctbl", K::SkippedDestination},
    {"bkmkstart", K::SkippedDestination},
    {"bkmkend", K::SkippedDestination},
    {"txe", K::SkippedDestination},
    {"xe", K::SkippedDestination},
    {"tc", K::SkippedDestination},
    {"tcn", K::SkippedDestination},
    {"pn", K::SkippedDestination},
    {"pnseclvl", K::SkippedDestination},
    {"pntxta", K::SkippedDestination},
    {"pntxtb", K::SkippedDestination},
    {"ftnsep", K::SkippedDestination},
    {"ftnsepc", K::SkippedDestination},
    {"ftncn", K::SkippedDestination},
    {"aftnsep", K::SkippedDestination},
    {"aftnsepc", K::SkippedDestination},
    {"aftncn", K::SkippedDestination},
    {"author", K::SkippedDestination},
    {"operator", K::SkippedDestination},
    {"title", K::SkippedDestination},
    {"subject", K::SkippedDestination},
    {"keywords", K::SkippedDestination},
    {"comment", K::SkippedDestination},
    {"doccomm", K::SkippedDestination},
    {"company", K::SkippedDestination},
    {"manager", K::SkippedDestination},
    {"category", K::SkippedDestination},
    {"hlinkbase", K::SkippedDestination},
    {"creatim", K::SkippedDestination},
    {"revtim", K::SkippedDestination},
    {"printim", K::SkippedDestination},
    {"buptim", K::SkippedDestination},
    {"userprops", K::SkippedDestination},
    {"template", K::SkippedDestination},
    {"docvar", K::SkippedDestination},
    {"filetbl", K::SkippedDestination},
    {"protusertbl", K::SkippedDestination},
    {"password", K::SkippedDestination},
    {"passwordhash", K::SkippedDestination},
    {"mmathPr", K::SkippedDestination},
    {"listpicture", K::SkippedDestination},
    {"panose", K::SkippedDestination},
    {"fname", K::SkippedDestination},
    {"nesttableprops", K::SkippedDestination},
    {"nonesttables", K::SkippedDestination},
    {"picprop", K::SkippedDestination},
    {"blipuid", K::SkippedDestination},
    {"shpinst", K::SkippedDestination},
    {"objdata", K::SkippedDestination},
    {"objclass", K::SkippedDestination},
    {"objname", K::SkippedDestination},
    {"formfield", K::SkippedDestination},
    {"datafield", K::SkippedDestination},
    {"do", K::SkippedDestination},

    {"ansi", K::Ansi},
    {"mac", K::Mac},
    {"pc", K::Pc},
    {"pca", K::Pca},
    {"ansicpg", K::AnsiCodePage},
    {"deff", K::DefaultFont},
    {"f", K::Font},
    {"fcharset", K::FontCharset},
    {"cpg", K::FontCodePage},
    {"red", K::Red},
    {"green", K::Green},
    {"blue", K::Blue},

    {"plain", K::Plain},
    {"fs", K::FontSize},
    {"af", K::AssociatedFont},
    {"afs", K::AssociatedFontSize},
    {"ab", K::AssociatedBold},
    {"ai", K::AssociatedItalic},
    {"b", K::Bold},
    {"i", K::Italic},
    {"ul", K::Underline},
    {"ulnone", K::UnderlineNone},
    {"ulc", K::UnderlineColor},
    {"strike", K::Strike},
    {"striked", K::StrikeDouble},
    {"cf", K::ForeColor},
    {"cb", K::BackColor},
    {"highlight", K::Highlight},
    {"chcbpat", K::CharShading},
    {"super", K::Superscript},
    {"sub", K::Subscript},
    {"nosupersub", K::NoSuperSub},
    {"loch", K::LowAnsi},
    {"hich", K::HighAnsi},
    {"dbch", K::DoubleByte},
    {"rtlch", K::RightToLeftChars},
    {"ltrch", K::LeftToRightChars},
    {"u", K::Unicode},
    {"uc", K::UnicodeSkip},

    {"pard", K::ParagraphDefault},
    {"ql", K::AlignLeft},
    {"qc", K::AlignCenter},
    {"qr", K::AlignRight},
    {"qj", K::AlignJustify},
    {"qd", K::AlignDistribute},
    {"li", K::LeftIndent},
    {"ri", K::RightIndent},
    {"fi", K::FirstIndent},
    {"lin", K::LeftIndentLtr},
    {"rin", K::RightIndentLtr},
    {"sb", K::SpaceBefore},
    {"sa", K::SpaceAfter},
    {"intbl", K::InTable},
    {"itap", K::TableLevel},
    {"ls", K::ListOverride},
    {"ilvl", K::ListLevel},
    {"outlinelevel", K::OutlineLevel},
    {"tx", K::TabPosition},
    {"tqc", K::TabCenter},
    {"tqr", K::TabRight},
    {"tqdec", K::TabDecimal},
    {"tb", K::TabBar},

    {"trowd", K::RowDefaults},
    {"cellx", K::CellBoundary},
    {"cell", K::Cell},
    {"row", K::Row},
    {"nestcell", K::NestedCell},
    {"nestrow", K::NestedRow},
    {"trql", K::RowLeft},
    {"trqc", K::RowCenter},
    {"trqr", K::RowRight},

    {"par", K::Par},
    {"line", K::Line},
    {"tab", K::Tab},
    {"emdash", K::EmDash},
    {"endash", K::EnDash},
    {"bullet", K::Bullet},
    {"lquote", K::LeftQuote},
    {"rquote", K::RightQuote},
    {"ldblquote", K::LeftDoubleQuote},
    {"rdblquote", K::RightDoubleQuote},
    {"emspace", K::EmSpace},
    {"enspace", K::EnSpace},
    {"qmspace", K::QuarterEmSpace},
    {"zwj", K::ZeroWidthJoiner},
    {"zwnj", K::ZeroWidthNonJoiner},
    {"ltrmark", K::LeftToRightMark},
    {"rtlmark", K::RightToLeftMark},
    {"page", K::Page},
    {"sect", K::Section},

    {"pngblip", K::PngBlip},
    {"jpegblip", K::JpegBlip},
    {"emfblip", K::EmfBlip},
    {"wmetafile", K::WindowsMetafile},
    {"dibitmap", K::DeviceIndependentBitmap},
    {"wbitmap", K::WindowsBitmap},
    {"macpict", K::MacPicture},
    {"pmmetafile", K::Os2Metafile},
    {"picw", K::PictureWidth},
    {"pich", K::PictureHeight},
    {"picwgoal", K::PictureGoalWidth},
    {"pichgoal", K::PictureGoalHeight},
    {"picscalex", K::PictureScaleX},
    {"picscaley", K::PictureScaleY},
};

// The reader looks up every control word of a file, several hundred
// thousand in a long manuscript, so the table is an open-addressing hash
// rather than a search.
constexpr std::size_t kSlots = 1024;
static_assert(std::size(kEntries) * 2 < kSlots);

constexpr std::uint32_t hashOf(std::string_view word)
{
    std::uint32_t h = 2166136261u;
    for (char c : word) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return h;
}

struct Table
{
    std::array<const Entry *, kSlots> slots{};

    Table()
    {
        for (const Entry &entry : kEntries) {
            std::size_t i = hashOf(entry.word) & (kSlots - 1);
            while (slots[i])
                i = (i + 1) & (kSlots - 1);
            slots[i] = &entry;
        }
    }
};

const Table &table()
{
    static const Table instance;
    return instance;
}

} // namespace

Keyword lookupKeyword(std::string_view word)
{
    // RTF words are at most 32 letters; a longer one is no word we know.
    if (word.empty() || word.size() > 32)
        return Keyword::Unknown;
    const Table &t = table();
    std::size_t i = hashOf(word) & (kSlots - 1);
    while (const Entry *entry = t.slots[i]) {
        if (entry->word == word)
            return entry->keyword;
        i = (i + 1) & (kSlots - 1);
    }
    // Every underline kind (\uld, \uldb, \ulwave, \ulth ...) underlines; the
    // editor has one underline.
    if (word.size() > 2 && word[0] == 'u' && word[1] == 'l')
        return Keyword::Underline;
    return Keyword::Unknown;
}

} // namespace bilan::rtf
