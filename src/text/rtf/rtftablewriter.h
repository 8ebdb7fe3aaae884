#pragma once

#include <QTextTable>

#include <functional>
#include <vector>

namespace bilan::rtf {

class Output;

// Every place of a table's grid with the cell that covers it, looked up
// once per write: Qt finds a cell's row, column and format by searching
// the document each time it is asked.
struct CellGrid
{
    struct Place
    {
        QTextTableCell cell;
        QTextCharFormat format;
        // Where the covering cell starts: this place is its own when they
        // are the place's row and column.
        int row = 0;
        int column = 0;
        int columnSpan = 1;
        int rowSpan = 1;
    };
    int rows = 0;
    int columns = 0;
    std::vector<Place> places; // row by row

    explicit CellGrid(const QTextTable &table);
    const Place &at(int row, int column) const { return places[size_t(row) * size_t(columns) + size_t(column)]; }
};

// The width of each column in twips: fixed widths as they are, percentages
// of the table's width, and the columns that give none sharing what is
// left of it.
std::vector<int> columnWidths(const QTextTable &table);

// The definition of one row, \trowd to the last \cellx: its gap and
// alignment, and each cell's merging, borders, shading and right edge.
// shading gives the colour table index of a cell's background, 0 for none.
void writeRowDefinition(Output &out, const QTextTable &table, const CellGrid &grid, int row,
                        const std::vector<int> &widths, const std::function<int(const QTextCharFormat &)> &shading);

// A cell with no paragraph of its own: an empty one, or the part of a cell
// merged from the row above.
void writeEmptyCell(Output &out);

} // namespace bilan::rtf
