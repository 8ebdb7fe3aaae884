#pragma once

#include <QString>

class QTextEdit;

namespace bilan {

class Clipboard;

// Replaces the selection with the text, or inserts it at the caret when
// nothing is selected; the caret ends just after the text, which takes the
// character formatting in effect at the caret. Line ends of any kind become
// paragraph breaks.
void insertAtCaret(QTextEdit *edit, const QString &text);

// Puts the text on the clipboard as plain text, reads the clipboard's text
// back and inserts that with insertAtCaret. Returns false, having inserted
// nothing, when the clipboard could not be written or read.
bool insertViaClipboard(QTextEdit *edit, const QString &text, Clipboard &clipboard);

} // namespace bilan
