#include "rtfbuilder.h"

#include "rtfformat.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>

#include <algorithm>

namespace bilan::rtf {

namespace {

// Cells of rows written with fewer cells than the table has are matched to
// columns by their right edges, which writers round by a few twips.
constexpr int kEdgeTolerance = 20;

// Wider than any page: column widths past it come from damaged numbers.
constexpr int kWidestTableTwips = 31680;

// Qt's tables cost time in proportion to their size for every change of
// shape. A longer table goes on as another one just below it; cells past
// the widest row go into its last cell.
constexpr int kMaxTableRows = 1000;
constexpr int kMaxTableColumns = 64;

struct LabelStyle
{
    QTextListFormat::Style style = QTextListFormat::ListStyleUndefined;
    QString prefix;
    QString suffix;
    int value = 0; // the item's number, 0 for bullets
};

bool isRoman(QStringView s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) {
        return QStringView(u"ivxlcdmIVXLCDM").contains(c);
    });
}

// QTextList can draw bullets and Western numbers; a label of any other
// kind ("一、", "第1条") is kept in the block's ListLabel property and the list
// draws no label of its own.
LabelStyle classifyLabel(const QString &label)
{
    LabelStyle result;
    if (label.size() == 1) {
        switch (label.at(0).unicode()) {
        case 0x25CB: case 0x25E6: case u'o':
            result.style = QTextListFormat::ListCircle;
            return result;
        case 0x25A0: case 0x25AA: case 0x25A1: case 0xF0A7: case 0xF06E:
            result.style = QTextListFormat::ListSquare;
            return result;
        case 0x2022: case 0x00B7: case 0x25CF: case 0xF0B7: case 0xF0FC: case 0xF0D8:
        case 0x2013: case u'-': case u'*': case 0x25C6: case 0x2666: case 0x27A2:
            result.style = QTextListFormat::ListDisc;
            return result;
        default:
            break;
        }
    }
    qsizetype first = 0;
    while (first < label.size() && !label.at(first).isLetterOrNumber())
        ++first;
    qsizetype last = first;
    while (last < label.size() && label.at(last).isLetterOrNumber())
        ++last;
    const QStringView core = QStringView(label).sliced(first, last - first);
    const QStringView prefix = QStringView(label).first(first);
    const QStringView suffix = QStringView(label).sliced(last);
    if (core.isEmpty() || std::any_of(suffix.begin(), suffix.end(), [](QChar c) { return c.isLetterOrNumber(); }))
        return result;
    const bool asciiCore = std::all_of(core.begin(), core.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (!asciiCore)
        return result;
    bool ok = false;
    const int number = core.toInt(&ok);
    if (ok) {
        result.style = QTextListFormat::ListDecimal;
        result.value = number;
    } else if (core.size() == 1 && core.at(0).isLower()) {
        result.style = QTextListFormat::ListLowerAlpha;
        result.value = core.at(0).unicode() - u'a' + 1;
    } else if (core.size() == 1 && core.at(0).isUpper()) {
        result.style = QTextListFormat::ListUpperAlpha;
        result.value = core.at(0).unicode() - u'A' + 1;
    } else if (isRoman(core)) {
        result.style = core.at(0).isLower() ? QTextListFormat::ListLowerRoman : QTextListFormat::ListUpperRoman;
        result.value = (core.compare(u"i", Qt::CaseInsensitive) == 0) ? 1 : 2;
    } else {
        return result;
    }
    result.prefix = prefix.toString();
    result.suffix = suffix.toString();
    return result;
}

double pixels(int twips)
{
    return twips / double(kTwipsPerPixel);
}

} // namespace

Builder::Builder(QTextDocument &document, const RowDefinition &row)
    : m_document(document), m_rowDefinition(row), m_cursor(&document)
{
    m_cursor.movePosition(QTextCursor::End);
}

void Builder::insertText(const QString &text, const QTextCharFormat &format, bool inTable)
{
    beginContent(inTable);
    m_cursor.insertText(text, format);
    m_markFormat = format;
}

void Builder::insertImage(const QTextImageFormat &format, bool inTable)
{
    beginContent(inTable);
    m_cursor.insertImage(format);
}

void Builder::endParagraph(const ParagraphFormat &paragraph, const QTextCharFormat &mark, bool inTable)
{
    beginContent(inTable);
    m_markFormat = mark;
    applyParagraph(paragraph);
    m_pendingBreak = true;
}

void Builder::endCell(const ParagraphFormat &paragraph, const QTextCharFormat &mark)
{
    // A paragraph mark just before the cell mark leaves an empty paragraph
    // in the cell, as it would anywhere else.
    beginContent(true);
    m_markFormat = mark;
    applyParagraph(paragraph);
    m_pendingBreak = false;
    ++m_cell;
    m_cellPositioned = false;
}

