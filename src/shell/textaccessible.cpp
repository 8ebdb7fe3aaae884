#include "textaccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace bilan {

namespace {

// The plain text a reader hears for the document's characters: block and
// frame boundaries become line feeds, one for one.
QString readable(QString text)
{
    for (QChar &c : text) {
        switch (c.unicode()) {
        case 0xFDD0: // start of a frame (table, cell)
        case 0xFDD1: // end of a frame
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
            c = QLatin1Char('\n');
            break;
        case QChar::Nbsp:
            c = QLatin1Char(' ');
            break;
        default:
            break;
        }
    }
    return text;
}

class TextEditAccessible final : public QAccessibleWidget,
                                 public QAccessibleTextInterface,
                                 public QAccessibleEditableTextInterface
{
public:
    explicit TextEditAccessible(QTextEdit *edit)
        : QAccessibleWidget(edit, QAccessible::EditableText)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface && !edit()->isReadOnly())
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.multiLine = true;
        state.editable = !edit()->isReadOnly();
        state.readOnly = edit()->isReadOnly();
        state.selectableText = true;
        return state;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return edit()->toPlainText();
        return QAccessibleWidget::text(t);
    }

    // Selection and caret.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        const QTextCursor cursor = edit()->textCursor();
        if (selectionIndex == 0 && cursor.hasSelection()) {
            *startOffset = cursor.selectionStart();
            *endOffset = cursor.selectionEnd();
        }
    }
    int selectionCount() const override { return edit()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex != 0)
            return;
        QTextCursor cursor = edit()->textCursor();
        cursor.clearSelection();
        edit()->setTextCursor(cursor);
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex != 0)
            return;
        edit()->setTextCursor(span(startOffset, endOffset));
    }
    int cursorPosition() const override { return edit()->textCursor().position(); }
    void setCursorPosition(int position) override { edit()->setTextCursor(span(position, position)); }

    // Text.
    QString text(int startOffset, int endOffset) const override
    {
        return readable(span(startOffset, endOffset).selectedText());
    }
    int characterCount() const override { return std::max(0, edit()->document()->characterCount() - 1); }

    // Geometry, in screen coordinates.
    QRect characterRect(int offset) const override
    {
        const QTextCursor cursor = span(offset, offset);
        QRect rect = edit()->cursorRect(cursor);
        const QTextBlock block = cursor.block();
        if (const QTextLayout *layout = block.layout(); layout && offset < characterCount()) {
            const QTextLine line = layout->lineForTextPosition(offset - block.position());
            if (line.isValid()) {
                const qreal x = line.cursorToX(offset - block.position());
                const qreal next = line.cursorToX(offset - block.position() + 1);
                rect.setWidth(std::max(1, int(next - x)));
            }
        }
        return QRect(edit()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = edit()->viewport()->mapFromGlobal(point);
        if (!edit()->viewport()->rect().contains(local))
            return -1;
        return edit()->cursorForPosition(local).position();
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        const QTextCursor saved = edit()->textCursor();
        edit()->setTextCursor(span(endIndex, endIndex));
        edit()->ensureCursorVisible();
        edit()->setTextCursor(span(startIndex, startIndex));
        edit()->ensureCursorVisible();
        edit()->setTextCursor(saved);
    }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        // The run of like-formatted characters around the offset, described
        // by its font, as screen readers ask for it.
        *startOffset = *endOffset = offset;
        if (offset < 0 || offset >= characterCount())
            return {};
        const QTextBlock block = span(offset, offset).block();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (offset < fragment.position() || offset >= fragment.position() + fragment.length())
                continue;
            *startOffset = fragment.position();
            *endOffset = fragment.position() + fragment.length();
            const QFont font = fragment.charFormat().font();
            return QStringLiteral("font-family:\"%1\";font-size:%2pt;font-weight:%3;font-style:%4;")
                .arg(font.family())
                .arg(font.pointSizeF())
                .arg(font.bold() ? QStringLiteral("bold") : QStringLiteral("normal"))
                .arg(font.italic() ? QStringLiteral("italic") : QStringLiteral("normal"));
        }
        *endOffset = offset + 1;
        return {};
    }

    // Editing.
    void deleteText(int startOffset, int endOffset) override { replaceText(startOffset, endOffset, {}); }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        QTextCursor cursor = span(startOffset, endOffset);
        cursor.insertText(text);
        edit()->setTextCursor(cursor);
    }

private:
    QTextEdit *edit() const { return static_cast<QTextEdit *>(widget()); }

    // A cursor over [start, end), clamped to the document.
    QTextCursor span(int start, int end) const
    {
        const int last = characterCount();
        QTextCursor cursor(edit()->document());
        cursor.setPosition(std::clamp(start, 0, last));
        cursor.setPosition(std::clamp(end, 0, last), QTextCursor::KeepAnchor);
        return cursor;
    }
};

QAccessibleInterface *textEditFactory(const QString &, QObject *object)
{
    if (auto *edit = qobject_cast<QTextEdit *>(object))
        return new TextEditAccessible(edit);
    return nullptr;
}

} // namespace

void installTextAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(textEditFactory);
}

} // namespace bilan
