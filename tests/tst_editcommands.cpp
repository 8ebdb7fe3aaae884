// The Edit menu, the toolbar's paste and undo, and the font and colour
// commands, through the real window. Copy from the reference text area is
// in tst_viewer.

#include "support/scriptedservices.h"

#include "shell/commondialog.h"
#include "shell/form1.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextTable>

using namespace bilan;
using namespace bilan::test;

namespace {

enum Edit { Undo = 0, SelectAll = 1, Cut = 2, Delete = 3, Copy = 4, Paste = 5 };

// The format of the character at the position.
QTextCharFormat formatAt(QTextEdit *edit, int position)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

QString fontOf(const QTextCharFormat &f)
{
    return QStringLiteral("%1 %2%3%4%5%6").arg(f.fontFamilies().toStringList().value(0)).arg(f.fontPointSize())
        .arg(f.fontWeight() == QFont::Bold ? " bold" : "", f.fontItalic() ? " italic" : "",
             f.fontUnderline() ? " underline" : "", f.fontStrikeOut() ? " struck" : "");
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestEditCommands : public QObject
{
    Q_OBJECT

private slots:
    void clipboard_data()
    {
        QTest::addColumn<Edit>("command");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("fault"); // "read": cannot be read; "write": takes nothing
        QTest::addColumn<QString>("before"); // the clipboard's text
        QTest::addColumn<QString>("text");   // the manuscript's afterwards, from "abcdef"
        QTest::addColumn<QString>("after");  // the clipboard's
        QTest::addColumn<int>("caret");
        QTest::newRow("copy") << Copy << 1 << 3 << "" << "old" << "abcdef" << "bcd" << 4;
        QTest::newRow("copy of nothing empties") << Copy << 1 << 0 << "" << "old" << "abcdef" << "" << 1;
        QTest::newRow("cut") << Cut << 1 << 3 << "" << "old" << "aef" << "bcd" << 1;
        QTest::newRow("cut of nothing empties") << Cut << 1 << 0 << "" << "old" << "abcdef" << "" << 1;
        QTest::newRow("cut the clipboard refuses stays") << Cut << 1 << 2 << "write" << "old" << "abcdef" << "old" << 3;
        QTest::newRow("paste, CR LF is a line") << Paste << 1 << 1 << "" << "XY\r\nZ" << "aXY\nZcdef" << "XY\r\nZ" << 5;
        QTest::newRow("paste of nothing removes") << Paste << 1 << 3 << "" << "" << "aef" << "" << 1;
        QTest::newRow("unreadable pastes nothing") << Paste << 1 << 2 << "read" << "old" << "abcdef" << "old" << 3;
    }

    void clipboard()
    {
        QFETCH(Edit, command);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, fault);
        QFETCH(QString, before);
        Harness h;
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        manuscript->setPlainText(QStringLiteral("abcdef"));
        select(manuscript, start, length);
        h.clipboard.content = before;
        h.clipboard.readFails = fault == "read";
        h.clipboard.writeFails = h.clipboard.clearFails = fault == "write";

        h.window().ui().mnuedititem[command]->trigger();
        QTEST(manuscript->toPlainText(), "text");
        QTEST(h.clipboard.content, "after");
        QTEST(manuscript->textCursor().position(), "caret");
    }

    // Undo and Delete act on the control with the focus, by keystrokes;
    // select all, copy and paste stay with the manuscript.
    void undoAndDeleteActOnTheFocusedControl()
    {
        Harness h;
        QVERIFY(h.show());
        const Form1Ui &ui = h.window().ui();
        ui.RichTextBox1->setPlainText(QStringLiteral("稿子"));
        QPlainTextEdit *box = ui.Text1[3];
        box->show();
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("abc"));
        box->moveCursor(QTextCursor::Start);

        ui.mnuedititem[Delete]->trigger();
        QTRY_COMPARE(box->toPlainText(), QStringLiteral("bc"));
        h.press(ToolbarKey::Back);
        QTRY_COMPARE(box->toPlainText(), QStringLiteral("abc"));
        QCOMPARE(ui.RichTextBox1->toPlainText(), QStringLiteral("稿子"));
        QCOMPARE(h.desktop.keys.size(), 2);
        ui.mnuedititem[SelectAll]->trigger();
        ui.mnuedititem[Copy]->trigger();
        QCOMPARE(h.clipboard.content, QStringLiteral("稿子"));
        QVERIFY(box->hasFocus());
    }

