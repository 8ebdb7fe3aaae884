#include "rtfreader.h"

#include "rtfbodytext.h"
#include "rtfbuilder.h"
#include "rtfcolortable.h"
#include "rtffonttable.h"
#include "rtfformat.h"
#include "rtfissues.h"
#include "rtfkeywords.h"
#include "rtfpicturereader.h"
#include "rtfpicturestore.h"
#include "rtfproperties.h"
#include "rtfrundecoder.h"
#include "rtfrunformat.h"
#include "rtfstylesheet.h"
#include "rtftokenizer.h"
#include "text/codepage.h"

#include <QTextDocument>
#include <QTextImageFormat>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace bilan::rtf {

namespace {

// Groups deeper than this share the state of the deepest kept one. Real
// writers stay below ten; the cap only bounds what a hostile file costs.
constexpr int kMaxDepth = 1000;

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

// The dispatcher: it takes the tokens in order, keeps the group stack with
// each group's destination and properties, and hands text to the table,
// stylesheet or picture being read, or to the run being collected for the
// builder.
class Reader final
{
public:
    Reader(QByteArrayView data, QTextDocument &document, const Consumed &consumed);
    Issues run();

private:
    GroupState &state() { return m_stack.back(); }
    const GroupState &state() const { return m_stack.back(); }
    int depth() const { return int(m_stack.size()) - 1; }

    void openGroup(qsizetype offset);
    bool closeGroup(qsizetype offset);
    void controlWord(const Token &token);
    bool applyProperty(Keyword keyword, bool has, int p);
    void fontTableWord(Keyword keyword, bool has, int p);
    void stylesheetWord(Keyword keyword, bool has, int p);
    void playStyle(Stylesheet::Kind kind, int number);
    void controlSymbol(char symbol);
    void text(QByteArrayView bytes, RunDecoder::Bytes kind = RunDecoder::Bytes::Raw);
    void setDestination(Destination dest);
    void finishPicture(qsizetype closeOffset);
    void finishLabel();
    bool collectingLabel() const;

    void charChanged() { m_keyDirty = true; }
    void unicode(int value);
    void endLoneSurrogate();
    void appendBytes(QByteArrayView bytes, RunDecoder::Bytes kind);
    void appendChar(char32_t c);
    void prepareRun();
    void flushRun() { m_body.flushRun(inTable()); }
    void paragraphEnd();
    void cellEnd();
    void rowEnd();

    RunKey currentKey() const { return runKeyOf(state().chr, m_fonts, m_colors); }
    ParagraphFormat currentParagraph() const { return m_body.paragraph(state().para, m_tabStops); }
    bool inTable() const { return state().para.inTable || m_rowOpen; }

    QByteArrayView m_data;
    Tokenizer m_tokenizer;
    QTextDocument &m_document;
    RowDefinition m_rowDefinition;
    Builder m_builder;
    Issues m_issues;
    const Consumed &m_consumed;

    std::vector<GroupState> m_stack;
    int m_overflow = 0;
    qsizetype m_lastBrace = -1;
    std::optional<ParagraphFormat> m_closingParagraph;
    qsizetype m_lastGroupOpen = 0;
    // Nothing has come since the last '{': a \* here marks the group as a
    // destination a reader may skip. Anywhere else it marks nothing; one
    // older office suite writes {\loch\f2\i0\b0\*\cs7 text}, and the text
    // is the document's.
    bool m_atGroupStart = false;
    bool m_starPending = false;
    int m_skip = 0;

    FontTable m_fonts;
    ColorTable m_colors;
    RunFormats m_formats{m_fonts, m_colors};
    Stylesheet m_stylesheet;
    bool m_replaying = false;
    PictureReader m_picture;

