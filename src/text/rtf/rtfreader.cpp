#include "rtfreader.h"

#include "rtfbuilder.h"
#include "rtffontname.h"
#include "rtfformat.h"
#include "rtfissues.h"
#include "rtfkeywords.h"
#include "rtftokenizer.h"
#include "text/codepage.h"

#include <optional>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace bilan::rtf {

namespace {

// Groups deeper than this share the state of the deepest kept one. Real
// writers stay below ten; the cap only bounds what a hostile file costs.
constexpr int kMaxDepth = 1000;

// Twips beyond this (22 inches) come from damaged numbers.
constexpr int kMaxTwips = 31680;

// The font the editor writes in, for files that name none.
const QString &fallbackFamily()
{
    static const QString family = QStringLiteral("宋体");
    return family;
}

enum class Destination : std::uint8_t {
    Body,
    Skip,
    FontTable,
    FontAlternative,
    ColorTable,
    Stylesheet,
    Picture,
    ListText,
    UnicodePair, // \upr: its first part is the ANSI copy of its \ud part
};

enum class RunType : std::uint8_t { Low, High, Double };

enum class Sink : std::uint8_t { Body, Label };

// Character properties. LibreOffice and Word give double-byte text its own
// font, size and bold through \dbch with \af, \afs, \ab (and high-ANSI text
// through \hich); the main ones (\f, \fs, \b) apply to the rest and wherever
// the regional ones are not set.
struct CharProps
{
    int font = -1;
    int fontHigh = -1;
    int fontDouble = -1;
    int foreground = -1;
    int background = -1;
    std::int16_t halfPoints = 24; // RTF's default, 12 pt
    std::int16_t halfPointsHigh = 0;
    std::int16_t halfPointsDouble = 0;
    std::int8_t boldHigh = -1;
    std::int8_t italicHigh = -1;
    std::int8_t boldDouble = -1;
    std::int8_t italicDouble = -1;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::uint8_t vertical = 0; // 1 super, 2 sub
    RunType runType = RunType::Low;
    bool rightToLeft = false; // properties after \rtlch are for right-to-left scripts
};

struct ParaProps
{
    int left = 0;
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    int listId = 0;
    std::int8_t listLevel = 0;
    std::int8_t outline = -1;
    std::uint8_t alignment = 0; // 0 left, 1 centre, 2 right, 3 justify
    bool inTable = false;
};

struct GroupState
{
    CharProps chr;
    ParaProps para;
    Destination dest = Destination::Body;
    Destination outerDest = Destination::Body; // for \upr
    std::int16_t unicodeSkip = 1;
    // The character properties are a paragraph style's alone, no explicit
    // one since: they belong to that paragraph and end with its \pard.
    bool charFromStyle = false;
};

// What decides how a run looks, with fonts and colours already resolved.
struct RunKey
{
    int font = -1;
    int foreground = -1;
    int background = -1;
    std::int16_t halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::uint8_t vertical = 0;

    bool operator==(const RunKey &) const = default;
};

size_t qHash(const RunKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.font, key.foreground, key.background, key.halfPoints,
                      (key.bold << 0) | (key.italic << 1) | (key.underline << 2) | (key.strike << 3)
                          | (key.vertical << 4));
}

struct FontEntry
{
    QString name;
    QString alternative;
    int codePage = 0; // 0: the document's
};

struct PictureState
{
    PictureKind kind = PictureKind::Other;
    QByteArray data;
    int nibble = -1;
    int width = 0;
    int height = 0;
    int goalWidth = 0;
    int goalHeight = 0;
    int scaleX = 100;
    int scaleY = 100;
    qsizetype groupStart = 0;
    int depth = 0;
    bool metafile = false;
};

struct StyleWord
{
    Keyword keyword;
    bool hasParameter;
    int parameter;
};

struct Style
{
    int basedOn = -1;
    std::vector<StyleWord> words;
};

class Reader final
{
public:
    Reader(QByteArrayView data, QTextDocument &document);
    Issues run();

private:
    GroupState &state() { return m_stack.back(); }
    const GroupState &state() const { return m_stack.back(); }

    void openGroup(qsizetype offset);
    bool closeGroup(qsizetype offset);
    void controlWord(const Token &token);
    bool applyProperty(Keyword keyword, bool has, int p);
    void fontTableWord(Keyword keyword, bool has, int p);
    void stylesheetWord(Keyword keyword, bool has, int p);
    void finishStyleEntry();
    void applyStyle(const std::unordered_map<int, Style> &styles, int number, int depth);
    void controlSymbol(char symbol);
    void text(QByteArrayView bytes);
    void setDestination(Destination dest);
    void enterFontEntry(int number);
    void finishFontEntry();
    void fontNameBytes(QByteArrayView bytes);
    void fontNameUnicode(char32_t c);
    void colorText(QByteArrayView bytes);
    void pictureWord(Keyword keyword, bool has, int p);
    void pictureHex(QByteArrayView bytes);
    void finishPicture(qsizetype closeOffset);
    void finishLabel();
    void labelBecomesBody();

    void charChanged() { m_keyDirty = true; }
    void unicode(int value);
    void appendBytes(QByteArrayView bytes);
    void appendChar(char32_t c);
    void prepareRun();
    void flushBytes();
    void flushRun();
    void paragraphEnd();
    void cellEnd();
    void rowEnd();

    int resolveFont(int number) const;
    int codePageOf(int font) const;
    RunKey currentKey() const;
    const QTextCharFormat &formatFor(const RunKey &key);
    ParagraphFormat paragraphFormat() const;
    bool inTable() const { return state().para.inTable || m_rowOpen; }
    Sink currentSink() const;

