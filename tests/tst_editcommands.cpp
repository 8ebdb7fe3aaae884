// The Edit menu, the toolbar's copy, paste and undo, and the font and
// colour commands, through the real window.

#include "support/scriptedservices.h"

#include "shell/commondialog.h"
#include "shell/form1.h"

#include <QAction>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextTable>

using namespace bilan;
using namespace bilan::test;

namespace {

void select(QTextEdit *edit, int start, int length)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

QTextCharFormat formatAt(QTextEdit *edit, int position)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(position + 1); // the format of the character before
    return cursor.charFormat();
}

enum Edit { Undo = 0, SelectAll = 1, Cut = 2, Delete = 3, Copy = 4, Paste = 5 };

} // namespace

class TestEditCommands : public QObject
{
    Q_OBJECT

private slots:
    void undoAndDeleteActOnTheFocusedControl();
    void selectAllCutPasteLosesFormatting();
    void copyTakesReferenceTextOnceWhileSelected();
    void emptySelectionAndEmptyClipboard();
    void tableCellsReachTheClipboardAsLines();
    void unusableClipboardChangesNothing();
    void fontIsAppliedEvenWhenCancelled();
    void colourIsAppliedEvenWhenCancelled();
    void fontAndColourWithoutSelectionApplyAtCaret();
};

void TestEditCommands::undoAndDeleteActOnTheFocusedControl()
{
    Harness h;
    h.window().show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window()));
    const Form1Ui &ui = h.window().ui();
    ui.RichTextBox1->setPlainText(QStringLiteral("稿子"));

    QPlainTextEdit *box = ui.Text1[3];
    box->show();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("abc"));
    QCOMPARE(box->toPlainText(), QStringLiteral("abc"));

    // Delete removes the character after the caret in the box, not in the manuscript.
    box->moveCursor(QTextCursor::Start);
    ui.mnuedititem[Delete]->trigger();
    QTRY_COMPARE(box->toPlainText(), QStringLiteral("bc"));
    ui.toolbarButtons[4]->trigger(); // 撤消
    QTRY_COMPARE(box->toPlainText(), QStringLiteral("abc"));
    QCOMPARE(ui.RichTextBox1->toPlainText(), QStringLiteral("稿子"));
    QCOMPARE(h.desktop.keys.size(), 2);

    // Select all, cut, copy and paste still act on the manuscript.
    ui.mnuedititem[SelectAll]->trigger();
    ui.mnuedititem[Copy]->trigger();
    QCOMPARE(h.clipboard.content, QStringLiteral("稿子"));
    QVERIFY(box->hasFocus());
}

void TestEditCommands::selectAllCutPasteLosesFormatting()
{
    Harness h;
    const Form1Ui &ui = h.window().ui();
    QTextCursor cursor(ui.RichTextBox1->document());
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("粗体"), bold);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("second"), QTextCharFormat());

    ui.mnuedititem[SelectAll]->trigger();
    ui.mnuedititem[Cut]->trigger();
    QVERIFY(ui.RichTextBox1->toPlainText().isEmpty());
    QCOMPARE(h.clipboard.content, QStringLiteral("粗体\nsecond"));

    ui.RichTextBox1->setCurrentCharFormat(QTextCharFormat());
    ui.toolbarButtons[3]->trigger(); // 粘贴
    QCOMPARE(ui.RichTextBox1->toPlainText(), QStringLiteral("粗体\nsecond"));
    QCOMPARE(formatAt(ui.RichTextBox1, 0).fontWeight(), int(QFont::Normal));
    QCOMPARE(ui.RichTextBox1->textCursor().position(), ui.RichTextBox1->document()->characterCount() - 1);
}