    BodyText m_body{m_builder, m_formats};
    int m_labelDepth = -1; // of the \listtext or \pntext group being read
    TabStops m_tabStops;
    bool m_rowOpen = false;
    // A run's look may have changed since its key was last worked out.
    bool m_keyDirty = true;
};

Reader::Reader(QByteArrayView data, QTextDocument &document, const Consumed &consumed)
    : m_data(data), m_tokenizer(data), m_document(document), m_builder(document, m_rowDefinition),
      m_consumed(consumed)
{
    m_stack.reserve(64);
    m_stack.emplace_back();
    m_body.decoder().setCodePage(codepage::WesternEuropean);
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
                text(QByteArrayView(&byte, 1), RunDecoder::Bytes::Escaped);
            break;
        }
        case TokenType::Text:
            text(token.bytes);
            break;
        case TokenType::Binary:
            if (state().dest == Destination::Picture)
                m_picture.binary(token.bytes);
            break;
        case TokenType::End:
            break;
        }
        m_atGroupStart = token.type == TokenType::GroupOpen;
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
    endLoneSurrogate();
    flushRun();
    m_builder.finish(m_closingParagraph ? *m_closingParagraph : currentParagraph());
    return m_issues | m_tokenizer.issues();
}

void Reader::openGroup(qsizetype offset)
{
    m_body.decoder().flushBytes();
    m_lastGroupOpen = offset;
    if (int(m_stack.size()) > kMaxDepth) {
        ++m_overflow;
        m_issues |= Issue::DepthLimit;
        return;
    }
    m_stack.push_back(m_stack.back());
    if (state().dest == Destination::Stylesheet && m_stylesheet.isEntryDepth(depth()))
        m_stylesheet.startEntry();
}

bool Reader::closeGroup(qsizetype offset)
{
    m_body.decoder().flushBytes();
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
    const Destination dest = state().dest;
    if (dest == Destination::Picture && m_picture.isOpenAt(depth()))
        finishPicture(offset);
    if ((dest == Destination::FontTable || dest == Destination::FontAlternative) && depth() <= m_fonts.entryDepth()) {
        m_fonts.finishEntry();
        charChanged();
    }
    if (dest == Destination::ListText && depth() == m_labelDepth)
        finishLabel();
    if (dest == Destination::Stylesheet && m_stylesheet.isEntryDepth(depth()))
        m_stylesheet.finishEntry();
    // The last paragraph may end with the document instead of a \par: its
    // paragraph formatting is that of the group now closing.
    if (m_stack.size() == 2)
        m_closingParagraph = currentParagraph();
    m_stack.pop_back();
    charChanged();
    return m_stack.size() == 1;
}

