#include "caret.h"

#include <QClipboard>
#include <QTextCursor>
#include <QTextEdit>

namespace bilan {

void insertAtCaret(QTextEdit *edit, const QString &text)
{
    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextCursor cursor = edit->textCursor();
    // The edit's current format is the formatting at the caret, including
    // one set by a font or colour command with nothing selected.
    const QTextCharFormat format = edit->currentCharFormat();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    if (!normalized.isEmpty())
        cursor.insertText(normalized, format);
    cursor.endEditBlock();
    edit->setTextCursor(cursor);
}

void insertViaClipboard(QTextEdit *edit, const QString &text, QClipboard *clipboard)
{
    clipboard->setText(text);
    insertAtCaret(edit, clipboard->text());
}

} // namespace bilan