void TestEditCommands::copyTakesReferenceTextOnceWhileSelected()
{
    Harness h;
    const Form1Ui &ui = h.window().ui();
    ui.RichTextBox1->setPlainText(QStringLiteral("manuscript"));
    ui.RichTextBox2->setPlainText(QStringLiteral("reference"));
    select(ui.RichTextBox1, 0, 3);
    select(ui.RichTextBox2, 0, 5);

    h.window().flags().referenceSelected = true;
    ui.toolbarButtons[2]->trigger(); // 复制
    QCOMPARE(h.clipboard.content, QStringLiteral("refer"));
    QVERIFY(!h.window().flags().referenceSelected);

    ui.mnuedititem[Copy]->trigger();
    QCOMPARE(h.clipboard.content, QStringLiteral("man"));
}

void TestEditCommands::emptySelectionAndEmptyClipboard()
{
    Harness h;
    const Form1Ui &ui = h.window().ui();
    ui.RichTextBox1->setPlainText(QStringLiteral("abcdef"));
    // Cut or copy of nothing leaves the clipboard empty of text.
    for (int item : {Copy, Cut}) {
        h.clipboard.content = QStringLiteral("before");
        select(ui.RichTextBox1, 1, 0);
        ui.mnuedititem[item]->trigger();
        QCOMPARE(h.clipboard.content, QString());
    }
    // Paste of nothing removes the selection.
    select(ui.RichTextBox1, 1, 3);
    ui.mnuedititem[Paste]->trigger();
    QCOMPARE(ui.RichTextBox1->toPlainText(), QStringLiteral("aef"));

    h.clipboard.content = QStringLiteral("XY\r\nZ");
    select(ui.RichTextBox1, 1, 1);
    ui.mnuedititem[Paste]->trigger();
    QCOMPARE(ui.RichTextBox1->toPlainText(), QStringLiteral("aXY\nZf"));
    QCOMPARE(ui.RichTextBox1->textCursor().position(), 5);
}

void TestEditCommands::tableCellsReachTheClipboardAsLines()
{
    Harness h;
    const Form1Ui &ui = h.window().ui();
    QTextCursor cursor(ui.RichTextBox1->document());
    cursor.insertText(QStringLiteral("表前"));
    QTextTable *table = cursor.insertTable(2, 2);
    const QStringList cells = {QStringLiteral("R1"), QStringLiteral("10kΩ"), QStringLiteral("C1"),
                               QStringLiteral("100μF")};
    for (int i = 0; i < cells.size(); ++i)
        table->cellAt(i / 2, i % 2).firstCursorPosition().insertText(cells[i]);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("表后"));

    ui.mnuedititem[SelectAll]->trigger();
    ui.mnuedititem[Copy]->trigger();
    const QString copied = h.clipboard.content;
    QVERIFY2(!copied.contains(QChar(0xFDD0)) && !copied.contains(QChar(0xFDD1)), qPrintable(copied));
    QCOMPARE(copied, ui.RichTextBox1->document()->toPlainText());
    for (const QString &cell : cells)
        QVERIFY(copied.contains(QLatin1Char('\n') + cell + QLatin1Char('\n')));
}

void TestEditCommands::unusableClipboardChangesNothing()
{
    Harness h;
    const Form1Ui &ui = h.window().ui();
    ui.RichTextBox1->setPlainText(QStringLiteral("abcdef"));
    h.clipboard.content = QStringLiteral("held");
    h.clipboard.readFails = true;
    select(ui.RichTextBox1, 1, 2);
    ui.mnuedititem[Paste]->trigger();
    QCOMPARE(ui.RichTextBox1->toPlainText(), QStringLiteral("abcdef"));

    h.clipboard.writeFails = true;
    h.clipboard.clearFails = true;
    ui.mnuedititem[Cut]->trigger(); // what the clipboard cannot take stays
    QCOMPARE(ui.RichTextBox1->toPlainText(), QStringLiteral("abcdef"));
    QCOMPARE(h.clipboard.content, QStringLiteral("held"));
}

