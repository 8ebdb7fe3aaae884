#include "rtfwriter.h"

#include "rtfformat.h"
#include "rtflistwriter.h"
#include "rtfoutput.h"
#include "rtfpicturewriter.h"
#include "rtfsnapshot.h"
#include "rtftablewriter.h"
#include "text/chinesefonts.h"

#include <QColor>
#include <QHash>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

namespace bilan::rtf {

namespace {

constexpr int kDefaultHalfPoints = 21;

// Word on a machine without the Chinese font names looks for the Latin
// alternative; LibreOffice ignores it.
const char *latinAlias(const QString &name)
{
    const chinesefonts::Font *font = chinesefonts::byName(name);
    return font ? font->latin : nullptr;
}

bool isChineseFont(const QString &name)
{
    for (const QChar c : name) {
        if (c.unicode() >= 0x80)
            return true;
    }
    return chinesefonts::byLatinName(name) != nullptr;
}

const char *fontFamilyWord(const QString &name)
{
    if (name == u"Times New Roman" || name == u"Georgia" || name == u"Cambria")
        return "\\froman";
    if (name == u"Arial" || name == u"Verdana" || name == u"Tahoma" || name == u"Calibri")
        return "\\fswiss";
    if (name == u"Courier New" || name == u"Consolas")
        return "\\fmodern";
    if (name == u"Symbol" || name == u"Wingdings")
        return "\\ftech";
    return "\\fnil";
}

// What the writer states about a run, with the font and the colours as
// table indices: two runs that agree here read back the same.
struct RunStyle
{
    int font = 0;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    QTextCharFormat::UnderlineStyle underline = QTextCharFormat::NoUnderline;
    QTextCharFormat::VerticalAlignment vertical = QTextCharFormat::AlignNormal;
    int color = 0;
    int highlight = 0;

    bool operator==(const RunStyle &) const = default;
};

QString familyOf(const QTextCharFormat &format)
{
    const QStringList families = format.property(QTextFormat::FontFamilies).toStringList();
    if (!families.isEmpty() && !families.front().isEmpty())
        return families.front();
    return format.property(QTextFormat::FontFamily).toString();
}

bool hasColor(const QBrush &brush)
{
    return brush.style() != Qt::NoBrush && brush.color().alpha() != 0;
}

class Writer final
{
public:
    explicit Writer(const QTextDocument &document);
    QByteArray run();
    bool run(const Output::Sink &put);
    // As pieces, taking every paragraph it can from the cache and leaving
    // the ones it makes there.
    Snapshot run(ParagraphCache &cache);

private:
    // First pass: every font, colour and list the body will refer to.
    void collect();
    void collectFormat(int index, const QTextCharFormat &format);
    int fontIndex(const QString &family);
    int colorIndex(const QColor &color);

    void writeAll();
    void writeHeader();
    void writeFontTable();
    void writeColorTable();

    void writeFrame(const QTextFrame *frame);
    void writeTable(const QTextTable *table);
    enum class Ending { Paragraph, Cell, None };
    // A paragraph from the cache when it is there, else written.
    void paragraph(const QTextBlock &block, bool inTable, Ending ending);
    struct Prepared
    {
        int block = -1; // QTextBlock::fragmentIndex()
        ParagraphKey key;
        size_t seed = 0; // for the key's hash
        ParagraphCache::Formats formats;
    };
    Prepared prepare(const QTextBlock &block);
    void writeBlock(const QTextBlock &block, bool inTable, Ending ending);
    void writeBlockFormat(const QTextBlock &block, bool inTable);
    void writeListText(const QTextBlock &block, const QTextList *list, const RunStyle &mark);
    void writeStyle(const RunStyle &style, const RunStyle &from, bool stateFont);

    RunStyle styleOf(const QTextCharFormat &format) const;
    // Documents hold few distinct formats and many fragments: each format
    // is looked at once and its style kept by its index.
    const RunStyle &styleAt(int index, const QTextCharFormat &format);