    QByteArrayView m_data;
    Tokenizer m_tokenizer;
    QTextDocument &m_document;
    RowDefinition m_rowDefinition;
    Builder m_builder;
    Issues m_issues;

    std::vector<GroupState> m_stack;
    int m_overflow = 0;
    qsizetype m_lastBrace = -1;
    std::optional<ParagraphFormat> m_closingParagraph;
    qsizetype m_lastGroupOpen = 0;
    bool m_starPending = false;
    int m_skip = 0;

    int m_ansiCodePage = codepage::WesternEuropean;
    int m_defaultFont = 0;
    QHash<int, FontEntry> m_fonts;
    std::vector<QColor> m_colors;

    // The font table entry being read.
    int m_fontNumber = -1;
    int m_fontEntryDepth = -1;
    int m_fontCharset = -1;
    int m_fontCodePage = 0;
    QByteArray m_fontRawName;
    QByteArray m_fontPending;
    QString m_fontName;
    bool m_fontNameUnicode = false;
    bool m_fontNameDone = false;

    // The stylesheet entry being read.
    struct StyleEntry
    {
        int number = 0; // Word's Normal style is written without \s0
        bool character = false;
        bool ignored = false;
        Style style;
    };
    int m_stylesheetDepth = -1;
    bool m_replaying = false;
    StyleEntry m_styleEntry;
    std::unordered_map<int, Style> m_paragraphStyles;
    std::unordered_map<int, Style> m_characterStyles;

    // The colour table entry being read.
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;

    PictureState m_picture;
    int m_pictureCount = 0;
    QString m_placeholderName;

    int m_labelDepth = -1;
    bool m_labelWhole = false;
    std::vector<std::pair<QString, QTextCharFormat>> m_labelRuns;
    QString m_label;

    QList<QTextOption::Tab> m_tabs;
    QTextOption::TabType m_nextTabType = QTextOption::LeftTab;
    bool m_rowOpen = false;

    // The run being collected: bytes not yet decoded, then text.
    QByteArray m_bytes;
    QString m_run;
    RunKey m_runKey;
    int m_runCodePage = codepage::WesternEuropean;
    Sink m_runSink = Sink::Body;
    bool m_keyDirty = true;
    char16_t m_highSurrogate = 0;
    QHash<RunKey, QTextCharFormat> m_formats;
};

Reader::Reader(QByteArrayView data, QTextDocument &document)
    : m_data(data), m_tokenizer(data), m_document(document), m_builder(document, m_rowDefinition)
{
    m_stack.reserve(64);
    m_stack.emplace_back();
    m_run.reserve(4096);
    for (qsizetype i = data.size() - 1; i >= 0; --i) {
        if (data[i] == '}') {
            m_lastBrace = i;
            break;
        }
    }
    if (!looksLikeRtf(data))
        m_issues |= Issue::NotRtf;
}

Issues Reader::run()
{
    bool finished = false;
    while (!finished) {
        Token token = m_tokenizer.next();
        if (token.type == TokenType::End)
            break;
        // The fallback of a \uN: N bytes, each control word, \'hh or \bin
        // counting as one, ended early by a group boundary.
        if (m_skip > 0 && token.type != TokenType::GroupOpen && token.type != TokenType::GroupClose) {
            if (token.type == TokenType::Text) {
                const qsizetype n = std::min<qsizetype>(m_skip, token.bytes.size());
                m_skip -= int(n);
                if (n == token.bytes.size())
                    continue;
                token.bytes = token.bytes.sliced(n);
            } else {
                --m_skip;
                continue;
            }
        }
        if (m_starPending && token.type != TokenType::ControlWord) {
            m_starPending = false;
            if (token.type != TokenType::GroupClose)
                setDestination(Destination::Skip);
        }
        switch (token.type) {
        case TokenType::GroupOpen:
            m_skip = 0;
            openGroup(token.offset);
            break;
        case TokenType::GroupClose:
            m_skip = 0;
            finished = closeGroup(token.offset);
            break;
        case TokenType::ControlWord:
            controlWord(token);
            break;
        case TokenType::ControlSymbol:
            controlSymbol(token.symbol);
            break;
        case TokenType::HexByte: {
            const char byte = char(token.byte);
            const Destination dest = state().dest;
            if (dest != Destination::Picture && dest != Destination::ColorTable)
                text(QByteArrayView(&byte, 1));
            break;
        }
        case TokenType::Text:
            text(token.bytes);
            break;
        case TokenType::Binary:
            if (state().dest == Destination::Picture)
                m_picture.data.append(token.bytes.data(), token.bytes.size());
            break;
        case TokenType::End:
            break;
        }
    }
    if (finished) {
        const qsizetype rest = m_tokenizer.position();
        for (qsizetype i = rest; i < m_data.size(); ++i) {
            const char c = m_data[i];
            if (c != '\0' && c != ' ' && c != '\r' && c != '\n' && c != '\t') {
                m_issues |= Issue::TrailingData;
                break;
            }
        }
    } else if (m_stack.size() > 1 || m_overflow > 0) {
        m_issues |= Issue::MissingCloseBrace;
    }
    if (state().dest == Destination::Picture)
        finishPicture(m_data.size() - 1);
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        m_issues |= Issue::BadUnicode;
        appendChar(0xFFFD);
    }
    flushRun();
    m_builder.finish(m_closingParagraph ? *m_closingParagraph : paragraphFormat());
    return m_issues | m_tokenizer.issues();
}

void Reader::openGroup(qsizetype offset)
{
    flushBytes();
    m_lastGroupOpen = offset;
    if (int(m_stack.size()) > kMaxDepth) {
        ++m_overflow;
        m_issues |= Issue::DepthLimit;
        return;
    }
    m_stack.push_back(m_stack.back());
    if (state().dest == Destination::Stylesheet && int(m_stack.size()) - 1 == m_stylesheetDepth + 1)
        m_styleEntry = StyleEntry();
}