    // Plain text both ways: table cells on lines of their own without the
    // table's markers, no trace of a picture, and a paste in the formatting
    // at the caret.
    void onlyPlainTextTravels()
    {
        Harness h;
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        QTextCursor cursor(manuscript->document());
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.insertText(QStringLiteral("粗体"), bold);
        QTextImageFormat photo;
        photo.setName(QStringLiteral("photo"));
        photo.setWidth(320);
        photo.setHeight(240);
        cursor.insertImage(photo);
        QTextTable *table = cursor.insertTable(2, 2);
        const QStringList cells = {"R1", "10kΩ", "C1", "100μF"};
        for (int i = 0; i < cells.size(); ++i)
            table->cellAt(i / 2, i % 2).firstCursorPosition().insertText(cells[i]);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral("表后"), QTextCharFormat());

        h.window().ui().mnuedititem[SelectAll]->trigger();
        h.window().ui().mnuedititem[Cut]->trigger();
        const QString copied = h.clipboard.content;
        QCOMPARE(copied, QStringLiteral("粗体\nR1\n10kΩ\nC1\n100μF\n表后"));
        QVERIFY(manuscript->toPlainText().isEmpty());

        manuscript->setCurrentCharFormat(QTextCharFormat());
        h.press(ToolbarKey::Palse);
        QCOMPARE(manuscript->toPlainText(), copied);
        QCOMPARE(formatAt(manuscript, 0).fontWeight(), int(QFont::Normal));
        QCOMPARE(manuscript->textCursor().position(), copied.size());
    }

    // Confirmed or cancelled, the dialog's font replaces the selection's
    // whole font, effects included; the dialog opens on the last one.
    void fontIsAppliedEvenWhenCancelled()
    {
        Harness h;
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        QTextCharFormat styled;
        styled.setFontItalic(true);
        styled.setFontUnderline(true);
        styled.setFontStrikeOut(true);
        QTextCursor(manuscript->document()).insertText(QStringLiteral("电阻电容"), styled);

        const FontChoice heiti{QStringLiteral("黑体"), 16, true, false, false, false};
        h.dialogs.answers = {heiti};
        select(manuscript, 0, 2);
        h.window().ui().font->trigger();
        select(manuscript, 2, 2);
        h.window().ui().font->trigger(); // cancelled: 黑体 16 bold again

        QCOMPARE(h.dialogs.shown.size(), 2);
        QCOMPARE(h.dialogs.shown[0].flags, DialogFlag::FontBoth);
        QCOMPARE(h.dialogs.shown[0].font, (FontChoice{QStringLiteral("宋体"), 9, false, false, false, false}));
        QCOMPARE(h.dialogs.shown[1].font, heiti);
        for (int position : {0, 1, 2, 3})
            QCOMPARE(fontOf(formatAt(manuscript, position)), QStringLiteral("黑体 16 bold"));
    }

    void colourIsAppliedEvenWhenCancelled()
    {
        Harness h;
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        QTextCharFormat red;
        red.setForeground(QColor(Qt::red));
        QTextCursor(manuscript->document()).insertText(QStringLiteral("红字蓝字"), red);
        const auto colours = [manuscript] {
            QStringList out;
            for (int position : {0, 1, 2, 3})
                out << formatAt(manuscript, position).foreground().color().name();
            return out.join(' ');
        };

        select(manuscript, 0, 2);
        h.window().ui().color->trigger(); // first use, cancelled: black
        QCOMPARE(colours(), "#000000 #000000 #ff0000 #ff0000");
        h.dialogs.answers = {QColor(Qt::blue)};
        select(manuscript, 2, 2);
        h.window().ui().color->trigger();
        select(manuscript, 0, 1);
        h.window().ui().color->trigger(); // cancelled: the blue chosen last
        QCOMPARE(colours(), "#0000ff #000000 #0000ff #0000ff");
    }

    void fontAndColourWithoutSelectionApplyAtCaret()
    {
        Harness h;
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        manuscript->setPlainText(QStringLiteral("ab"));
        manuscript->moveCursor(QTextCursor::End);
        h.dialogs.answers = {FontChoice{QStringLiteral("楷体"), 12, false, true, false, false}, QColor(Qt::green)};
        h.window().ui().font->trigger();
        h.window().ui().color->trigger();
        h.clipboard.content = QStringLiteral("新");
        h.window().ui().mnuedititem[Paste]->trigger();

        QCOMPARE(manuscript->toPlainText(), QStringLiteral("ab新"));
        QCOMPARE(fontOf(formatAt(manuscript, 2)), QStringLiteral("楷体 12 italic"));
        QCOMPARE(formatAt(manuscript, 2).foreground().color(), QColor(Qt::green));
        QVERIFY(!formatAt(manuscript, 1).fontItalic());
    }
};

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
