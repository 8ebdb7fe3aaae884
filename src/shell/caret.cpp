#include "caret.h"

#include "platform/services.h"

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

bool insertViaClipboard(QTextEdit *edit, const QString &text, Clipboard &clipboard)
{
    if (!clipboard.setText(text))
        return false;
    const std::optional<QString> readBack = clipboard.text();
    if (!readBack)
        return false;
    insertAtCaret(edit, *readBack);
    return true;
}

} // namespace bilan
