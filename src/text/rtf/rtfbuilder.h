#pragma once

#include <QList>
#include <QString>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextOption>

#include <map>
#include <utility>
#include <vector>

class QTextDocument;
class QTextImageFormat;
class QTextList;
class QTextTable;

namespace bilan::rtf {

// A paragraph as the reader saw it when its mark came, in twips.
struct ParagraphFormat
{
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftTwips = 0;
    int rightTwips = 0;
    int firstLineTwips = 0;
    int beforeTwips = 0;
    int afterTwips = 0;
    int headingLevel = 0; // 0: body text
    int listId = 0;       // \ls, 0 when none
    int listLevel = 0;
    QString listLabel;    // from \listtext or \pntext, trimmed
    QList<QTextOption::Tab> tabs;
};

// The table row being defined (\trowd ... \cellx).
struct RowDefinition
{
    std::vector<int> cellEdges; // right edge of each cell, twips
    Qt::Alignment alignment = Qt::AlignLeft;
};

// Turns what the reader found into a QTextDocument through one cursor that
// only ever writes at the end. A paragraph mark does not open the next
// paragraph at once: that waits for content, so the mark of the last
// paragraph leaves no empty paragraph behind it.
class Builder final
{
public:
    Builder(QTextDocument &document, const RowDefinition &row);

    void insertText(const QString &text, const QTextCharFormat &format, bool inTable);
    void insertImage(const QTextImageFormat &format, bool inTable);
    void endParagraph(const ParagraphFormat &paragraph, const QTextCharFormat &mark, bool inTable);
    void endCell(const ParagraphFormat &paragraph, const QTextCharFormat &mark);
    void endRow();
    void finish(const ParagraphFormat &paragraph);

private:
    void beginContent(bool inTable);
    void startTable();
    void endTable();
    void trimRows();
    void enterCell();
    void layoutRow();
    int columnOfCell(int cell);
    void ensureColumn(int column);
    void applyParagraph(const ParagraphFormat &paragraph);
    void joinList(const ParagraphFormat &paragraph, int index);

    QTextDocument &m_document;
    const RowDefinition &m_rowDefinition;
    QTextCursor m_cursor;
    QTextCharFormat m_markFormat;
    bool m_pendingBreak = false;
    int m_paragraphs = 0; // paragraphs given their format so far

    QTextTable *m_table = nullptr;
    std::vector<int> m_columnEdges;
    std::vector<int> m_rowStarts; // first column of each cell of the row
    int m_row = 0;
    int m_rowsAllocated = 0;
    int m_columns = 0;
    QTextBlock m_cellFirstBlock;
    int m_cell = 0;
    bool m_rowAllocated = false;
    bool m_cellPositioned = false;

    struct ListEntry
    {
        QTextList *list = nullptr;
        int style = 0;
        QString prefix;
        QString suffix;
        int lastParagraph = -1;
        int lastValue = 0;
    };
    std::map<std::pair<int, int>, ListEntry> m_lists;
};

} // namespace bilan::rtf