bool Reader::closeGroup(qsizetype offset)
{
    flushBytes();
    if (m_overflow > 0) {
        --m_overflow;
        return false;
    }
    if (m_stack.size() <= 1) {
        m_issues |= Issue::ExtraCloseBrace;
        return false;
    }
    if (m_stack.size() == 2 && offset < m_lastBrace) {
        // The document group cannot end while the file has more to come:
        // this brace closes nothing.
        m_issues |= Issue::ExtraCloseBrace;
        return false;
    }
    const int depth = int(m_stack.size()) - 1;
    const Destination dest = state().dest;
    if (dest == Destination::Picture && depth == m_picture.depth)
        finishPicture(offset);
    if ((dest == Destination::FontTable || dest == Destination::FontAlternative) && depth <= m_fontEntryDepth)
        finishFontEntry();
    if (dest == Destination::ListText && depth == m_labelDepth)
        finishLabel();
    if (dest == Destination::Stylesheet && depth == m_stylesheetDepth + 1)
        finishStyleEntry();
    // The last paragraph may end with the document instead of a \par: its
    // paragraph formatting is that of the group now closing.
    if (m_stack.size() == 2)
        m_closingParagraph = paragraphFormat();
    m_stack.pop_back();
    charChanged();
    return m_stack.size() == 1;
}

void Reader::setDestination(Destination dest)
{
    GroupState &s = state();
    if (s.dest == dest)
        return;
    const int depth = int(m_stack.size()) - 1;
    switch (dest) {
    case Destination::Picture:
        m_picture = PictureState();
        m_picture.groupStart = m_lastGroupOpen;
        m_picture.depth = depth;
        break;
    case Destination::ListText:
        m_labelDepth = depth;
        m_labelWhole = false;
        m_labelRuns.clear();
        break;
    case Destination::FontTable:
        m_fontNumber = -1;
        m_fontEntryDepth = -1;
        break;
    case Destination::UnicodePair:
        s.outerDest = s.dest;
        break;
    case Destination::Stylesheet:
        m_stylesheetDepth = depth;
        m_styleEntry = StyleEntry();
        break;
    default:
        break;
    }
    s.dest = dest;
}

void Reader::controlSymbol(char symbol)
{
    const Destination dest = state().dest;
    if (dest == Destination::Skip)
        return;
    if (symbol == '*') {
        m_starPending = true;
        return;
    }
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        text(QByteArrayView(&symbol, 1));
        return;
    default:
        break;
    }
    if (dest != Destination::Body && dest != Destination::ListText)
        return;
    switch (symbol) {
    case '~': appendChar(0x00A0); break;
    case '-': appendChar(0x00AD); break;
    case '_': appendChar(0x2011); break;
    case '\n': paragraphEnd(); break;
    default: break; // \| \: and the like have no text
    }
}

