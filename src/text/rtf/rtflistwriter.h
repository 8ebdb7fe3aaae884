#pragma once

#include <QString>

#include <vector>

class QTextBlock;
class QTextList;
class QTextListFormat;

namespace bilan::rtf {

class Output;

// The list table and the list override table. The paragraphs of
// lists[i] refer to both by \ls(i + 1).
void writeListTables(Output &out, const std::vector<const QTextList *> &lists, qreal indentWidth);

// The RTF level of a list: Qt's indent 1 is level 0.
int listLevel(const QTextListFormat &format);

// The label a list item shows: the one its file gave, else the list's own
// number or bullet.
QString listLabel(const QTextBlock &block, const QTextList &list);

} // namespace bilan::rtf