    const QTextDocument &m_document;
    Output m_out;
    QString m_defaultFamily;
    int m_defaultHalfPoints = kDefaultHalfPoints;
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    std::vector<QRgb> m_colors;
    QHash<QRgb, int> m_colorIndex;
    std::vector<bool> m_collected;
    std::vector<std::optional<RunStyle>> m_styles;
    QTextBlock m_lastBlock;
    std::unordered_map<const QTextTable *, CellGrid> m_grids;
    ParagraphCache *m_cache = nullptr;
    std::vector<Prepared> m_prepared;
    size_t m_nextPrepared = 0;
    // A picture of the paragraph being written came from the document's
    // resources, which no paragraph key covers.
    bool m_usedResources = false;
    std::vector<const QTextList *> m_lists;
    QHash<const QTextList *, int> m_listIndex;
};

Writer::Writer(const QTextDocument &document)
    : m_document(document)
{
    const QFont font = document.defaultFont();
    m_defaultFamily = font.family();
    if (m_defaultFamily.isEmpty())
        m_defaultFamily = QStringLiteral("宋体");
    qreal points = font.pointSizeF();
    if (points <= 0 && font.pixelSize() > 0)
        points = font.pixelSize() * 0.75;
    if (points > 0)
        m_defaultHalfPoints = std::clamp(qRound(points * 2), 1, 3276);
}

QByteArray Writer::run()
{
    // Chinese text takes some fourteen bytes a character.
    m_out.reserve(qsizetype(m_document.characterCount()) * 14 + 4096);
    writeAll();
    return m_out.take();
}

bool Writer::run(const Output::Sink &put)
{
    m_out.setSink(put);
    writeAll();
    return m_out.flush();
}

Snapshot Writer::run(ParagraphCache &cache)
{
    std::vector<Piece> pieces;
    m_out.setPieces(&pieces);
    m_cache = &cache;
    m_lastBlock = m_document.lastBlock();
    collect();
    cache.begin({m_fonts, m_colors, m_defaultFamily, m_defaultHalfPoints, m_document.indentWidth()});
    writeHeader();
    writeFrame(m_document.rootFrame());
    m_out.closeGroup();
    m_out.newline();
    m_out.cut();
    cache.end();
    return Snapshot(std::move(pieces));
}

// What a paragraph's key holds of the paragraph itself, found in the walk
// that gathers the fonts and colours, which looks at every run anyway.
Writer::Prepared Writer::prepare(const QTextBlock &block)
{
    Prepared prepared;
    prepared.block = block.fragmentIndex();
    ParagraphKey &key = prepared.key;
    key.text = block.text();
    // Within one document equal formats share an index: paragraphs alike
    // but for their formats hash apart.
    size_t formats = qHash(block.blockFormatIndex());
    bool hasText = false;
    const QTextCharFormat own = block.charFormat();
    prepared.formats.emplace_back(block.charFormatIndex(), own);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int index = fragment.charFormatIndex();
        QTextCharFormat format = fragment.charFormat();
        if (index < 0 || size_t(index) >= m_collected.size() || !m_collected[index])
            collectFormat(index, format);
        hasText |= !format.isImageFormat();
        formats = qHashMulti(formats, index);
        prepared.formats.emplace_back(index, format);
        key.runs.emplace_back(fragment.length(), std::move(format));
    }
    key.format = block.blockFormat();
    // The paragraph's own character format is written only for a paragraph
    // without text (and in a table cell it is the cell's format, one for
    // each cell).
    if (!hasText)
        key.charFormat = own;
    prepared.seed = formats;
    return prepared;
}

void Writer::paragraph(const QTextBlock &block, bool inTable, Ending ending)
{
    const int number = block.fragmentIndex();
    if (m_cache) {
        // Unchanged since the last write, and in the same place: as it
        // was written then.
        if (ParagraphCache::Clean *clean = m_cache->clean(number)) {
            ParagraphCache::Kept &kept = *clean->kept;
            const Output::State before = m_out.state();
            if (kept.first.ending == int(ending) && kept.first.inTable == inTable && kept.first.column == before.column
                && kept.first.pendingDelimiter == before.pendingDelimiter) {
                m_out.replay(kept.second.rtf.pieces, kept.second.rtf.after);
                m_cache->reuse(kept);
                m_cache->wrote(number, kept, std::move(clean->formats));
                return;
            }
        }
    }
    // A list item's RTF also depends on its number and its list's place
    // among the lists: made every time.
    if (!m_cache || block.textList()) {
        writeBlock(block, inTable, ending);
        return;
    }
    // The paragraphs come in the order the walk prepared them.
    Prepared prepared;
    if (m_nextPrepared < m_prepared.size() && m_prepared[m_nextPrepared].block == number)
        prepared = std::move(m_prepared[m_nextPrepared++]);
    else
        prepared = prepare(block);
    const Output::State before = m_out.state();
    ParagraphKey &key = prepared.key;
    key.ending = int(ending);
    key.inTable = inTable;
    // The \uc in force does not count: every paragraph states its own
    // after \plain, before any text.
    key.column = before.column;
    key.pendingDelimiter = before.pendingDelimiter;
    key.seal(prepared.seed);
    ParagraphCache::Kept *kept = m_cache->find(key);
    if (kept) {
        m_out.replay(kept->second.rtf.pieces, kept->second.rtf.after);
    } else {
        m_out.cut();
        std::vector<Piece> *pieces = m_out.pieces();
        const size_t first = pieces->size();
        m_usedResources = false;
        writeBlock(block, inTable, ending);
        m_out.cut();
        if (m_usedResources)
            return;
        ParagraphRtf made;
        made.pieces.assign(pieces->begin() + qsizetype(first), pieces->end());
        made.after = m_out.state();
        kept = &m_cache->keep(std::move(key), std::move(made));
    }
    m_cache->wrote(number, *kept, std::move(prepared.formats));
}

void Writer::writeAll()
{
    m_lastBlock = m_document.lastBlock();
    collect();
    writeHeader();
    writeFrame(m_document.rootFrame());
    m_out.closeGroup();
    m_out.newline();
}

int Writer::fontIndex(const QString &family)
{
    const QString &name = family.isEmpty() ? m_defaultFamily : family;
    auto it = m_fontIndex.constFind(name);
    if (it != m_fontIndex.constEnd())
        return *it;
    const int index = int(m_fonts.size());
    m_fonts.append(name);
    m_fontIndex.insert(name, index);
    return index;
}

int Writer::colorIndex(const QColor &color)
{
    const QRgb rgb = color.rgb() | 0xff000000u;
    auto it = m_colorIndex.constFind(rgb);
    if (it != m_colorIndex.constEnd())
        return *it;
    m_colors.push_back(rgb);
    // Entry 0 of the table is the reader's automatic colour.
    const int index = int(m_colors.size());
    m_colorIndex.insert(rgb, index);
    return index;
}

void Writer::collectFormat(int index, const QTextCharFormat &format)
{
    if (index >= 0) {
        if (size_t(index) >= m_collected.size())
            m_collected.resize(index + 1, false);
        if (m_collected[index])
            return;
        m_collected[index] = true;
    }
    fontIndex(familyOf(format));
    if (format.hasProperty(QTextFormat::ForegroundBrush) && hasColor(format.foreground()))
        colorIndex(format.foreground().color());
    if (format.hasProperty(QTextFormat::BackgroundBrush) && hasColor(format.background()))
        colorIndex(format.background().color());
}

void Writer::collect()
{
    fontIndex(m_defaultFamily);
    // Keys are copied, not moved, when the vector grows.
    if (m_cache)
        m_prepared.reserve(size_t(m_document.blockCount()));
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        if (m_cache) {
            // Unchanged since the last write: its formats as they were then.
            if (const ParagraphCache::Clean *clean = m_cache->clean(block.fragmentIndex())) {
                for (const auto &[index, format] : clean->formats) {
                    if (index < 0 || size_t(index) >= m_collected.size() || !m_collected[index])
                        collectFormat(index, format);
                }
                continue;
            }
        }
        const int blockIndex = block.charFormatIndex();
        if (blockIndex < 0 || size_t(blockIndex) >= m_collected.size() || !m_collected[blockIndex])
            collectFormat(blockIndex, block.charFormat());
        const QTextList *list = block.textList();
        if (m_cache && !list) {
            m_prepared.push_back(prepare(block));
        } else {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                const int index = fragment.charFormatIndex();
                if (index < 0 || size_t(index) >= m_collected.size() || !m_collected[index])
                    collectFormat(index, fragment.charFormat());
            }
        }
        if (list && !m_listIndex.contains(list)) {
            m_lists.push_back(list);
            m_listIndex.insert(list, int(m_lists.size()));
        }
    }
    // Table cell shading also lives in the colour table.
    std::vector<const QTextFrame *> frames{m_document.rootFrame()};
    while (!frames.empty()) {
        const QTextFrame *frame = frames.back();
        frames.pop_back();
        for (const QTextFrame *child : frame->childFrames()) {
            frames.push_back(child);
            if (const auto *table = qobject_cast<const QTextTable *>(child)) {
                const CellGrid &grid = m_grids.try_emplace(table, *table).first->second;
                for (const CellGrid::Place &place : grid.places) {
                    const QTextCharFormat &cellFormat = place.format;
                    if (cellFormat.hasProperty(QTextFormat::BackgroundBrush) && hasColor(cellFormat.background()))
                        colorIndex(cellFormat.background().color());
                }
            }
        }
    }
}