void Reader::controlWord(const Token &token)
{
    const Destination dest = state().dest;
    if (dest == Destination::Skip) {
        m_starPending = false;
        return;
    }
    const Keyword keyword = lookupKeyword(token.word);
    const bool has = token.hasParameter;
    const int p = token.parameter;

    if (m_starPending) {
        m_starPending = false;
        // An ignorable group: kept only when it is a destination the reader
        // knows; all others are skipped whole.
        switch (keyword) {
        case Keyword::FontTable: case Keyword::ColorTable: case Keyword::Picture:
        case Keyword::ShapePicture: case Keyword::NonShapePicture: case Keyword::Field:
        case Keyword::FieldInstruction: case Keyword::FieldResult: case Keyword::ListText:
        case Keyword::ParagraphNumberText: case Keyword::FontAlternative: case Keyword::UnicodePair:
        case Keyword::UnicodeAlternative: case Keyword::ObjectResult: case Keyword::ShapeResult:
        case Keyword::Stylesheet: case Keyword::SkippedDestination:
            break;
        case Keyword::CharacterStyle: case Keyword::OtherStyle:
            if (dest == Destination::Stylesheet)
                break;
            setDestination(Destination::Skip);
            return;
        default:
            setDestination(Destination::Skip);
            return;
        }
    }

    if (token.word == "bin")
        return; // \bin without a count; its data never came

    // The tables, pictures and the \upr copy read only the words that
    // describe them.
    switch (dest) {
    case Destination::FontTable:
    case Destination::FontAlternative:
        fontTableWord(keyword, has, p);
        return;
    case Destination::ColorTable:
        switch (keyword) {
        case Keyword::Red: m_red = std::clamp(p, 0, 255); m_colorSet = true; break;
        case Keyword::Green: m_green = std::clamp(p, 0, 255); m_colorSet = true; break;
        case Keyword::Blue: m_blue = std::clamp(p, 0, 255); m_colorSet = true; break;
        case Keyword::SkippedDestination: setDestination(Destination::Skip); break;
        default: break;
        }
        return;
    case Destination::Stylesheet:
        stylesheetWord(keyword, has, p);
        return;
    case Destination::Picture:
        pictureWord(keyword, has, p);
        return;
    default:
        break;
    }

    if (applyProperty(keyword, has, p))
        return;

    GroupState &s = state();
    switch (keyword) {
    case Keyword::FontTable: setDestination(Destination::FontTable); break;
    case Keyword::ColorTable: setDestination(Destination::ColorTable); break;
    case Keyword::Stylesheet: setDestination(Destination::Stylesheet); break;
    case Keyword::Picture:
        flushRun();
        setDestination(currentSink() == Sink::Label ? Destination::Skip : Destination::Picture);
        break;
    case Keyword::NonShapePicture:
    case Keyword::FieldInstruction:
    case Keyword::FontAlternative:
    case Keyword::SkippedDestination:
        setDestination(Destination::Skip);
        break;
    case Keyword::ListText:
    case Keyword::ParagraphNumberText:
        if (dest == Destination::Body) {
            flushRun();
            setDestination(Destination::ListText);
        }
        break;
    case Keyword::UnicodePair: setDestination(Destination::UnicodePair); break;
    case Keyword::UnicodeAlternative:
        if (dest == Destination::UnicodePair)
            s.dest = s.outerDest;
        break;

    case Keyword::ParagraphStyle:
        if (m_paragraphStyles.count(p)) {
            m_replaying = true;
            applyStyle(m_paragraphStyles, p, 0);
            m_replaying = false;
            s.charFromStyle = true;
        }
        break;
    case Keyword::CharacterStyle:
        applyStyle(m_characterStyles, p, 0);
        break;

    case Keyword::Ansi: m_ansiCodePage = codepage::WesternEuropean; charChanged(); break;
    case Keyword::Mac: m_ansiCodePage = 10000; charChanged(); break;
    case Keyword::Pc: m_ansiCodePage = 437; charChanged(); break;
    case Keyword::Pca: m_ansiCodePage = 850; charChanged(); break;
    case Keyword::AnsiCodePage:
        if (has && codepage::isSupported(p)) {
            m_ansiCodePage = p;
            charChanged();
        }
        break;
    case Keyword::DefaultFont: m_defaultFont = p; charChanged(); break;

    case Keyword::Plain:
        s.chr = CharProps();
        s.charFromStyle = false;
        charChanged();
        break;
    case Keyword::ParagraphDefault:
        // AbiWord gives a heading its style and no \plain before the next
        // paragraph; the heading's bold is not the next paragraph's.
        if (s.charFromStyle) {
            s.chr = CharProps();
            s.charFromStyle = false;
            charChanged();
        }
        s.para = ParaProps();
        m_tabs.clear();
        m_nextTabType = QTextOption::LeftTab;
        break;
    case Keyword::Unicode: unicode(p); break;
    case Keyword::UnicodeSkip: s.unicodeSkip = std::int16_t(std::clamp(p, 0, 255)); break;

    case Keyword::RowDefaults:
        m_rowDefinition = RowDefinition();
        m_rowOpen = true;
        break;
    case Keyword::CellBoundary:
        if (m_rowDefinition.cellEdges.size() < 1024)
            m_rowDefinition.cellEdges.push_back(std::clamp(p, -kMaxTwips, kMaxTwips));
        break;
    case Keyword::RowLeft: m_rowDefinition.alignment = Qt::AlignLeft; break;
    case Keyword::RowCenter: m_rowDefinition.alignment = Qt::AlignHCenter; break;
    case Keyword::RowRight: m_rowDefinition.alignment = Qt::AlignRight; break;
    case Keyword::Cell: cellEnd(); break;
    case Keyword::NestedCell: paragraphEnd(); break; // nested tables are read flat
    case Keyword::Row: rowEnd(); break;

    case Keyword::Par: paragraphEnd(); break;
    case Keyword::Line: appendChar(QChar::LineSeparator); break;
    case Keyword::Tab: appendChar(u'\t'); break;
    case Keyword::EmDash: appendChar(0x2014); break;
    case Keyword::EnDash: appendChar(0x2013); break;
    case Keyword::Bullet: appendChar(0x2022); break;
    case Keyword::LeftQuote: appendChar(0x2018); break;
    case Keyword::RightQuote: appendChar(0x2019); break;
    case Keyword::LeftDoubleQuote: appendChar(0x201C); break;
    case Keyword::RightDoubleQuote: appendChar(0x201D); break;
    case Keyword::EmSpace: appendChar(0x2003); break;
    case Keyword::EnSpace: appendChar(0x2002); break;
    case Keyword::QuarterEmSpace: appendChar(0x2005); break;
    case Keyword::ZeroWidthJoiner: appendChar(0x200D); break;
    case Keyword::ZeroWidthNonJoiner: appendChar(0x200C); break;
    case Keyword::LeftToRightMark: appendChar(0x200E); break;
    case Keyword::RightToLeftMark: appendChar(0x200F); break;

    default:
        // Unknown words, \page and \sect (the editor has no pages), fields
        // and shapes whose content is body text, and words that belong to
        // tables read elsewhere.
        break;
    }
}