void TestEditCommands::fontIsAppliedEvenWhenCancelled()
{
    Harness h;
    const Form1Ui &ui = h.window().ui();
    QTextCursor cursor(ui.RichTextBox1->document());
    QTextCharFormat styled;
    styled.setFontItalic(true);
    styled.setFontUnderline(true);
    styled.setFontStrikeOut(true);
    cursor.insertText(QStringLiteral("电阻电容"), styled);

    const FontChoice heiti{QStringLiteral("黑体"), 16, true, false, false, false};
    h.dialogs.answers = {heiti};
    select(ui.RichTextBox1, 0, 2);
    ui.font->trigger();
    select(ui.RichTextBox1, 2, 2);
    ui.font->trigger(); // cancelled: 黑体 16 bold again

    QCOMPARE(h.dialogs.shown.size(), 2);
    QCOMPARE(h.dialogs.shown[0].flags, DialogFlag::FontBoth);
    QCOMPARE(h.dialogs.shown[0].font, (FontChoice{QStringLiteral("宋体"), 9, false, false, false, false}));
    QCOMPARE(h.dialogs.shown[1].font, heiti);
    for (int position : {0, 1, 2, 3}) {
        const QTextCharFormat format = formatAt(ui.RichTextBox1, position);
        QCOMPARE(format.fontFamilies().toStringList().value(0), QStringLiteral("黑体"));
        QCOMPARE(format.fontPointSize(), 16.0);
        QCOMPARE(format.fontWeight(), int(QFont::Bold));
        QVERIFY(!format.fontItalic());
        QVERIFY(!format.fontUnderline());
        QVERIFY(!format.fontStrikeOut());
    }
}

void TestEditCommands::colourIsAppliedEvenWhenCancelled()
{
    Harness h;
    const Form1Ui &ui = h.window().ui();
    QTextCursor cursor(ui.RichTextBox1->document());
    QTextCharFormat red;
    red.setForeground(QColor(Qt::red));
    cursor.insertText(QStringLiteral("红字蓝字"), red);

    select(ui.RichTextBox1, 0, 2);
    ui.color->trigger(); // first use, cancelled: black
    QCOMPARE(formatAt(ui.RichTextBox1, 0).foreground().color(), QColor(Qt::black));
    QCOMPARE(formatAt(ui.RichTextBox1, 2).foreground().color(), QColor(Qt::red));

    h.dialogs.answers = {QColor(Qt::blue)};
    select(ui.RichTextBox1, 2, 2);
    ui.color->trigger();
    select(ui.RichTextBox1, 0, 1);
    ui.color->trigger(); // cancelled: the blue chosen last
    QCOMPARE(formatAt(ui.RichTextBox1, 0).foreground().color(), QColor(Qt::blue));
    QCOMPARE(formatAt(ui.RichTextBox1, 1).foreground().color(), QColor(Qt::black));
    QCOMPARE(formatAt(ui.RichTextBox1, 3).foreground().color(), QColor(Qt::blue));
}

void TestEditCommands::fontAndColourWithoutSelectionApplyAtCaret()
{
    Harness h;
    const Form1Ui &ui = h.window().ui();
    ui.RichTextBox1->setPlainText(QStringLiteral("ab"));
    ui.RichTextBox1->moveCursor(QTextCursor::End);
    h.dialogs.answers = {FontChoice{QStringLiteral("楷体"), 12, false, true, false, false}, QColor(Qt::green)};
    ui.font->trigger();
    ui.color->trigger();
    h.clipboard.content = QStringLiteral("新");
    ui.mnuedititem[Paste]->trigger();

    QCOMPARE(ui.RichTextBox1->toPlainText(), QStringLiteral("ab新"));
    const QTextCharFormat inserted = formatAt(ui.RichTextBox1, 2);
    QCOMPARE(inserted.fontFamilies().toStringList().value(0), QStringLiteral("楷体"));
    QCOMPARE(inserted.fontPointSize(), 12.0);
    QVERIFY(inserted.fontItalic());
    QCOMPARE(inserted.foreground().color(), QColor(Qt::green));
    QVERIFY(!formatAt(ui.RichTextBox1, 1).fontItalic());
}

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