RunStyle Writer::styleOf(const QTextCharFormat &format) const
{
    RunStyle style;
    const QString family = familyOf(format);
    style.font = m_fontIndex.value(family.isEmpty() ? m_defaultFamily : family, 0);
    qreal points = format.fontPointSize();
    if (points <= 0 && format.hasProperty(QTextFormat::FontPixelSize))
        points = format.intProperty(QTextFormat::FontPixelSize) * 0.75;
    style.halfPoints = points > 0 ? std::clamp(qRound(points * 2), 1, 3276) : m_defaultHalfPoints;
    style.bold = format.fontWeight() >= QFont::DemiBold;
    style.italic = format.fontItalic();
    style.strike = format.fontStrikeOut();
    style.underline = format.underlineStyle();
    if (style.underline == QTextCharFormat::NoUnderline && format.fontUnderline())
        style.underline = QTextCharFormat::SingleUnderline;
    if (style.underline == QTextCharFormat::SpellCheckUnderline)
        style.underline = QTextCharFormat::NoUnderline;
    style.vertical = format.verticalAlignment();
    if (style.vertical != QTextCharFormat::AlignSuperScript
        && style.vertical != QTextCharFormat::AlignSubScript)
        style.vertical = QTextCharFormat::AlignNormal;
    if (format.hasProperty(QTextFormat::ForegroundBrush) && hasColor(format.foreground()))
        style.color = m_colorIndex.value(format.foreground().color().rgb() | 0xff000000u, 0);
    if (format.hasProperty(QTextFormat::BackgroundBrush) && hasColor(format.background()))
        style.highlight = m_colorIndex.value(format.background().color().rgb() | 0xff000000u, 0);
    return style;
}