bool Reader::applyProperty(Keyword keyword, bool has, int p)
{
    const bool on = !has || p != 0;
    CharProps &c = state().chr;
    ParaProps &para = state().para;
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
    case Keyword::RightToLeftChars: c.rightToLeft = true; return true;
    case Keyword::LeftToRightChars: c.rightToLeft = false; return true;

    case Keyword::AlignLeft: para.alignment = 0; return true;
    case Keyword::AlignCenter: para.alignment = 1; return true;
    case Keyword::AlignRight: para.alignment = 2; return true;
    case Keyword::AlignJustify:
    case Keyword::AlignDistribute:
        para.alignment = 3;
        return true;
    case Keyword::LeftIndent:
    case Keyword::LeftIndentLtr:
        para.left = std::clamp(p, -kMaxTwips, kMaxTwips);
        return true;
    case Keyword::RightIndent:
    case Keyword::RightIndentLtr:
        para.right = std::clamp(p, -kMaxTwips, kMaxTwips);
        return true;
    case Keyword::FirstIndent: para.first = std::clamp(p, -kMaxTwips, kMaxTwips); return true;
    case Keyword::SpaceBefore: para.before = std::clamp(p, 0, kMaxTwips); return true;
    case Keyword::SpaceAfter: para.after = std::clamp(p, 0, kMaxTwips); return true;
    case Keyword::InTable: para.inTable = on; return true;
    case Keyword::TableLevel: para.inTable = has && p > 0; return true;
    case Keyword::ListOverride: para.listId = p; return true;
    case Keyword::ListLevel: para.listLevel = std::int8_t(std::clamp(p, 0, 8)); return true;
    case Keyword::OutlineLevel: para.outline = std::int8_t(std::clamp(p, 0, 8)); return true;
    case Keyword::TabCenter: m_nextTabType = QTextOption::CenterTab; return true;
    case Keyword::TabRight: m_nextTabType = QTextOption::RightTab; return true;
    case Keyword::TabDecimal: m_nextTabType = QTextOption::DelimiterTab; return true;
    case Keyword::TabPosition:
        if (has && p > 0 && p <= kMaxTwips && m_tabs.size() < 64) {
            QTextOption::Tab tab(p / double(kTwipsPerPixel), m_nextTabType);
            if (m_nextTabType == QTextOption::DelimiterTab)
                tab.delimiter = QLatin1Char('.');
            m_tabs.append(tab);
        }
        m_nextTabType = QTextOption::LeftTab;
        return true;
    case Keyword::TabBar: m_nextTabType = QTextOption::LeftTab; return true;
    default:
        return false;
    }
    if (!m_replaying)
        state().charFromStyle = false;
    charChanged();
    return true;
}

void Reader::fontTableWord(Keyword keyword, bool has, int p)
{
    switch (keyword) {
    case Keyword::Font: enterFontEntry(p); break;
    case Keyword::FontCharset: m_fontCharset = p; break;
    case Keyword::FontCodePage: m_fontCodePage = p; break;
    case Keyword::FontAlternative:
        setDestination(m_fontNumber >= 0 ? Destination::FontAlternative : Destination::Skip);
        break;
    case Keyword::Unicode: unicode(p); break;
    case Keyword::UnicodeSkip: state().unicodeSkip = std::int16_t(std::clamp(has ? p : 1, 0, 255)); break;
    case Keyword::SkippedDestination: case Keyword::Picture: case Keyword::ColorTable:
    case Keyword::Stylesheet: case Keyword::ListText: case Keyword::ParagraphNumberText:
    case Keyword::FieldInstruction:
        setDestination(Destination::Skip);
        break;
    default:
        break;
    }
}

// Each style is the list of property words it was written with, played
// again wherever a paragraph or a run names it: LibreOffice leaves out of a
// paragraph what its style already says (a list paragraph's size, say).
void Reader::stylesheetWord(Keyword keyword, bool has, int p)
{
    if (int(m_stack.size()) - 1 != m_stylesheetDepth + 1)
        return; // the table itself, or groups nested in an entry
    switch (keyword) {
    case Keyword::ParagraphStyle:
        m_styleEntry.number = p;
        m_styleEntry.character = false;
        m_styleEntry.ignored = false;
        return;
    case Keyword::CharacterStyle:
        m_styleEntry.number = p;
        m_styleEntry.character = true;
        m_styleEntry.ignored = false;
        return;
    case Keyword::OtherStyle:
        m_styleEntry.ignored = true;
        return;
    case Keyword::BasedOn:
        m_styleEntry.style.basedOn = has ? p : -1;
        return;
    case Keyword::Plain:
    case Keyword::ParagraphDefault:
    case Keyword::Unicode:
    case Keyword::UnicodeSkip:
        return;
    default:
        break;
    }
    // Record only what applyProperty knows, tried on a scratch state.
    GroupState saved = state();
    const QList<QTextOption::Tab> tabs = m_tabs;
    const QTextOption::TabType tabType = m_nextTabType;
    const bool known = applyProperty(keyword, has, p);
    state() = saved;
    m_tabs = tabs;
    m_nextTabType = tabType;
    if (known && m_styleEntry.style.words.size() < 256)
        m_styleEntry.style.words.push_back({keyword, has, p});
}

void Reader::finishStyleEntry()
{
    if (!m_styleEntry.ignored) {
        auto &styles = m_styleEntry.character ? m_characterStyles : m_paragraphStyles;
        styles[m_styleEntry.number] = std::move(m_styleEntry.style);
    }
    m_styleEntry = StyleEntry();
}

void Reader::applyStyle(const std::unordered_map<int, Style> &styles, int number, int depth)
{
    const auto it = styles.find(number);
    if (it == styles.end() || depth > 16)
        return;
    const Style &style = it->second;
    if (style.basedOn >= 0 && style.basedOn != number)
        applyStyle(styles, style.basedOn, depth + 1);
    for (const StyleWord &word : style.words)
        applyProperty(word.keyword, word.hasParameter, word.parameter);
}

void Reader::text(QByteArrayView bytes)
{
    switch (state().dest) {
    case Destination::Body:
    case Destination::ListText:
        appendBytes(bytes);
        break;
    case Destination::FontTable:
    case Destination::FontAlternative:
        fontNameBytes(bytes);
        break;
    case Destination::ColorTable:
        colorText(bytes);
        break;
    case Destination::Picture:
        pictureHex(bytes);
        break;
    case Destination::Skip:
    case Destination::Stylesheet:
    case Destination::UnicodePair:
        break;
    }
}

// ---- Unicode and runs ------------------------------------------------------