void Reader::setDestination(Destination dest)
{
    GroupState &s = state();
    if (s.dest == dest)
        return;
    switch (dest) {
    case Destination::Picture:
        m_picture.begin(m_lastGroupOpen, depth(), m_data.sliced(std::min(m_lastGroupOpen, m_data.size())));
        // Text before the picture's group was decoded when the group
        // opened, and a kept picture looks back only to its own start.
        if (m_consumed)
            m_consumed(m_lastGroupOpen);
        break;
    case Destination::ListText:
        m_labelDepth = depth();
        m_body.startLabel();
        break;
    case Destination::FontTable:
        m_fonts.begin();
        break;
    case Destination::UnicodePair:
        s.outerDest = s.dest;
        break;
    case Destination::Stylesheet:
        m_stylesheet.begin(depth());
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
        m_starPending = m_atGroupStart;
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
        if (keyword == Keyword::SkippedDestination)
            setDestination(Destination::Skip);
        else
            m_colors.word(keyword, p);
        return;
    case Destination::Stylesheet:
        stylesheetWord(keyword, has, p);
        return;
    case Destination::Picture:
        if (!m_picture.word(keyword, has, p))
            setDestination(Destination::Skip);
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
        setDestination(collectingLabel() ? Destination::Skip : Destination::Picture);
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
        if (m_stylesheet.has(Stylesheet::Kind::Paragraph, p)) {
            m_replaying = true;
            playStyle(Stylesheet::Kind::Paragraph, p);
            m_replaying = false;
            s.charFromStyle = true;
        }
        break;
    case Keyword::CharacterStyle:
        playStyle(Stylesheet::Kind::Character, p);
        break;

    case Keyword::Ansi: m_fonts.setDocumentCodePage(codepage::WesternEuropean); charChanged(); break;
    case Keyword::Mac: m_fonts.setDocumentCodePage(10000); charChanged(); break;
    case Keyword::Pc: m_fonts.setDocumentCodePage(437); charChanged(); break;
    case Keyword::Pca: m_fonts.setDocumentCodePage(850); charChanged(); break;
    case Keyword::AnsiCodePage:
        if (has && codepage::isSupported(p)) {
            m_fonts.setDocumentCodePage(p);
            charChanged();
        }
        break;
    case Keyword::DefaultFont: m_fonts.setDefaultFont(p); charChanged(); break;

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
        m_tabStops = TabStops();
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

void Reader::fontTableWord(Keyword keyword, bool has, int p)
{
    switch (keyword) {
    case Keyword::Font:
        m_fonts.enterEntry(p, depth());
        charChanged();
        break;
    case Keyword::FontCharset: m_fonts.setCharset(p); break;
    case Keyword::FontCodePage: m_fonts.setCodePage(p); break;
    case Keyword::FontAlternative:
        setDestination(m_fonts.hasEntry() ? Destination::FontAlternative : Destination::Skip);
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

void Reader::stylesheetWord(Keyword keyword, bool has, int p)
{
    if (!m_stylesheet.isEntryDepth(depth()) || m_stylesheet.entryWord(keyword, has, p))
        return;
    // A style keeps only the words that format, found by trying each on
    // scratch properties.
    CharProps chr = state().chr;
    ParaProps para = state().para;
    TabStops tabs = m_tabStops;
    if (rtf::applyProperty(keyword, has, p, chr, para, tabs) != Applied::No)
        m_stylesheet.record({keyword, has, p});
}

void Reader::playStyle(Stylesheet::Kind kind, int number)
{
    m_stylesheet.play(kind, number, [this](const StyleWord &word) {
        applyProperty(word.keyword, word.hasParameter, word.parameter);
    });
}

bool Reader::applyProperty(Keyword keyword, bool has, int p)
{
    GroupState &s = state();
    const Applied applied = rtf::applyProperty(keyword, has, p, s.chr, s.para, m_tabStops);
    if (applied == Applied::Character) {
        if (!m_replaying)
            s.charFromStyle = false;
        charChanged();
    }
    return applied != Applied::No;
}

void Reader::text(QByteArrayView bytes, RunDecoder::Bytes kind)
{
    switch (state().dest) {
    case Destination::Body:
    case Destination::ListText:
        appendBytes(bytes, kind);
        break;
    case Destination::FontTable:
    case Destination::FontAlternative:
        m_fonts.nameBytes(bytes, state().dest == Destination::FontAlternative);
        charChanged();
        break;
    case Destination::ColorTable:
        m_colors.text(bytes);
        charChanged();
        break;
    case Destination::Picture:
        m_picture.hex(bytes);
        break;
    case Destination::Skip:
    case Destination::Stylesheet:
    case Destination::UnicodePair:
        break;
    }
}

// ---- Text and runs -----------------------------------------------------------

void Reader::unicode(int value)
{
    m_skip = state().unicodeSkip;
    bool valid = true;
    const char16_t unit = RunDecoder::unitOf(value, &valid);
    if (!valid)
        m_issues |= Issue::BadUnicode;
    const Destination dest = state().dest;
    if (dest == Destination::FontTable) {
        m_fonts.nameUnicode(unit);
        return;
    }
    if (dest != Destination::Body && dest != Destination::ListText)
        return;
    if (QChar::isHighSurrogate(unit)) {
        endLoneSurrogate();
        // The low half follows, after this one's fallback.
        m_body.decoder().flushBytes();
        m_body.decoder().holdHighSurrogate(unit);
        return;
    }
    if (QChar::isLowSurrogate(unit)) {
        if (!m_body.decoder().holdsHighSurrogate()) {
            m_issues |= Issue::BadUnicode;
            appendChar(0xFFFD);
            return;
        }
        appendChar(QChar::surrogateToUcs4(m_body.decoder().takeHighSurrogate(), unit));
        return;
    }
    appendChar(unit);
}

// A high surrogate that anything but its low half follows stands alone.
void Reader::endLoneSurrogate()
{
    if (m_body.decoder().holdsHighSurrogate()) {
        m_body.decoder().takeHighSurrogate();
        m_issues |= Issue::BadUnicode;
        appendChar(0xFFFD);
    }
}

void Reader::prepareRun()
{
    m_body.setSink(state().dest == Destination::ListText, inTable());
    if (m_keyDirty) {
        m_keyDirty = false;
        const RunKey key = currentKey();
        m_body.setKey(key, m_fonts.codePageOf(key.font), inTable());
    }
}

void Reader::appendBytes(QByteArrayView bytes, RunDecoder::Bytes kind)
{
    endLoneSurrogate();
    prepareRun();
    m_body.decoder().appendBytes(bytes, kind);
}

void Reader::appendChar(char32_t c)
{
    endLoneSurrogate();
    if (!RunDecoder::isText(c))
        return;
    prepareRun();
    m_body.decoder().appendChar(c);
}

bool Reader::collectingLabel() const
{
    return m_body.collectingLabel(state().dest == Destination::ListText);
}

void Reader::paragraphEnd()
{
    if (collectingLabel())
        m_body.labelBecomesBody(inTable());
    endLoneSurrogate();
    prepareRun();
    m_body.endParagraph(state().para, m_tabStops, inTable());
}

void Reader::cellEnd()
{
    if (collectingLabel())
        m_body.labelBecomesBody(inTable());
    prepareRun();
    m_body.endCell(state().para, m_tabStops, inTable());
}

void Reader::rowEnd()
{
    if (collectingLabel())
        m_body.labelBecomesBody(inTable());
    m_body.flushRun(inTable());
    m_builder.endRow();
    m_rowOpen = false;
}

void Reader::finishLabel()
{
    m_body.finishLabel(inTable());
    m_labelDepth = -1;
}

void Reader::finishPicture(qsizetype closeOffset)
{
    const std::optional<QTextImageFormat> picture =
        m_picture.finish(m_data, closeOffset, m_formats.formatFor(currentKey()), m_document, m_issues);
    if (picture)
        m_builder.insertImage(*picture, inTable());
}

} // namespace

bool looksLikeRtf(QByteArrayView data)
{
    return data.startsWith("{\\rtf");
}

namespace {

Issues readWith(QByteArrayView data, QTextDocument &document, const Consumed &consumed)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    // The pictures of what the document held before go with it.
    PictureStore::of(document).clear();
    // One edit block for the whole load, so that the document tells its
    // layout once. The block is the document's; a cursor kept alive for it
    // would only be one more for Qt to move on every insertion.
    QTextCursor(&document).beginEditBlock();
    Issues issues;
    {
        Reader reader(data, document, consumed);
        issues = reader.run();
    }
    QTextCursor(&document).endEditBlock();
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
    return issues;
}

} // namespace

Issues readReporting(QByteArrayView data, QTextDocument &document)
{
    return readWith(data, document, {});
}

void read(QByteArrayView data, QTextDocument &document)
{
    readWith(data, document, {});
}

void read(QByteArrayView data, QTextDocument &document, const Consumed &consumed)
{
    readWith(data, document, consumed);
}

} // namespace bilan::rtf