const RunStyle &Writer::styleAt(int index, const QTextCharFormat &format)
{
    if (index < 0) {
        static thread_local RunStyle scratch;
        scratch = styleOf(format);
        return scratch;
    }
    if (size_t(index) >= m_styles.size())
        m_styles.resize(index + 1);
    if (!m_styles[index])
        m_styles[index] = styleOf(format);
    return *m_styles[index];
}

void Writer::writeHeader()
{
    m_out.raw("{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang2052\\deflangfe2052\\uc1");
    m_out.newline();
    writeFontTable();
    writeColorTable();
    writeListTables(m_out, m_lists, m_document.indentWidth());
    m_out.openGroup();
    m_out.symbol('*');
    m_out.word("\\generator");
    m_out.text(u"笔澜2.5;");
    m_out.closeGroup();
    m_out.newline();
}

void Writer::writeFontTable()
{
    m_out.openGroup();
    m_out.word("\\fonttbl");
    for (int i = 0; i < m_fonts.size(); ++i) {
        const QString &name = m_fonts.at(i);
        m_out.openGroup();
        m_out.word("\\f", i);
        m_out.word(fontFamilyWord(name));
        // The charset tells readers which code page the name's bytes are
        // in: Word and LibreOffice decode a name by its font's charset, not
        // by \ansicpg.
        const bool symbolFont = name == u"Symbol" || name == u"Wingdings";
        m_out.word("\\fcharset", symbolFont ? 2 : isChineseFont(name) ? 134 : 0);
        m_out.fontName(name);
        if (const char *alias = latinAlias(name)) {
            m_out.openGroup();
            m_out.symbol('*');
            m_out.word("\\falt");
            m_out.text(QLatin1StringView(alias).toString());
            m_out.closeGroup();
        }
        m_out.raw(";");
        m_out.closeGroup();
        m_out.newline();
    }
    m_out.closeGroup();
    m_out.newline();
}