void Builder::endRow()
{
    if (!m_table || !m_rowAllocated)
        return;
    // A row with fewer cells than the table has, and no edges to place
    // them by: its last cell takes the rest of the row rather than leaving
    // cells that no one wrote.
    const int columns = m_columns;
    if (m_rowStarts.empty() && m_cell > 0 && m_cell < columns) {
        const QTextTableCell last = m_table->cellAt(m_row, m_cell - 1);
        m_table->mergeCells(m_row, last.column(), 1, columns - last.column());
    }
    m_rowAllocated = false;
    m_cellPositioned = false;
    m_cell = 0;
}

void Builder::finish(const ParagraphFormat &paragraph)
{
    if (!m_pendingBreak)
        applyParagraph(paragraph);
    m_pendingBreak = false;
    trimRows();
}

void Builder::beginContent(bool inTable)
{
    if (inTable && !m_table)
        startTable();
    else if (!inTable && m_table)
        endTable();
    if (m_table)
        enterCell();
    if (m_pendingBreak) {
        m_cursor.insertBlock(QTextBlockFormat(), m_markFormat);
        m_pendingBreak = false;
    }
}

void Builder::startTable()
{
    // The paragraph before the table keeps its place above it; the table
    // itself opens the next one.
    m_pendingBreak = false;
    const std::vector<int> &edges = m_rowDefinition.cellEdges;
    const int columns = std::clamp(int(edges.size()), 1, kMaxTableColumns);

    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(3);
    format.setAlignment(m_rowDefinition.alignment);
    m_columnEdges = edges;
    bool sane = !edges.empty() && int(edges.size()) <= kMaxTableColumns;
    int previous = 0;
    QList<QTextLength> widths;
    for (int edge : edges) {
        if (edge <= previous || edge - previous > kWidestTableTwips) {
            sane = false;
            break;
        }
        widths.append(QTextLength(QTextLength::FixedLength, pixels(edge - previous)));
        previous = edge;
    }
    if (sane)
        format.setColumnWidthConstraints(widths);

    m_table = m_cursor.insertTable(1, columns, format);
    m_columns = columns;
    m_rowsAllocated = 1;
    m_row = 0;
    m_cell = 0;
    m_rowAllocated = true;
    m_cellPositioned = false;
    layoutRow();
}

void Builder::trimRows()
{
    if (m_table && m_rowsAllocated > m_row + 1) {
        m_table->removeRows(m_row + 1, m_rowsAllocated - (m_row + 1));
        m_rowsAllocated = m_row + 1;
    }
}

void Builder::endTable()
{
    trimRows();
    m_table = nullptr;
    m_rowStarts.clear();
    m_cursor = QTextCursor(&m_document);
    m_cursor.movePosition(QTextCursor::End);
    // Qt keeps a paragraph after every table; it is the next one.
    m_pendingBreak = false;
}

void Builder::enterCell()
{
    if (!m_rowAllocated && m_row + 1 >= kMaxTableRows) {
        endTable();
        startTable();
    }
    if (!m_rowAllocated) {
        // Qt rebuilds a table's whole cell grid after each change of shape,
        // and removes rows one cell at a time: rows come in batches, and the
        // spare ones go when the table ends.
        if (m_row + 1 >= m_rowsAllocated) {
            const int batch = std::clamp(m_rowsAllocated / 4, 4, 256);
            m_table->appendRows(batch);
            m_rowsAllocated += batch;
        }
        ++m_row;
        m_cell = 0;
        m_rowAllocated = true;
        m_cellPositioned = false;
        layoutRow();
    }
    if (!m_cellPositioned) {
        const int column = columnOfCell(m_cell);
        const QTextTableCell cell = m_table->cellAt(m_row, column);
        m_cursor = cell.lastCursorPosition();
        m_cellFirstBlock = cell.firstCursorPosition().block();
        m_cellPositioned = true;
        // A cell past the widest row shares the last one, a paragraph each.
        m_pendingBreak = m_cursor.position() != cell.firstPosition();
    }
}

void Builder::layoutRow()
{
    m_rowStarts.clear();
    const std::vector<int> &edges = m_rowDefinition.cellEdges;
    const int count = int(edges.size());
    const int columns = m_columns;
    if (count == 0 || count >= columns || m_columnEdges.size() != size_t(columns))
        return; // cell n is column n; more cells than columns grow the table

    // Fewer cells than columns: each cell spans the columns up to the one
    // whose edge matches its own, the last one to the end of the row.
    m_rowStarts.reserve(count);
    int column = 0;
    for (int i = 0; i < count; ++i) {
        m_rowStarts.push_back(column);
        int end = column;
        while (end < columns - 1 && m_columnEdges[end] < edges[i] - kEdgeTolerance)
            ++end;
        if (i == count - 1)
            end = columns - 1;
        end = std::min(end, columns - (count - i)); // room for the cells after it
        end = std::max(end, column);
        if (end > column)
            m_table->mergeCells(m_row, column, 1, end - column + 1);
        column = end + 1;
    }
}

