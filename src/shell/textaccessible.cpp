#include "textaccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMap>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace bilan {

namespace {

// The text a reader hears for the document's characters: the invisible
// block and frame boundaries become line feeds, one for one; every other
// character, a no-break space included, is read as it is.
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
        default:
            break;
        }
    }
    return text;
}

// A value inside a text attribute list, where ':', ';', ',', '=', '"' and
// the backslash are the list's own marks.
QString escapedValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (QStringView(u"\\:,=;\"").contains(c))
            out += u'\\';
        out += c;
    }
    return out;
}

QString rgb(const QColor &color)
{
    return QStringLiteral("rgb(%1,%2,%3)").arg(color.red()).arg(color.green()).arg(color.blue());
}

QString underlineStyle(QTextCharFormat::UnderlineStyle style)
{
    switch (style) {
    case QTextCharFormat::NoUnderline: return QStringLiteral("none");
    case QTextCharFormat::DashUnderline: return QStringLiteral("dash");
    case QTextCharFormat::DotLine: return QStringLiteral("dotted");
    case QTextCharFormat::DashDotLine: return QStringLiteral("dot-dash");
    case QTextCharFormat::DashDotDotLine: return QStringLiteral("dot-dot-dash");
    case QTextCharFormat::WaveUnderline:
    case QTextCharFormat::SpellCheckUnderline: return QStringLiteral("wave");
    default: return QStringLiteral("solid");
    }
}

QString alignment(Qt::Alignment align)
{
    switch (align & Qt::AlignHorizontal_Mask) {
    case Qt::AlignRight: return QStringLiteral("right");
    case Qt::AlignHCenter: return QStringLiteral("center");
    case Qt::AlignJustify: return QStringLiteral("justify");
    default: return QStringLiteral("left");
    }
}

// What a screen reader is told about a run: the text attributes by their
// accessibility names, in name order, as "name:value;" pairs. The font is
// the one on screen, the document's default filling in what the run leaves
// open; colours only where the run has one of its own.
QString describe(const QTextCharFormat &format, const QTextBlockFormat &block, const QFont &documentFont)
{
    const QFont font = format.font().resolve(documentFont);
    QMap<QString, QString> attributes;
    if (!font.family().isEmpty())
        attributes[QStringLiteral("font-family")] = u'"' + escapedValue(font.family()) + u'"';
    if (font.pointSizeF() > 0)
        attributes[QStringLiteral("font-size")] = QString::number(font.pointSizeF()) + QStringLiteral("pt");
    attributes[QStringLiteral("font-weight")] =
        font.weight() > QFont::Normal ? QStringLiteral("bold") : QStringLiteral("normal");
    attributes[QStringLiteral("font-style")] = font.style() == QFont::StyleItalic    ? QStringLiteral("italic")
                                               : font.style() == QFont::StyleOblique ? QStringLiteral("oblique")
                                                                                     : QStringLiteral("normal");
    const QTextCharFormat::UnderlineStyle underline =
        format.hasProperty(QTextFormat::TextUnderlineStyle) ? format.underlineStyle()
        : font.underline()                                  ? QTextCharFormat::SingleUnderline
                                                            : QTextCharFormat::NoUnderline;
    attributes[QStringLiteral("text-underline-style")] = underlineStyle(underline);
    attributes[QStringLiteral("text-underline-type")] =
        underline == QTextCharFormat::NoUnderline ? QStringLiteral("none") : QStringLiteral("single");
    attributes[QStringLiteral("text-line-through-type")] =
        font.strikeOut() ? QStringLiteral("single") : QStringLiteral("none");
    const QTextCharFormat::VerticalAlignment position = format.verticalAlignment();
    attributes[QStringLiteral("text-position")] = position == QTextCharFormat::AlignSubScript     ? QStringLiteral("sub")
                                                  : position == QTextCharFormat::AlignSuperScript ? QStringLiteral("super")
                                                                                                  : QStringLiteral("baseline");
    if (const QBrush brush = format.foreground(); brush.style() != Qt::NoBrush)
        attributes[QStringLiteral("color")] = rgb(brush.color());
    if (const QBrush brush = format.background(); brush.style() != Qt::NoBrush)
        attributes[QStringLiteral("background-color")] = rgb(brush.color());
    attributes[QStringLiteral("text-align")] = alignment(block.alignment());

    QString out;
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        out += it.key() + u':' + it.value() + u';';
    return out;
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
            return text(0, characterCount());
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
        // The run of like-formatted characters around the offset. A
        // paragraph's end is a run of its own, in the paragraph's format.
        if (offset < 0 || offset >= characterCount()) {
            *startOffset = *endOffset = -1;
            return {};
        }
        const QTextDocument &document = *edit()->document();
        const QTextBlock block = document.findBlock(offset);
        *startOffset = offset;
        *endOffset = offset + 1;
        QTextCharFormat format = block.charFormat();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (offset >= fragment.position() && offset < fragment.position() + fragment.length()) {
                *startOffset = fragment.position();
                *endOffset = fragment.position() + fragment.length();
                format = fragment.charFormat();
                break;
            }
        }
        return describe(format, block.blockFormat(), document.defaultFont());
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