void Writer::writeColorTable()
{
    m_out.openGroup();
    m_out.word("\\colortbl");
    m_out.raw(";");
    for (const QRgb rgb : m_colors) {
        m_out.word("\\red", qRed(rgb));
        m_out.word("\\green", qGreen(rgb));
        m_out.word("\\blue", qBlue(rgb));
        m_out.raw(";");
    }
    m_out.closeGroup();
    m_out.newline();
}

void Writer::writeFrame(const QTextFrame *frame)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame()) {
            if (const auto *table = qobject_cast<const QTextTable *>(child))
                writeTable(table);
            else
                writeFrame(child);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        // The last paragraph has no mark of its own in RTF; an empty one
        // needs one all the same, or it would not be there when read.
        const bool last = block == m_lastBlock;
        const Ending ending = last && block.length() > 1 ? Ending::None : Ending::Paragraph;
        paragraph(block, false, ending);
    }
}

void Writer::writeBlockFormat(const QTextBlock &block, bool inTable)
{
    const QTextBlockFormat format = block.blockFormat();
    m_out.word("\\pard");
    m_out.word("\\plain");
    m_out.forgetSkipCount();
    if (inTable)
        m_out.word("\\intbl");
    const QTextList *list = block.textList();
    if (list) {
        m_out.word("\\ls", m_listIndex.value(list, 1));
        m_out.word("\\ilvl", listLevel(list->format()));
    }
    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        m_out.word("\\qc");
    else if (alignment & Qt::AlignJustify)
        m_out.word("\\qj");
    else if (alignment & Qt::AlignRight)
        m_out.word("\\qr");

    const qreal step = m_document.indentWidth();
    const qreal left = format.leftMargin() + (list ? 0 : format.indent() * step);
    const bool ownIndents = format.hasProperty(LeftIndentTwips) || format.hasProperty(FirstLineIndentTwips)
                            || left != 0 || format.textIndent() != 0;
    if (list && !ownIndents) {
        // The list level's own indents, stated again on the paragraph: a
        // paragraph without them is drawn at the margin by LibreOffice.
        m_out.word("\\fi", -360);
        m_out.word("\\li", qRound(step * kTwipsPerPixel) * (listLevel(list->format()) + 1));
    } else {
        const int li = format.indent() == 0 || list ? twipsToWrite(format, LeftIndentTwips, left)
                                                    : qRound(left * kTwipsPerPixel);
        const int fi = twipsToWrite(format, FirstLineIndentTwips, format.textIndent());
        if (fi != 0)
            m_out.word("\\fi", fi);
        if (li != 0)
            m_out.word("\\li", li);
    }
    const int ri = twipsToWrite(format, RightIndentTwips, format.rightMargin());
    if (ri != 0)
        m_out.word("\\ri", ri);
    if (format.topMargin() > 0)
        m_out.word("\\sb", qRound(format.topMargin() * kTwipsPerPixel));
    if (format.bottomMargin() > 0)
        m_out.word("\\sa", qRound(format.bottomMargin() * kTwipsPerPixel));
    switch (format.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        if (format.lineHeight() > 0 && format.lineHeight() != 100) {
            m_out.word("\\sl", qRound(format.lineHeight() * 2.4));
            m_out.word("\\slmult", 1);
        }
        break;
    case QTextBlockFormat::FixedHeight:
        if (format.lineHeight() > 0) {
            m_out.word("\\sl", -qRound(format.lineHeight() * kTwipsPerPixel));
            m_out.word("\\slmult", 0);
        }
        break;
    case QTextBlockFormat::MinimumHeight:
        if (format.lineHeight() > 0) {
            m_out.word("\\sl", qRound(format.lineHeight() * kTwipsPerPixel));
            m_out.word("\\slmult", 0);
        }
        break;
    default:
        break;
    }
    if (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        m_out.word("\\pagebb");
    if (format.headingLevel() > 0)
        m_out.word("\\outlinelevel", std::min(format.headingLevel(), 9) - 1);
}

void Writer::writeStyle(const RunStyle &style, const RunStyle &from, bool stateFont)
{
    if (stateFont || style.font != from.font) {
        // LibreOffice gives Chinese text the font of \dbch\af and Latin text
        // that of \loch\f; Word reads the same words. One font for both.
        m_out.word("\\hich\\af", style.font);
        m_out.word("\\dbch\\af", style.font);
        m_out.word("\\loch\\f", style.font);
    }
    if (stateFont || style.halfPoints != from.halfPoints)
        m_out.word("\\fs", style.halfPoints);
    if (style.bold != from.bold)
        m_out.word(style.bold ? "\\b" : "\\b0");
    if (style.italic != from.italic)
        m_out.word(style.italic ? "\\i" : "\\i0");
    if (style.underline != from.underline) {
        switch (style.underline) {
        case QTextCharFormat::NoUnderline: m_out.word("\\ulnone"); break;
        case QTextCharFormat::DashUnderline: m_out.word("\\uldash"); break;
        case QTextCharFormat::DotLine: m_out.word("\\uld"); break;
        case QTextCharFormat::DashDotLine: m_out.word("\\uldashd"); break;
        case QTextCharFormat::DashDotDotLine: m_out.word("\\uldashdd"); break;
        case QTextCharFormat::WaveUnderline: m_out.word("\\ulwave"); break;
        default: m_out.word("\\ul"); break;
        }
    }
    if (style.strike != from.strike)
        m_out.word(style.strike ? "\\strike" : "\\strike0");
    if (style.vertical != from.vertical) {
        switch (style.vertical) {
        case QTextCharFormat::AlignSuperScript: m_out.word("\\super"); break;
        case QTextCharFormat::AlignSubScript: m_out.word("\\sub"); break;
        default: m_out.word("\\nosupersub"); break;
        }
    }
    if (style.color != from.color)
        m_out.word("\\cf", style.color);
    if (style.highlight != from.highlight)
        m_out.word("\\highlight", style.highlight);
}

void Writer::writeListText(const QTextBlock &block, const QTextList *list, const RunStyle &mark)
{
    const QString label = listLabel(block, *list);
    m_out.openGroup();
    m_out.word("\\listtext");
    m_out.word("\\pard");
    m_out.word("\\plain");
    m_out.forgetSkipCount();
    writeStyle(mark, RunStyle{}, true);
    m_out.text(label);
    m_out.word("\\tab");
    m_out.closeGroup();
}

void Writer::writeBlock(const QTextBlock &block, bool inTable, Ending ending)
{
    struct Piece
    {
        QTextFragment fragment;
        bool picture;
        RunStyle style;
    };
    std::vector<Piece> pieces;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int index = fragment.charFormatIndex();
        if (index >= 0 && size_t(index) < m_styles.size() && m_styles[index]) {
            pieces.push_back({fragment, false, *m_styles[index]});
            continue;
        }
        const QTextCharFormat format = fragment.charFormat();
        if (format.isImageFormat())
            pieces.push_back({fragment, true, RunStyle{}});
        else
            pieces.push_back({fragment, false, styleAt(index, format)});
    }
    // The paragraph mark's formatting: Word and LibreOffice size an empty
    // line by it, and give a non-empty paragraph's mark that of its last
    // run.
    RunStyle mark;
    auto last = std::find_if(pieces.rbegin(), pieces.rend(), [](const Piece &p) { return !p.picture; });
    if (last != pieces.rend())
        mark = last->style;
    else
        mark = styleOf(block.charFormat());
    // LibreOffice takes a \super in force before a group for a footnote
    // mark and moves the text after it out of the paragraph, so raised and
    // lowered text always gets a group of its own.
    mark.vertical = QTextCharFormat::AlignNormal;

    writeBlockFormat(block, inTable);
    writeStyle(mark, RunStyle{}, true);
    if (const QTextList *list = block.textList())
        writeListText(block, list, mark);

    for (const Piece &piece : pieces) {
        const QString text = piece.fragment.text();
        if (piece.picture) {
            const QTextImageFormat image = piece.fragment.charFormat().toImageFormat();
            for (qsizetype i = 0; i < text.size(); ++i)
                m_usedResources |= writePicture(m_out, m_document, image);
            continue;
        }
        if (piece.style == mark) {
            m_out.text(text);
            continue;
        }
        m_out.openGroup();
        writeStyle(piece.style, mark, false);
        m_out.text(text);
        m_out.closeGroup();
    }

    switch (ending) {
    case Ending::Paragraph: m_out.word("\\par"); m_out.newline(); break;
    case Ending::Cell: m_out.word("\\cell"); m_out.newline(); break;
    case Ending::None: m_out.newline(); break;
    }
}