void Reader::unicode(int value)
{
    m_skip = state().unicodeSkip;
    // N is a signed 16-bit number; writers also give the unsigned reading.
    if (value < -32768 || value > 65535) {
        m_issues |= Issue::BadUnicode;
        value = 0xFFFD;
    } else if (value < 0) {
        value += 65536;
    }
    const Destination dest = state().dest;
    if (dest == Destination::FontTable || dest == Destination::FontAlternative) {
        fontNameUnicode(char32_t(value));
        return;
    }
    if (dest != Destination::Body && dest != Destination::ListText)
        return;
    const auto unit = char16_t(value);
    if (QChar::isHighSurrogate(unit)) {
        if (m_highSurrogate) {
            m_issues |= Issue::BadUnicode;
            m_highSurrogate = 0;
            appendChar(0xFFFD);
        }
        // The low half follows, after this one's fallback.
        flushBytes();
        m_highSurrogate = unit;
        return;
    }
    if (QChar::isLowSurrogate(unit)) {
        if (!m_highSurrogate) {
            m_issues |= Issue::BadUnicode;
            appendChar(0xFFFD);
            return;
        }
        const char32_t full = QChar::surrogateToUcs4(m_highSurrogate, unit);
        m_highSurrogate = 0;
        appendChar(full);
        return;
    }
    appendChar(unit);
}

Sink Reader::currentSink() const
{
    return state().dest == Destination::ListText && !m_labelWhole ? Sink::Label : Sink::Body;
}

void Reader::prepareRun()
{
    const Sink sink = currentSink();
    if (sink != m_runSink) {
        flushRun();
        m_runSink = sink;
    }
    if (m_keyDirty) {
        m_keyDirty = false;
        const RunKey key = currentKey();
        const int codePage = codePageOf(key.font);
        if (!(key == m_runKey) || codePage != m_runCodePage) {
            flushRun();
            m_runKey = key;
            m_runCodePage = codePage;
        }
    }
}

void Reader::appendBytes(QByteArrayView bytes)
{
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        m_issues |= Issue::BadUnicode;
        appendChar(0xFFFD);
    }
    prepareRun();
    for (char b : bytes) {
        // Control bytes are never text; a \'0a must not split the paragraph.
        if (static_cast<unsigned char>(b) >= 0x20 || b == '\t')
            m_bytes.append(b);
    }
}

void Reader::appendChar(char32_t c)
{
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        m_issues |= Issue::BadUnicode;
        appendChar(0xFFFD);
    }
    // Characters that would change the document's structure instead of
    // being text.
    if ((c < 0x20 && c != u'\t') || c == 0xFDD0 || c == 0xFDD1 || c == QChar::ObjectReplacementCharacter)
        return;
    if (c == QChar::ParagraphSeparator)
        c = QChar::LineSeparator;
    prepareRun();
    flushBytes();
    if (QChar::requiresSurrogates(c)) {
        m_run.append(QChar(QChar::highSurrogate(c)));
        m_run.append(QChar(QChar::lowSurrogate(c)));
    } else {
        m_run.append(QChar(char16_t(c)));
    }
}

void Reader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    const bool ascii = std::all_of(m_bytes.cbegin(), m_bytes.cend(),
                                   [](char b) { return static_cast<unsigned char>(b) < 0x80; });
    // Every code page a font can name is ASCII below 0x80.
    if (ascii)
        m_run.append(QLatin1StringView(m_bytes));
    else
        m_run.append(codepage::decode(m_runCodePage, m_bytes));
    m_bytes.clear();
}

void Reader::flushRun()
{
    flushBytes();
    if (m_run.isEmpty())
        return;
    const QTextCharFormat &format = formatFor(m_runKey);
    if (m_runSink == Sink::Label)
        m_labelRuns.emplace_back(m_run, format);
    else
        m_builder.insertText(m_run, format, inTable());
    m_run.resize(0);
}

void Reader::labelBecomesBody()
{
    // AbiWord writes whole list items inside \listtext: a paragraph mark
    // there means the text was the item, not its label.
    flushRun();
    m_labelWhole = true;
    m_runSink = Sink::Body;
    for (const auto &[text, format] : m_labelRuns)
        m_builder.insertText(text, format, inTable());
    m_labelRuns.clear();
}

void Reader::paragraphEnd()
{
    if (currentSink() == Sink::Label)
        labelBecomesBody();
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        m_issues |= Issue::BadUnicode;
        appendChar(0xFFFD);
    }
    prepareRun();
    flushRun();
    m_builder.endParagraph(paragraphFormat(), formatFor(m_runKey), inTable());
    m_label.clear();
}

void Reader::cellEnd()
{
    if (currentSink() == Sink::Label)
        labelBecomesBody();
    prepareRun();
    flushRun();
    m_builder.endCell(paragraphFormat(), formatFor(m_runKey));
    m_label.clear();
}

void Reader::rowEnd()
{
    if (currentSink() == Sink::Label)
        labelBecomesBody();
    flushRun();
    m_builder.endRow();
    m_rowOpen = false;
}

void Reader::finishLabel()
{
    flushRun();
    if (!m_labelWhole) {
        QString label;
        for (const auto &run : m_labelRuns)
            label += run.first;
        m_label = label.trimmed();
    }
    m_labelRuns.clear();
    m_labelDepth = -1;
    m_labelWhole = false;
    m_runSink = Sink::Body;
}

// ---- Formats ----------------------------------------------------------------

int Reader::resolveFont(int number) const
{
    if (number >= 0 && m_fonts.contains(number))
        return number;
    if (m_fonts.contains(m_defaultFont))
        return m_defaultFont;
    return -1;
}

int Reader::codePageOf(int font) const
{
    if (font >= 0) {
        const auto it = m_fonts.constFind(font);
        if (it != m_fonts.cend() && it->codePage)
            return it->codePage;
    }
    return m_ansiCodePage;
}

