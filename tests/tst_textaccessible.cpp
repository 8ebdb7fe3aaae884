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
        cursor.insertText(QStringLiteral("电路"));
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

        const QString plain = manuscript->document()->toPlainText();
        QCOMPARE(plain, QStringLiteral("电路\n\nR1\n\n\n10kΩ\n完")); // no frame marks, cells on lines
        QCOMPARE(text->characterCount(), plain.size());
        QCOMPARE(text->text(0, text->characterCount()), plain);

        // A reader moving line by line lands on each cell's text.
        const int cell = plain.indexOf(QStringLiteral("10kΩ"));
        int start = -1, end = -1;
        QCOMPARE(text->textAtOffset(cell + 1, QAccessible::LineBoundary, &start, &end).trimmed(),
                 QStringLiteral("10kΩ"));
        QCOMPARE(start, cell);
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
