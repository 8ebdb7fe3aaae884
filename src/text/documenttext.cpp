#include "documenttext.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace bilan {

namespace {

bool inTable(const QTextBlock &block)
{
    return block.isValid() && QTextCursor(block).currentTable() != nullptr;
}

} // namespace

QString documentText(const QTextDocument &document)
{
    QString text;
    text.reserve(document.characterCount());
    const QTextBlock first = document.begin();
    const QTextBlock last = document.lastBlock();
    // Qt keeps an empty paragraph before a table that opens the document and
    // after one that ends it; neither is the author's.
    const bool skipFirst = first != last && first.length() == 1 && !inTable(first) && inTable(first.next());
    const bool skipLast = first != last && last.length() == 1 && !inTable(last) && inTable(last.previous());
    bool firstLine = true;
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        if ((block == first && skipFirst) || (block == last && skipLast))
            continue;
        if (!firstLine)
            text.append(u'\n');
        firstLine = false;
        const QString line = block.text();
        const qsizetype start = text.size();
        text.append(line);
        // A line break inside a paragraph is a line of its own; a picture
        // is no text.
        for (qsizetype i = start; i < text.size();) {
            const QChar c = text.at(i);
            if (c == QChar::LineSeparator) {
                text[i] = u'\n';
                ++i;
            } else if (c == QChar::ObjectReplacementCharacter) {
                text.remove(i, 1);
            } else {
                ++i;
            }
        }
    }
    return text;
}

} // namespace bilan