int Builder::columnOfCell(int cell)
{
    int column = cell;
    if (!m_rowStarts.empty()) {
        const int count = int(m_rowStarts.size());
        column = cell < count ? m_rowStarts[cell] : m_columns + (cell - count);
    }
    column = std::min(column, kMaxTableColumns - 1);
    ensureColumn(column);
    return column;
}

void Builder::ensureColumn(int column)
{
    const int columns = m_columns;
    if (column < columns)
        return;
    const int added = column - columns + 1;
    m_table->appendColumns(added);
    m_columns += added;
    // Earlier rows had all their cells; their last cell widens to cover the
    // new columns instead of gaining cells no one wrote.
    for (int row = 0; row < m_row; ++row) {
        const QTextTableCell last = m_table->cellAt(row, columns - 1);
        m_table->mergeCells(row, last.column(), 1, columns + added - last.column());
    }
    m_columnEdges.clear();
    QTextTableFormat format = m_table->format();
    format.clearColumnWidthConstraints();
    m_table->setFormat(format);
}

void Builder::applyParagraph(const ParagraphFormat &paragraph)
{
    QTextBlockFormat format;
    format.setAlignment(paragraph.alignment);
    // Qt draws nothing left of the page: a writer's negative left indent
    // (written with a positive first-line indent to indent the first line)
    // shows from the margin. The exact twips stay for writing back.
    const double left = std::max(0.0, pixels(paragraph.leftTwips));
    format.setLeftMargin(left);
    format.setRightMargin(std::max(0.0, pixels(paragraph.rightTwips)));
    format.setTextIndent(std::max(-left, pixels(paragraph.firstLineTwips)));
    if (paragraph.beforeTwips > 0)
        format.setTopMargin(pixels(paragraph.beforeTwips));
    if (paragraph.afterTwips > 0)
        format.setBottomMargin(pixels(paragraph.afterTwips));
    if (paragraph.leftTwips)
        format.setProperty(LeftIndentTwips, paragraph.leftTwips);
    if (paragraph.rightTwips)
        format.setProperty(RightIndentTwips, paragraph.rightTwips);
    if (paragraph.firstLineTwips)
        format.setProperty(FirstLineIndentTwips, paragraph.firstLineTwips);
    if (paragraph.headingLevel > 0)
        format.setHeadingLevel(paragraph.headingLevel);
    if (!paragraph.tabs.isEmpty())
        format.setTabPositions(paragraph.tabs);
    if (!paragraph.listLabel.isEmpty())
        format.setProperty(ListLabel, paragraph.listLabel);
    m_cursor.setBlockFormat(format);
    // A cell's first paragraph keeps the cell's own format (its span) where
    // other paragraphs keep their mark's; changing it would also make Qt
    // rebuild the table's whole grid.
    if (!m_table || m_cursor.block() != m_cellFirstBlock)
        m_cursor.setBlockCharFormat(m_markFormat);
    ++m_paragraphs;
    if (!paragraph.listLabel.isEmpty())
        joinList(paragraph, m_paragraphs - 1);
}

void Builder::joinList(const ParagraphFormat &paragraph, int index)
{
    const LabelStyle label = classifyLabel(paragraph.listLabel);
    const std::pair key{paragraph.listId, paragraph.listLevel};
    auto it = m_lists.find(key);
    // An item continues its list when the label is of the same kind and
    // either follows the list's last item or carries on its numbering; an
    // item numbered 1 always starts a list.
    bool reuse = false;
    if (it != m_lists.end()) {
        const ListEntry &entry = it->second;
        const bool sameKind = entry.style == label.style && entry.prefix == label.prefix && entry.suffix == label.suffix;
        const bool follows = entry.lastParagraph + 1 == index;
        const bool continues = label.value > 1 && label.value == entry.lastValue + 1;
        reuse = sameKind && label.value != 1 && (follows || continues);
    }
    if (reuse) {
        it->second.list->add(m_cursor.block());
        it->second.lastParagraph = index;
        it->second.lastValue = label.value;
        return;
    }
    QTextListFormat format;
    format.setStyle(label.style);
    format.setNumberPrefix(label.prefix);
    format.setNumberSuffix(label.suffix);
    // The label hangs in the paragraph's own indent when it has one.
    format.setIndent(paragraph.leftTwips >= 300 ? 0 : 1);
    QTextList *list = m_cursor.createList(format);
    m_lists[key] = ListEntry{list, int(label.style), label.prefix, label.suffix, index, label.value};
}

} // namespace bilan::rtf
