#include "editcommands.h"

#include "caret.h"
#include "commondialog.h"
#include "form1.h"

#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>

namespace bilan {

namespace {

// The selection as the plain text the clipboard gets, as the toolkit's own
// plain-text export gives it: paragraphs, lines and table cells each end in
// a line feed (the cursor's raw text would carry the invisible frame
// markers of a table); embedded objects (pictures) drop out.
QString selectedPlainText(const QTextEdit *edit)
{
    QString text = edit->textCursor().selection().toPlainText();
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

// False when the text could not be put there. The text replaces whatever
// the clipboard held, in every format; an empty selection leaves the
// clipboard empty.
bool putOnClipboard(Clipboard &clipboard, const QString &text)
{
    if (text.isEmpty())
        return clipboard.clear();
    return clipboard.setText(text);
}

} // namespace

EditCommands::EditCommands(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
}

void EditCommands::onEditItem(int index)
{
    switch (index) {
    case Undo: undo(); break;
    case SelectAll: selectAll(); break;
    case Cut: cut(); break;
    case Delete: deleteKey(); break;
    case Copy: copy(); break;
    case Paste: paste(); break;
    default: break;
    }
}

// Undo and Delete go to whichever control has the focus, a quick-phrase
// box as well as the manuscript, through its own keyboard handling.
void EditCommands::undo()
{
    m_window.services().desktop->sendKeys(QKeyCombination(Qt::ControlModifier, Qt::Key_Z));
}

void EditCommands::deleteKey()
{
    m_window.services().desktop->sendKeys(QKeyCombination(Qt::Key_Delete));
}

void EditCommands::selectAll()
{
    m_window.ui().RichTextBox1->selectAll();
}

void EditCommands::cut()
{
    QTextEdit *manuscript = m_window.ui().RichTextBox1;
    // Text the clipboard could not take stays in the manuscript.
    if (!putOnClipboard(*m_window.services().clipboard, selectedPlainText(manuscript)))
        return;
    QTextCursor cursor = manuscript->textCursor();
    cursor.removeSelectedText();
    manuscript->setTextCursor(cursor);
}

void EditCommands::copy()
{
    WindowFlags &flags = m_window.flags();
    if (flags.referenceSelected) {
        putOnClipboard(*m_window.services().clipboard, selectedPlainText(m_window.ui().RichTextBox2));
        flags.referenceSelected = false;
        return;
    }
    putOnClipboard(*m_window.services().clipboard, selectedPlainText(m_window.ui().RichTextBox1));
}

void EditCommands::paste()
{
    // Plain text only, in the formatting at the caret; an empty clipboard
    // just removes the selection.
    // A clipboard that cannot be read pastes nothing and keeps the selection.
    const std::optional<QString> text = m_window.services().clipboard->text();
    if (text)
        insertAtCaret(m_window.ui().RichTextBox1, *text);
}

void EditCommands::font()
{
    CommonDialog &dialog = m_window.commonDialog();
    dialog.flags = DialogFlag::FontBoth;
    // Confirmed or cancelled, the dialog's font is applied: the dialog has
    // no effects, so this also takes underline and strikethrough away.
    dialog.showFont();
    QTextCharFormat format;
    format.setFontFamilies(QStringList{dialog.fontName});
    if (dialog.fontSize > 0)
        format.setFontPointSize(dialog.fontSize);
    format.setFontWeight(dialog.fontBold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(dialog.fontItalic);
    format.setFontStrikeOut(dialog.fontStrikethru);
    format.setFontUnderline(dialog.fontUnderline);
    m_window.ui().RichTextBox1->mergeCurrentCharFormat(format);
}

void EditCommands::color()
{
    CommonDialog &dialog = m_window.commonDialog();
    dialog.showColor();
    QTextCharFormat format;
    format.setForeground(dialog.color);
    m_window.ui().RichTextBox1->mergeCurrentCharFormat(format);
}

} // namespace bilan
