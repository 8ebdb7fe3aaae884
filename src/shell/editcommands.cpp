#include "editcommands.h"

#include "commondialog.h"
#include "form1.h"
#include "text/caret.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextEdit>

namespace bilan {

namespace {

// The selection as the plain text the clipboard gets: paragraph and line
// separators become line feeds, embedded objects (pictures) drop out.
QString selectedPlainText(const QTextEdit *edit)
{
    QString text = edit->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

void putOnClipboard(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    // An empty selection leaves the clipboard empty of text.
    if (!text.isEmpty())
        clipboard->setText(text);
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
    putOnClipboard(selectedPlainText(manuscript));
    QTextCursor cursor = manuscript->textCursor();
    cursor.removeSelectedText();
    manuscript->setTextCursor(cursor);
}

void EditCommands::copy()
{
    WindowFlags &flags = m_window.flags();
    if (flags.referenceSelected) {
        putOnClipboard(selectedPlainText(m_window.ui().RichTextBox2));
        flags.referenceSelected = false;
        return;
    }
    putOnClipboard(selectedPlainText(m_window.ui().RichTextBox1));
}

void EditCommands::paste()
{
    // Plain text only, in the formatting at the caret; an empty clipboard
    // just removes the selection.
    insertAtCaret(m_window.ui().RichTextBox1, QGuiApplication::clipboard()->text());
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
