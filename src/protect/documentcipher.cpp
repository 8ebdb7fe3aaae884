#include "documentcipher.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace bilan::protect {

namespace {

// One replacement of the same length: a run of characters shifted.
struct Edit
{
    int position = 0;
    int length = 0;
    QString text;
    QTextCharFormat format;
    // The paragraph's formats, for the breaks a shifted line feed makes.
    QTextBlockFormat blockFormat;
    QTextCharFormat blockCharFormat;
};

// A paragraph's character format as a paragraph after a break would have
// it: a cell's first paragraph carries the cell's format, which no break
// inside the cell does.
QTextCharFormat asText(QTextCharFormat format)
{
    format.clearProperty(QTextFormat::ObjectIndex);
    format.clearProperty(QTextFormat::ObjectType);
    return format;
}

void collectEdits(const QTextDocument &document, const ShiftCipher &cipher, Direction direction,
                  std::vector<Edit> &edits)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString text = fragment.text();
            QString shifted = cipher.apply(text, direction);
            if (shifted == text)
                continue; // pictures and runs of exempt characters
            Edit edit{fragment.position(), fragment.length(), std::move(shifted), fragment.charFormat(), {}, {}};
            if (edit.text.contains(u'\n')) {
                edit.blockFormat = block.blockFormat();
                edit.blockCharFormat = asText(block.charFormat());
            }
            edits.push_back(std::move(edit));
        }
    }
}

} // namespace

void shiftDocument(QTextDocument &document, const ShiftCipher &cipher, Direction direction)
{
    // Everything is worked out before the first change: block and fragment
    // handles do not survive edits, positions do (no edit changes a length).
    std::vector<Edit> edits;
    collectEdits(document, cipher, direction, edits);
    if (edits.empty())
        return;

    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const Edit &edit : edits) {
        cursor.setPosition(edit.position);
        cursor.setPosition(edit.position + edit.length, QTextCursor::KeepAnchor);
        if (!edit.text.contains(u'\n')) {
            cursor.insertText(edit.text, edit.format);
            continue;
        }
        // The editor would make a default paragraph of a line feed; this
        // one takes the formats of the paragraph it splits, so that the
        // other direction finds a break it may join again.
        cursor.removeSelectedText();
        const QStringView all(edit.text);
        qsizetype start = 0;
        for (;;) {
            const qsizetype end = all.indexOf(u'\n', start);
            const QStringView piece = all.sliced(start, (end < 0 ? all.size() : end) - start);
            if (!piece.isEmpty())
                cursor.insertText(piece.toString(), edit.format);
            if (end < 0)
                break;
            cursor.insertBlock(edit.blockFormat, edit.blockCharFormat);
            start = end + 1;
        }
    }
    cursor.endEditBlock();
}

} // namespace bilan::protect