RunKey Reader::currentKey() const
{
    const CharProps &c = state().chr;
    RunKey key;
    int font = c.font;
    int halfPoints = c.halfPoints;
    bool bold = c.bold;
    bool italic = c.italic;
    // A \dbch or \hich run takes the associated properties where they are set.
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
    key.font = resolveFont(font);
    key.halfPoints = std::int16_t(halfPoints);
    key.bold = bold;
    key.italic = italic;
    key.underline = c.underline;
    key.strike = c.strike;
    key.vertical = c.vertical;
    const auto color = [this](int index) {
        return index >= 0 && size_t(index) < m_colors.size() && m_colors[size_t(index)].isValid() ? index : -1;
    };
    key.foreground = color(c.foreground);
    key.background = color(c.background);
    return key;
}

const QTextCharFormat &Reader::formatFor(const RunKey &key)
{
    auto it = m_formats.find(key);
    if (it != m_formats.end())
        return *it;
    QTextCharFormat format;
    QStringList families;
    if (key.font >= 0) {
        const FontEntry &font = m_fonts[key.font];
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
        format.setForeground(m_colors[size_t(key.foreground)]);
    if (key.background >= 0)
        format.setBackground(m_colors[size_t(key.background)]);
    return *m_formats.insert(key, format);
}

ParagraphFormat Reader::paragraphFormat() const
{
    const ParaProps &p = state().para;
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
    format.listLabel = m_label;
    format.tabs = m_tabs;
    return format;
}

// ---- Font and colour tables ------------------------------------------------

void Reader::enterFontEntry(int number)
{
    if (m_fontNumber >= 0)
        finishFontEntry();
    m_fontNumber = number;
    m_fontEntryDepth = int(m_stack.size()) - 1;
    m_fontCharset = -1;
    m_fontCodePage = 0;
    m_fontRawName.clear();
    m_fontPending.clear();
    m_fontName.clear();
    m_fontNameUnicode = false;
    m_fontNameDone = false;
    m_fonts[number] = FontEntry();
}

void Reader::fontNameBytes(QByteArrayView bytes)
{
    if (m_fontNumber < 0)
        return;
    if (state().dest == Destination::FontAlternative) {
        // Alternative names are plain ASCII in every writer seen.
        FontEntry &entry = m_fonts[m_fontNumber];
        for (char b : bytes) {
            if (b != ';')
                entry.alternative.append(QLatin1Char(b));
        }
        return;
    }
    if (m_fontNameDone)
        return;
    const qsizetype end = bytes.indexOf(';');
    const QByteArrayView part = end < 0 ? bytes : bytes.first(end);
    m_fontRawName.append(part.data(), part.size());
    m_fontPending.append(part.data(), part.size());
    if (end >= 0) {
        finishFontEntry();
        m_fontNameDone = true;
    }
}

void Reader::fontNameUnicode(char32_t c)
{
    if (m_fontNumber < 0 || m_fontNameDone || state().dest != Destination::FontTable)
        return;
    const int codePage = m_fontCodePage ? m_fontCodePage : codepage::forCharset(m_fontCharset);
    m_fontName += codepage::decode(codePage ? codePage : m_ansiCodePage, m_fontPending);
    m_fontPending.clear();
    if (c >= 0x20 && !QChar::isSurrogate(c))
        m_fontName += QChar::fromUcs4(c);
    m_fontNameUnicode = true;
}

void Reader::finishFontEntry()
{
    if (m_fontNumber < 0)
        return;
    FontEntry &entry = m_fonts[m_fontNumber];
    if (!m_fontNameDone) {
        int codePage = m_fontCodePage ? m_fontCodePage : codepage::forCharset(m_fontCharset);
        if (codePage && !codepage::isSupported(codePage))
            codePage = 0;
        entry.codePage = codePage;
        const int nameCodePage = codePage ? codePage : m_ansiCodePage;
        QString name = m_fontNameUnicode ? m_fontName + codepage::decode(nameCodePage, m_fontPending)
                                         : fontNameFromBytes(m_fontRawName, nameCodePage);
        name = name.trimmed();
        entry.alternative = entry.alternative.trimmed();
        if ((name.isEmpty() || name.contains(QChar(0xFFFD)) || name.contains(u'?'))
            && !entry.alternative.isEmpty()) {
            name = entry.alternative;
            entry.alternative.clear();
        }
        entry.name = name;
        m_fontNameDone = true;
    }
    charChanged();
}

void Reader::colorText(QByteArrayView bytes)
{
    for (char b : bytes) {
        if (b != ';')
            continue;
        m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
        m_red = m_green = m_blue = 0;
        m_colorSet = false;
    }
    charChanged();
}

// ---- Pictures --------------------------------------------------------------

void Reader::pictureWord(Keyword keyword, bool has, int p)
{
    if (!has)
        p = 0;
    switch (keyword) {
    case Keyword::PngBlip: m_picture.kind = PictureKind::Png; break;
    case Keyword::JpegBlip: m_picture.kind = PictureKind::Jpeg; break;
    case Keyword::EmfBlip:
    case Keyword::WindowsMetafile:
    case Keyword::Os2Metafile:
        m_picture.kind = PictureKind::Other;
        m_picture.metafile = true;
        break;
    case Keyword::DeviceIndependentBitmap:
    case Keyword::WindowsBitmap:
    case Keyword::MacPicture:
        m_picture.kind = PictureKind::Other;
        m_picture.metafile = false;
        break;
    case Keyword::PictureWidth: m_picture.width = std::clamp(p, 0, 1 << 20); break;
    case Keyword::PictureHeight: m_picture.height = std::clamp(p, 0, 1 << 20); break;
    case Keyword::PictureGoalWidth: m_picture.goalWidth = std::clamp(p, 0, 10 * kMaxTwips); break;
    case Keyword::PictureGoalHeight: m_picture.goalHeight = std::clamp(p, 0, 10 * kMaxTwips); break;
    case Keyword::PictureScaleX: m_picture.scaleX = p > 0 ? std::min(p, 10000) : 100; break;
    case Keyword::PictureScaleY: m_picture.scaleY = p > 0 ? std::min(p, 10000) : 100; break;
    case Keyword::Unknown:
    case Keyword::Picture:
        break;
    default:
        // Nested destinations (\*\picprop, \*\blipuid) carry no picture data.
        if (keyword == Keyword::SkippedDestination)
            setDestination(Destination::Skip);
        break;
    }
}

void Reader::pictureHex(QByteArrayView bytes)
{
    QByteArray &data = m_picture.data;
    int nibble = m_picture.nibble;
    for (char b : bytes) {
        int v;
        if (b >= '0' && b <= '9')
            v = b - '0';
        else if (b >= 'a' && b <= 'f')
            v = b - 'a' + 10;
        else if (b >= 'A' && b <= 'F')
            v = b - 'A' + 10;
        else
            continue;
        if (nibble < 0) {
            nibble = v;
        } else {
            data.append(char((nibble << 4) | v));
            nibble = -1;
        }
    }
    m_picture.nibble = nibble;
}

void Reader::finishPicture(qsizetype closeOffset)
{
    PictureState picture = std::move(m_picture);
    m_picture = PictureState();
    m_picture.depth = -1;
    if (picture.depth < 0)
        return;

    QImage image;
    if (picture.kind != PictureKind::Other) {
        image = QImage::fromData(picture.data, picture.kind == PictureKind::Png ? "PNG" : "JPEG");
        if (image.isNull())
            image = QImage::fromData(picture.data); // a mislabelled picture
        if (image.isNull()) {
            m_issues |= Issue::UnreadablePicture;
            picture.kind = PictureKind::Other;
        }
    }

    // Displayed size: the goal size, scaled; else the stored size (pixels
    // for bitmaps, hundredths of a millimetre for metafiles); else the
    // picture's own.
    const auto size = [&](int goal, int scale, int stored, int own) {
        double twips = 0;
        if (goal > 0)
            twips = goal;
        else if (stored > 0)
            twips = picture.metafile ? stored * 1440.0 / 2540.0 : stored * double(kTwipsPerPixel);
        else if (own > 0)
            twips = own * double(kTwipsPerPixel);
        return twips * scale / 100.0;
    };
    double width = size(picture.goalWidth, picture.scaleX, picture.width, image.width());
    double height = size(picture.goalHeight, picture.scaleY, picture.height, image.height());
    if (width <= 0 && height > 0)
        width = image.isNull() || image.height() == 0 ? height : height * image.width() / image.height();
    if (height <= 0 && width > 0)
        height = image.isNull() || image.width() == 0 ? width : width * image.height() / image.width();
    if (width <= 0)
        width = height = 1440; // an inch square for a picture that gives no size at all
    const auto toPixels = [](double twips) { return std::clamp(twips / kTwipsPerPixel, 1.0, 16000.0); };

    QTextImageFormat format;
    format.merge(formatFor(currentKey()));
    format.setWidth(toPixels(width));
    format.setHeight(toPixels(height));
    format.setProperty(PictureKindProperty, int(picture.kind));
    format.setProperty(PictureWidthTwips, picture.goalWidth > 0 ? picture.goalWidth : qRound(width));
    format.setProperty(PictureHeightTwips, picture.goalHeight > 0 ? picture.goalHeight : qRound(height));
    if (picture.scaleX != 100)
        format.setProperty(PictureScaleXPercent, picture.scaleX);
    if (picture.scaleY != 100)
        format.setProperty(PictureScaleYPercent, picture.scaleY);
    if (picture.kind != PictureKind::Other) {
        const QString name = QStringLiteral("rtfpicture:%1").arg(++m_pictureCount);
        m_document.addResource(QTextDocument::ImageResource, QUrl(name), image);
        format.setName(name);
        format.setProperty(PictureData, picture.data);
    } else {
        if (m_placeholderName.isEmpty()) {
            // One neutral picture for all the kinds the editor cannot show,
            // drawn at each one's own size.
            QImage placeholder(16, 16, QImage::Format_RGB32);
            placeholder.fill(QColor(0xE4, 0xE4, 0xE4));
            for (int i = 0; i < 16; ++i) {
                placeholder.setPixel(i, 0, 0xFFA0A0A0);
                placeholder.setPixel(i, 15, 0xFFA0A0A0);
                placeholder.setPixel(0, i, 0xFFA0A0A0);
                placeholder.setPixel(15, i, 0xFFA0A0A0);
            }
            m_placeholderName = QStringLiteral("rtfpicture:placeholder");
            m_document.addResource(QTextDocument::ImageResource, QUrl(m_placeholderName), placeholder);
        }
        format.setName(m_placeholderName);
        const qsizetype start = std::clamp<qsizetype>(picture.groupStart, 0, m_data.size());
        const qsizetype end = std::clamp<qsizetype>(closeOffset + 1, start, m_data.size());
        format.setProperty(RawPictureGroup, m_data.sliced(start, end - start).toByteArray());
    }
    m_builder.insertImage(format, inTable());
}

} // namespace

bool looksLikeRtf(QByteArrayView data)
{
    return data.startsWith("{\\rtf");
}

Issues readReporting(QByteArrayView data, QTextDocument &document)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    // One edit block for the whole load, so that the document tells its
    // layout once. The block is the document's; a cursor kept alive for it
    // would only be one more for Qt to move on every insertion.
    QTextCursor(&document).beginEditBlock();
    Issues issues;
    {
        Reader reader(data, document);
        issues = reader.run();
    }
    QTextCursor(&document).endEditBlock();
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
    return issues;
}

void read(QByteArrayView data, QTextDocument &document)
{
    readReporting(data, document);
}

} // namespace bilan::rtf
