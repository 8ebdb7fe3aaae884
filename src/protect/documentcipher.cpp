#include "documentcipher.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace bilan::protect {

namespace {

// One replacement of the same length: a run of characters, or a paragraph
// break that becomes a character.
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

// True when the break after block is a line feed as far as the cipher is
// concerned: removing it and putting it back loses nothing. The document
// ends every paragraph before or after a frame's edge, and every table
// cell, with a frame marker instead of a paragraph separator, so a
// paragraph separator always lies between two paragraphs of one frame or
// cell.
bool isLineFeed(const QTextDocument &document, const QTextBlock &block, const QTextBlock &next)
{
    if (!next.isValid())
        return false;
    const int separator = block.position() + block.length() - 1;
    return document.characterAt(separator) == QChar::ParagraphSeparator
        && block.blockFormat() == next.blockFormat() && asText(block.charFormat()) == next.charFormat();
}

void collectEdits(const QTextDocument &document, const ShiftCipher &cipher, Direction direction,
                  std::vector<Edit> &edits)
{
    const char16_t lineFeed = cipher.shift(u'\n', direction);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        // A character in place of the break looks like the text before it;
        // a picture's format would make it a picture.
        QTextCharFormat lastText = asText(block.charFormat());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat() && format.objectType() == QTextFormat::NoObject)
                lastText = format;
            const QString text = fragment.text();
            QString shifted = cipher.apply(text, direction);
            if (shifted == text)
                continue; // pictures and runs of exempt characters
            Edit edit{fragment.position(), fragment.length(), std::move(shifted), format, {}, {}};
            if (edit.text.contains(u'\n')) {
                edit.blockFormat = block.blockFormat();
                edit.blockCharFormat = asText(block.charFormat());
            }
            edits.push_back(std::move(edit));
        }
        const QTextBlock next = block.next();
        if (lineFeed != u'\n' && isLineFeed(document, block, next))
            edits.push_back(Edit{next.position() - 1, 1, QString(QChar(lineFeed)), lastText, {}, {}});
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