// The cell's paragraphs in the order of the document, those of a table
// inside it included: from the cell's first position up to the next cell's,
// or to the table's end. Asking the cell for its own end would search the
// table's cells for every cell.
std::vector<QTextBlock> cellBlocks(const QTextDocument &document, int first, int end)
{
    std::vector<QTextBlock> blocks;
    for (QTextBlock block = document.findBlock(first); block.isValid() && block.position() < end;
         block = block.next())
        blocks.push_back(block);
    return blocks;
}

void Writer::writeTable(const QTextTable *table)
{
    const CellGrid &grid = m_grids.try_emplace(table, *table).first->second;
    const int rows = grid.rows;
    const int columns = grid.columns;
    if (rows <= 0 || columns <= 0)
        return;
    const std::vector<int> widths = columnWidths(*table);
    const auto shading = [this](const QTextCharFormat &cell) {
        if (!cell.hasProperty(QTextFormat::BackgroundBrush) || !hasColor(cell.background()))
            return 0;
        return m_colorIndex.value(cell.background().color().rgb() | 0xff000000u, 0);
    };
    // Where each cell's paragraphs end: where the next cell's begin.
    std::vector<int> ends(grid.places.size(), table->lastPosition() + 1);
    int next = ends.back();
    for (size_t i = grid.places.size(); i-- > 0;) {
        const CellGrid::Place &place = grid.places[i];
        if (place.row != int(i) / columns || place.column != int(i) % columns)
            continue;
        ends[i] = next;
        next = place.cell.firstPosition();
    }
    for (int r = 0; r < rows; ++r) {
        writeRowDefinition(m_out, *table, grid, r, widths, shading);
        for (int c = 0; c < columns; ++c) {
            const CellGrid::Place &place = grid.at(r, c);
            if (place.column != c)
                continue;
            if (place.row != r) {
                writeEmptyCell(m_out);
                continue;
            }
            // A table inside a cell is written as the cell's paragraphs.
            const std::vector<QTextBlock> blocks = cellBlocks(
                m_document, place.cell.firstPosition(), ends[size_t(r) * size_t(columns) + size_t(c)]);
            if (blocks.empty()) {
                writeEmptyCell(m_out);
                continue;
            }
            for (size_t i = 0; i < blocks.size(); ++i)
                paragraph(blocks[i], true, i + 1 == blocks.size() ? Ending::Cell : Ending::Paragraph);
        }
        m_out.word("\\row");
        m_out.newline();
    }
}

} // namespace

QByteArray write(const QTextDocument &document)
{
    return Writer(document).run();
}

bool write(const QTextDocument &document, const std::function<bool(QByteArrayView)> &put)
{
    return Writer(document).run(put);
}

Snapshot write(const QTextDocument &document, ParagraphCache &cache)
{
    return Writer(document).run(cache);
}

} // namespace bilan::rtf
