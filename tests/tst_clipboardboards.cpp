// The clipboard boards and their watcher, through the clipboard seam; the
// watcher driven by Timer1 is tst_x11boards'.

#include "support/scriptedservices.h"

#include "aids/clipboardboards.h"
#include "shell/form1.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

using Boards = QStringList; // eleven texts, board 0 first

Boards boardsOf(Harness &h)
{
    Boards texts;
    for (const QPlainTextEdit *board : h.window().ui().Text2)
        texts.append(board->toPlainText());
    return texts;
}

// Board texts by index, the others empty; index -1 fills every board.
Boards boards(std::initializer_list<std::pair<int, QString>> filled)
{
    Boards texts(ClipboardBoards::Count);
    for (const auto &[index, text] : filled) {
        for (int i = 0; i < ClipboardBoards::Count; ++i) {
            if (index == i || index == -1)
                texts[i] = index == -1 ? text + QString::number(i) : text;
        }
    }
    return texts;
}

} // namespace

class TestClipboardBoards : public QObject
{
    Q_OBJECT

private slots:
    void watcherTick_data()
    {
        QTest::addColumn<bool>("watch");
        QTest::addColumn<Boards>("before");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("fault"); // "read" or "clear"
        QTest::addColumn<Boards>("after");
        QTest::addColumn<QString>("left"); // the clipboard's text afterwards

        const QString t = QStringLiteral("新文字");
        const Boards allFull = boards({{-1, QStringLiteral("板")}});
        Boards fourCleared = allFull;
        fourCleared[4].clear();
        Boards fourTaken = fourCleared;
        fourTaken[4] = t;

        QTest::newRow("new text, boards empty") << true << boards({}) << t << "" << boards({{0, t}}) << "";
        QTest::newRow("watching off") << false << boards({}) << t << "" << boards({}) << t;
        QTest::newRow("equal to a board") << true << boards({{5, t}}) << t << "" << boards({{5, t}}) << t;
        QTest::newRow("equal but case") << true << boards({{0, "abc"}}) << "ABC" << ""
                                        << boards({{0, "abc"}, {1, "ABC"}}) << "";
        QTest::newRow("empty clipboard") << true << boards({{0, t}}) << "" << "" << boards({{0, t}}) << "";
        QTest::newRow("first empty board") << true << boards({{0, "a"}, {1, "b"}, {3, "d"}}) << t << ""
                                           << boards({{0, "a"}, {1, "b"}, {2, t}, {3, "d"}}) << "";
        QTest::newRow("all full") << true << allFull << t << "" << allFull << t;
        QTest::newRow("board 4 cleared") << true << fourCleared << t << "" << fourTaken << "";
        QTest::newRow("CR LF as the board holds it") << true << boards({{0, "a\nb"}}) << "a\r\nb" << ""
                                                     << boards({{0, "a\nb"}}) << "a\r\nb";
        QTest::newRow("unreadable") << true << boards({}) << t << "read" << boards({}) << t;
        // Taken once, then found in its board at every later tick.
        QTest::newRow("cannot be emptied") << true << boards({}) << "a\r\nb" << "clear" << boards({{0, "a\nb"}})
                                           << "a\r\nb";
    }

    void watcherTick()
    {
        QFETCH(bool, watch);
        QFETCH(Boards, before);
        QFETCH(QString, clipboard);
        QFETCH(QString, fault);
        QFETCH(Boards, after);
        QFETCH(QString, left);

        Harness h;
        auto *watcher = h.window().findChild<ClipboardBoards *>();
        QVERIFY(watcher);
        for (int i = 0; i < ClipboardBoards::Count; ++i)
            h.window().ui().Text2[std::size_t(i)]->setPlainText(before[i]);
        h.window().flags().watchClipboard = watch;
        h.clipboard.content = clipboard;
        h.clipboard.readFails = fault == QLatin1String("read");
        h.clipboard.clearFails = fault == QLatin1String("clear");

        for (int tick = 0; tick < 3; ++tick)
            watcher->tick();
        QCOMPARE(boardsOf(h), after);
        QCOMPARE(h.clipboard.content, left);
        // Emptied as a whole, never by putting an empty text there.
        QCOMPARE(h.clipboard.writes, 0);
        QCOMPARE(h.clipboard.clears > 0, after != before);
    }

    void boardClick_data()
    {
        QTest::addColumn<QString>("board");
        QTest::addColumn<QString>("fault"); // "write" or "read"
        QTest::addColumn<QString>("manuscript");

        QTest::newRow("board text") << QStringLiteral("10kΩ\n第二行") << "" << QStringLiteral("前10kΩ\n第二行后");
        QTest::newRow("empty board removes the selection") << "" << "" << QStringLiteral("前后");
        QTest::newRow("clipboard refuses the text") << "x" << "write" << QStringLiteral("前选中后");
        QTest::newRow("clipboard cannot be read") << "x" << "read" << QStringLiteral("前选中后");
    }

    void boardClick()
    {
        QFETCH(QString, board);
        QFETCH(QString, fault);
        QFETCH(QString, manuscript);

        Harness h;
        QVERIFY(h.show());
        QTextEdit *edit = h.window().ui().RichTextBox1;
        edit->setPlainText(QStringLiteral("前选中后"));
        select(edit, 1, 2);
        h.clipboard.content = QStringLiteral("之前的");
        h.clipboard.writeFails = fault == QLatin1String("write");
        h.clipboard.readFails = fault == QLatin1String("read");
        h.window().flags().watchClipboard = true;

        QPlainTextEdit *target = h.window().ui().Text2[6];
        target->setPlainText(board);
        target->show();
        target->setFocus();
        QTest::mouseClick(target->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(edit->toPlainText(), manuscript);
        QVERIFY(target->hasFocus());
        if (fault.isEmpty()) {
            QCOMPARE(h.clipboard.writes, 1);
            QCOMPARE(h.clipboard.content, QString());
        }
        // Whatever the click left on the clipboard is not taken for a new text.
        h.clipboard.writeFails = h.clipboard.readFails = false;
        h.window().findChild<ClipboardBoards *>()->tick();
        QCOMPARE(boardsOf(h), boards({{6, board}}));
    }
};

QTEST_MAIN(TestClipboardBoards)
#include "tst_clipboardboards.moc"
