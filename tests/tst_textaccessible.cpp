// What a screen reader gets from the manuscript: its text as the plain text
// reads, table cells and paragraphs on lines of their own, with offsets that
// still match the caret.

#include "support/scriptedservices.h"

#include "shell/form1.h"

#include <QAccessible>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextTable>

using namespace bilan;
using namespace bilan::test;

class TestTextAccessible : public QObject
{
    Q_OBJECT

private slots:
    void tableAndParagraphsReadAsLines()
    {
        Harness h;
        h.window().show();
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        QTextCursor cursor(manuscript->document());
        cursor.insertText(QStringLiteral("电路\u00A0"));
        cursor.insertBlock();
        QTextTable *table = cursor.insertTable(2, 2);
        table->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("R1"));
        table->cellAt(1, 1).firstCursorPosition().insertText(QStringLiteral("10kΩ"));
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral("完"));

        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(manuscript);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("文稿"));
        QCOMPARE(accessible->text(QAccessible::Description), QStringLiteral("请写您的稿子"));
        QAccessibleTextInterface *text = accessible->textInterface();
        QVERIFY(text);

        // No frame marks, cells on lines, the no-break space as it is.
        const QString plain = QStringLiteral("电路\u00A0\n\nR1\n\n\n10kΩ\n完");
        QCOMPARE(text->characterCount(), plain.size());
        QCOMPARE(text->text(0, text->characterCount()), plain);
        QCOMPARE(accessible->text(QAccessible::Value), plain);

        // A reader moving line by line lands on each cell's text.
        const int cell = plain.indexOf(QStringLiteral("10kΩ"));
        int start = -1, end = -1;
        QCOMPARE(text->textAtOffset(cell + 1, QAccessible::LineBoundary, &start, &end).trimmed(),
                 QStringLiteral("10kΩ"));
        QCOMPARE(start, cell);
    }

    void attributes_data()
    {
        QTest::addColumn<QTextCharFormat>("format");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QStringList>("expected"); // besides the font's four, always there
        QTextCharFormat f;
        const auto row = [&f](const char *name, Qt::Alignment alignment, const QStringList &expected) {
            QTest::newRow(name) << f << int(alignment) << expected;
            f = QTextCharFormat();
        };
        row("plain", Qt::AlignLeft,
            {u"text-underline-style:none;"_qs, u"text-line-through-type:none;"_qs, u"text-position:baseline;"_qs,
             u"text-align:left;"_qs});
        f.setForeground(QColor(255, 0, 0));
        f.setBackground(QColor(255, 255, 0));
        row("colour and background", Qt::AlignHCenter,
            {u"color:rgb(255,0,0);"_qs, u"background-color:rgb(255,255,0);"_qs, u"text-align:center;"_qs});
        f.setFontUnderline(true);
        f.setFontStrikeOut(true);
        row("underline and strikethrough", Qt::AlignRight,
            {u"text-underline-style:solid;"_qs, u"text-underline-type:single;"_qs,
             u"text-line-through-type:single;"_qs, u"text-align:right;"_qs});
        f.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        row("wave underline, superscript", Qt::AlignJustify,
            {u"text-underline-style:wave;"_qs, u"text-position:super;"_qs, u"text-align:justify;"_qs});
        f.setFontFamilies({u"黑体"_qs});
        f.setFontPointSize(16);
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        row("font", Qt::AlignLeft,
            {u"font-family:\"黑体\";"_qs, u"font-size:16pt;"_qs, u"font-weight:bold;"_qs, u"font-style:italic;"_qs,
             u"text-position:sub;"_qs});
        f.setFontFamilies({u"A;B:C"_qs});
        row("marks in a family name", Qt::AlignLeft, {u"font-family:\"A\\;B\\:C\";"_qs});
    }

    // The run around an offset, with its bounds, and every attribute a
    // screen reader is told of it; the plain text beside it does not share
    // the run's own.
    void attributes()
    {
        QFETCH(QTextCharFormat, format);
        QFETCH(int, alignment);
        QFETCH(QStringList, expected);
        Harness h;
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        QTextCursor cursor(manuscript->document());
        QTextBlockFormat block;
        block.setAlignment(Qt::Alignment(alignment));
        cursor.setBlockFormat(block);
        cursor.insertText(u"前"_qs, QTextCharFormat());
        cursor.insertText(u"电阻"_qs, format);
        cursor.insertText(u"后"_qs, QTextCharFormat());
        QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(manuscript)->textInterface();

        int start = -1, end = -1;
        const QString run = text->attributes(2, &start, &end);
        QCOMPARE(QPoint(start, end), format == QTextCharFormat() ? QPoint(0, 4) : QPoint(1, 3));
        for (const QString &attribute : {u"font-family:"_qs, u"font-size:"_qs, u"font-weight:"_qs, u"font-style:"_qs})
            QVERIFY2(run.contains(attribute), qPrintable(run));
        for (const QString &attribute : expected)
            QVERIFY2(run.contains(attribute), qPrintable(run));
        const QString beside = text->attributes(0, &start, &end);
        if (format != QTextCharFormat())
            QVERIFY2(!beside.contains(expected.first()), qPrintable(beside));
        QCOMPARE(text->attributes(text->characterCount(), &start, &end), QString());
        QCOMPARE(QPoint(start, end), QPoint(-1, -1));
    }

    void caretSelectionAndEditingMatchTheDocument()
    {
        Harness h;
        h.window().show();
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        manuscript->setPlainText(QStringLiteral("电阻和电容"));
        QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(manuscript)->textInterface();

        text->setSelection(0, 3, 5);
        QCOMPARE(manuscript->textCursor().selectedText(), QStringLiteral("电容"));
        int start = 0, end = 0;
        text->selection(0, &start, &end);
        QCOMPARE(QPoint(start, end), QPoint(3, 5));
        text->setCursorPosition(2);
        QCOMPARE(text->selectionCount(), 0);
        QCOMPARE(manuscript->textCursor().position(), 2);

        QAccessibleEditableTextInterface *editable =
            QAccessible::queryAccessibleInterface(manuscript)->editableTextInterface();
        QVERIFY(editable);
        editable->replaceText(0, 2, QStringLiteral("电感"));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("电感和电容"));
        QVERIFY(!text->characterRect(1).isEmpty());
    }
};

QTEST_MAIN(TestTextAccessible)
#include "tst_textaccessible.moc"
