#pragma once

#include <functional>
#include <vector>

class QTextCharFormat;
class QTextTable;

namespace bilan::rtf {

class Output;

// The width of each column in twips: fixed widths as they are, percentages
// of the table's width, and the columns that give none sharing what is
// left of it.
std::vector<int> columnWidths(const QTextTable &table);

// The definition of one row, \trowd to the last \cellx: its gap and
// alignment, and each cell's merging, borders, shading and right edge.
// shading gives the colour table index of a cell's background, 0 for none.
void writeRowDefinition(Output &out, const QTextTable &table, int row, const std::vector<int> &widths,
                        const std::function<int(const QTextCharFormat &)> &shading);

// A cell with no paragraph of its own: an empty one, or the part of a cell
// merged from the row above.
void writeEmptyCell(Output &out);

} // namespace bilan::rtf
