// The clipboard boards on a real X server against other programs: xclip
// copies and reads, and an owner that never answers. Runs under Xvfb.

#include "support/scriptedservices.h"
#include "support/stallprobe.h"
#include "support/xclip.h"

#include "aids/clipboardboards.h"
#include "platform/xselection.h"
#include "shell/form1.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTemporaryFile>
#include <QTimer>

using namespace bilan;
using namespace bilan::test;

namespace {

struct Window
{
    Harness h{qtServices().clipboard};
    ClipboardBoards *boards = h.window().findChild<ClipboardBoards *>();
    Window()
    {
        h.window().show();
        h.window().flags().watchClipboard = true;
    }
    QString board(int i) { return h.window().ui().Text2[std::size_t(i)]->toPlainText(); }
};

} // namespace

class TestX11Boards : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QFAIL("needs a real X server (QT_QPA_PLATFORM=xcb)");
    }

    void textCopiedElsewhereMovesIntoABoard()
    {
        Window w;
        QProcess owner;
        copyElsewhere(owner, QStringLiteral("别处复制的").toUtf8());
        // Timer1 ticks every 800 ms.
        QTRY_COMPARE_WITH_TIMEOUT(w.board(0), QStringLiteral("别处复制的"), 2000);
        QCOMPARE(othersSee(), QByteArray());
        // xclip ends when its clipboard is taken.
        QTRY_COMPARE(owner.state(), QProcess::NotRunning);

        // Copied here, captured, and gone for other programs too.
        w.h.window().ui().RichTextBox1->setPlainText(QStringLiteral("本稿文字"));
        w.h.window().ui().RichTextBox1->selectAll();
        w.h.press(ToolbarKey::Copy);
        QTRY_COMPARE_WITH_TIMEOUT(w.board(1), QStringLiteral("本稿文字"), 2000);
        QCOMPARE(othersSee(), QByteArray());

        // A board click goes through the clipboard and leaves it empty.
        w.h.window().ui().RichTextBox1->clear();
        QPlainTextEdit *board = w.h.window().ui().Text2[0];
        QTest::mouseClick(board->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(w.h.window().ui().RichTextBox1->toPlainText(), QStringLiteral("别处复制的"));
        QCOMPARE(othersSee(), QByteArray());
        // Emptied, not abandoned: the text formats are there with nothing in
        // them, for desktops that keep the last X copy for their own
        // programs, and the program's own paste forgets its earlier copy.
        QVERIFY(othersSee("TARGETS").contains("UTF8_STRING"));
        QTRY_VERIFY(!QGuiApplication::clipboard()->ownsClipboard());
        QTest::keyClick(w.h.window().ui().RichTextBox1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.h.window().ui().RichTextBox1->toPlainText(), QStringLiteral("别处复制的"));
    }

    void textSentInPiecesIsReadWhole()
    {
        // xclip sends a text over about a megabyte in pieces (INCR).
        QByteArray big;
        for (int i = 0; big.size() < 1'500'000; ++i)
            big += "第" + QByteArray::number(i) + "行 line\n";
        QProcess owner;
        copyElsewhere(owner, big);
        const std::unique_ptr<XSelection> selection =
            XSelection::connect(nullptr, {std::chrono::milliseconds(2000), std::chrono::milliseconds(5000), {}});
        QVERIFY(selection);
        QCOMPARE(selection->text(), QString::fromUtf8(big));
        QVERIFY(selection->clear());
        QTRY_COMPARE(owner.state(), QProcess::NotRunning);
        QCOMPARE(selection->text(), QString());
    }

    // Another program copies again while its first text is being read: the
    // watcher takes the first and leaves the second for its next tick.
    void copyMadeWhileTheWatcherReadsStays()
    {
        Window w;
        w.boards->tick(); // the program listens to the clipboard from here on
        QProcess racer;
        racer.start(QStringLiteral(RACE_OWNER), {QStringLiteral("第一份"), QStringLiteral("第二份")});
        QVERIFY(racer.waitForReadyRead(5000));
        // X times are in milliseconds: a copy in the same millisecond as the
        // one before it cannot be told from it, by anyone.
        QTest::qWait(20);
        w.boards->tick();
        QCOMPARE(w.board(0), QStringLiteral("第一份"));
        QCOMPARE(QString::fromUtf8(othersSee()), QStringLiteral("第二份"));
        w.boards->tick();
        QCOMPARE(w.board(1), QStringLiteral("第二份"));
        QCOMPARE(othersSee(), QByteArray());
        QTRY_COMPARE(racer.state(), QProcess::NotRunning);
    }

    // A text over the size limit answers: it is left on the clipboard, not
    // read again at every tick, and pastes are not refused meanwhile.
    void ownerOverTheLimitIsLeftAlone()
    {
        Window w;
        QTemporaryFile file;
        QVERIFY(file.open());
        const QByteArray huge(17 * 1024 * 1024, 'x');
        QCOMPARE(file.write(huge), huge.size());
        file.close();
        QProcess owner;
        owner.start(QStringLiteral("xclip"), {"-i", "-selection", "clipboard", "-quiet", file.fileName()});
        QTRY_COMPARE_WITH_TIMEOUT(XSelection::shared()->owner(), std::optional(XSelection::Owner::Other), 10000);
        for (int tick = 0; tick < 2; ++tick) {
            QElapsedTimer clock;
            clock.start();
            w.boards->tick();
            // Read once at most (the whole deadline is 500 ms), then left alone.
            QVERIFY2(clock.elapsed() < (tick == 0 ? 700 : 100), qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(w.board(0), QString());
        }
        QVERIFY(!XSelection::shared()->ownerSilent());
        QCOMPARE(othersSee().size(), huge.size());
        // A new copy is taken at the next tick.
        QProcess next;
        next.start(QStringLiteral("xclip"), {"-i", "-selection", "clipboard", "-quiet"});
        QVERIFY(next.waitForStarted(5000));
        next.write("小的");
        next.closeWriteChannel();
        QTRY_COMPARE_WITH_TIMEOUT(w.board(0), QStringLiteral("小的"), 3000);
    }

    void silentOwnerDoesNotFreezeTheWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("answers nothing") << QStringList();
        QTest::newRow("answers only its formats") << QStringList{QStringLiteral("--answers-formats")};
    }

    void silentOwnerDoesNotFreezeTheWindow()
    {
        QFETCH(QStringList, arguments);
        Window w;
        QProcess silent;
        silent.start(QStringLiteral(SILENT_OWNER), arguments);
        QVERIFY(silent.waitForReadyRead(5000));
        QCOMPARE(silent.readAll(), QByteArray("ready\n"));

        QElapsedTimer clock;
        clock.start();
        w.boards->tick();
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));

        // Timer1 goes on ticking while the event loop is watched for being
        // held up; the paste command reads the clipboard too.
        StallProbe probe;
        QTest::qWait(1000);
        w.h.press(ToolbarKey::Palse);
        QTest::qWait(1500);
        const qint64 longest = probe.longest();
        QVERIFY2(longest < 300, qPrintable(QString::number(longest)));
        QCOMPARE(w.board(0), QString());

        // Once that owner is gone, the watcher sees new texts again.
        silent.kill();
        QVERIFY(silent.waitForFinished(5000));
        QProcess owner;
        copyElsewhere(owner, "after the silent one");
        QTRY_COMPARE_WITH_TIMEOUT(w.board(0), QStringLiteral("after the silent one"), 2000);
    }
};

QTEST_MAIN(TestX11Boards)
#include "tst_x11boards.moc"
