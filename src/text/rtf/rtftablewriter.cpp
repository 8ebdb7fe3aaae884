#include "rtftablewriter.h"

#include "rtfformat.h"
#include "rtfoutput.h"

#include <QTextTable>

#include <algorithm>

namespace bilan::rtf {

namespace {

// A4 less 3.17 cm margins each side: the text width Word and LibreOffice
// give a Chinese document when the file names none, used to lay out table
// columns that carry no fixed width.
constexpr int kTextWidthTwips = 8306;

} // namespace

CellGrid::CellGrid(const QTextTable &table)
    : rows(std::max(table.rows(), 0))
    , columns(std::max(table.columns(), 0))
{
    places.reserve(size_t(rows) * size_t(columns));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            Place place;
            place.cell = table.cellAt(r, c);
            // A merged cell covers the places to its right and below: the
            // same cell there, found without asking Qt for its position.
            if (c > 0 && at(r, c - 1).cell == place.cell) {
                place = at(r, c - 1);
            } else if (r > 0 && places[size_t(r - 1) * size_t(columns) + size_t(c)].cell == place.cell) {
                place = places[size_t(r - 1) * size_t(columns) + size_t(c)];
            } else {
                place.format = place.cell.format();
                place.row = r;
                place.column = c;
                place.rowSpan = place.format.tableCellRowSpan();
                place.columnSpan = place.format.tableCellColumnSpan();
            }
            places.push_back(std::move(place));
        }
    }
}

std::vector<int> columnWidths(const QTextTable &table)
{
    const QTextTableFormat format = table.format();
    const int columns = table.columns();
    int tableWidth = kTextWidthTwips;
    if (format.width().type() == QTextLength::FixedLength && format.width().rawValue() > 0)
        tableWidth = qRound(format.width().rawValue() * kTwipsPerPixel);
    else if (format.width().type() == QTextLength::PercentageLength && format.width().rawValue() > 0)
        tableWidth = qRound(kTextWidthTwips * format.width().rawValue() / 100);
    const QList<QTextLength> constraints = format.columnWidthConstraints();
    std::vector<int> widths(columns, 0);
    int used = 0;
    int open = 0;
    for (int c = 0; c < columns; ++c) {
        const QTextLength length = c < constraints.size() ? constraints[c] : QTextLength();
        if (length.type() == QTextLength::FixedLength && length.rawValue() > 0)
            widths[c] = qRound(length.rawValue() * kTwipsPerPixel);
        else if (length.type() == QTextLength::PercentageLength && length.rawValue() > 0)
            widths[c] = qRound(tableWidth * length.rawValue() / 100);
        else
            ++open;
        used += widths[c];
    }
    if (open > 0) {
        const int share = std::max((tableWidth - used) / open, 360);
        for (int &width : widths) {
            if (width == 0)
                width = share;
        }
    }
    return widths;
}

void writeRowDefinition(Output &out, const QTextTable &table, const CellGrid &grid, int row,
                        const std::vector<int> &widths, const std::function<int(const QTextCharFormat &)> &shading)
{
    const QTextTableFormat format = table.format();
    const int columns = grid.columns;
    // Word's own gap when the table states no padding.
    const int gap = format.hasProperty(QTextFormat::TableCellPadding)
                        ? qRound(std::max<qreal>(format.cellPadding(), 0) * kTwipsPerPixel)
                        : 108;
    const bool borders = format.border() > 0 && format.borderStyle() != QTextFrameFormat::BorderStyle_None;
    const int borderTwips = std::clamp(qRound(format.border() * kTwipsPerPixel), 1, 75);
    out.word("\\trowd");
    out.word("\\trgaph", gap);
    out.word("\\trleft", 0);
    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        out.word("\\trqc");
    else if (alignment & Qt::AlignRight)
        out.word("\\trqr");
    int x = 0;
    for (int c = 0; c < columns; ++c) {
        const CellGrid::Place &cell = grid.at(row, c);
        if (cell.column != c)
            continue;
        if (cell.rowSpan > 1 && cell.row == row)
            out.word("\\clvmgf");
        else if (cell.row != row)
            out.word("\\clvmrg");
        if (borders) {
            for (const char *side : {"\\clbrdrt", "\\clbrdrl", "\\clbrdrb", "\\clbrdrr"}) {
                out.word(side);
                out.word("\\brdrs");
                out.word("\\brdrw", borderTwips);
            }
        }
        if (const int color = shading(cell.format); color > 0)
            out.word("\\clcbpat", color);
        for (int k = 0; k < std::max(cell.columnSpan, 1) && c + k < columns; ++k)
            x += widths[c + k];
        out.word("\\cellx", x);
    }
    out.newline();
}

void writeEmptyCell(Output &out)
{
    out.word("\\pard");
    out.word("\\plain");
    out.word("\\intbl");
    out.word("\\cell");
    out.newline();
}

} // namespace bilan::rtf
