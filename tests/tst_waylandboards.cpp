// The clipboard boards on a Wayland desktop: the window runs through
// XWayland while the clipboard goes through the compositor's data control.
// The other programs are Wayland ones: wl-copy and wl-paste, owners that
// answer late or never (wlowner), and a terminal that holds the focus, so
// that the compositor shows the X side nothing. Runs inside a headless sway
// (tests/wayland/sway-session.sh).

#include "support/scriptedservices.h"
#include "support/stallprobe.h"

#include "aids/clipboardboards.h"
#include "platform/wlclipboard.h"
#include "shell/form1.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <csignal>

#include <unistd.h>

using namespace bilan;
using namespace bilan::test;

namespace {

QByteArray run(const QString &program, const QStringList &arguments, int timeoutMs = 10000)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
    }
    return process.readAllStandardOutput();
}

// What a Wayland program pastes; empty when the clipboard is, or when its
// owner does not answer (wl-paste would wait for ever).
QString wlPaste()
{
    return QString::fromUtf8(run(QStringLiteral("wl-paste"), {"--no-newline", "--type", "text"}, 2000));
}

// The types the clipboard offers Wayland programs, known without asking
// its owner; none when it is empty.
QByteArray wlTypes()
{
    return run(QStringLiteral("wl-paste"), {"--list-types"});
}
bool wlEmpty()
{
    return wlTypes().isEmpty();
}

// The window with the keyboard focus, as sway reports it: a Wayland
// program's app_id, an X program's class.
QString focusedApp()
{
    std::function<QString(const QJsonObject &)> find = [&find](const QJsonObject &node) -> QString {
        if (node.value(QLatin1String("focused")).toBool()) {
            const QJsonValue app = node.value(QLatin1String("app_id"));
            return app.isString() ? app.toString()
                                  : node.value(QLatin1String("window_properties"))[QLatin1String("class")].toString();
        }
        for (const char *children : {"nodes", "floating_nodes"}) {
            for (const QJsonValue &child : node.value(QLatin1String(children)).toArray()) {
                const QString app = find(child.toObject());
                if (!app.isEmpty())
                    return app;
            }
        }
        return {};
    };
    return find(QJsonDocument::fromJson(run(QStringLiteral("swaymsg"), {"-r", "-t", "get_tree"})).object());
}

enum class Watched { No, Yes };

// A Wayland program copies the text and serves it until it is replaced.
// Unless the boards watch the clipboard, and may take the text first,
// another program then finds it there.
void wlCopy(QProcess &owner, const QString &text, Watched watched = Watched::No)
{
    owner.start(QStringLiteral("wl-copy"), {"--foreground"});
    QVERIFY(owner.waitForStarted(5000));
    owner.write(text.toUtf8());
    owner.closeWriteChannel();
    if (watched == Watched::No)
        QTRY_COMPARE_WITH_TIMEOUT(wlPaste(), text, 10000);
}

void startOwner(QProcess &owner, const QStringList &arguments)
{
    owner.start(QStringLiteral(WLOWNER), arguments);
    QVERIFY(owner.waitForReadyRead(5000));
    QCOMPARE(owner.readAll(), QByteArray("ready\n"));
}

struct Window
{
    Harness h;
    ClipboardBoards *boards = h.window().findChild<ClipboardBoards *>();
    explicit Window(Clipboard *clipboard)
        : h(clipboard)
    {
        h.window().show();
        exposed = QTest::qWaitForWindowExposed(&h.window());
    }
    bool exposed = false;
    QString board(int i) { return h.window().ui().Text2[std::size_t(i)]->toPlainText(); }
};

} // namespace

class TestWaylandBoards : public QObject
{
    Q_OBJECT

    std::unique_ptr<WaylandClipboard> m_clipboard;
    QProcess m_terminal;

    // The window takes the focus (criteria: as sway's commands name
    // windows), which the editor's window may still ask for once after
    // being shown.
    static void focus(const QString &criteria, const QString &app)
    {
        QTRY_VERIFY_WITH_TIMEOUT(run(QStringLiteral("swaymsg"), {criteria + QLatin1String(" focus")}).contains("true")
                                     && (QTest::qWait(200), focusedApp() == app),
                                 10000);
    }
    static void focusTerminal() { focus(QStringLiteral("[app_id=bilan-focus]"), QStringLiteral("bilan-focus")); }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QFAIL("needs XWayland (QT_QPA_PLATFORM=xcb)");
        m_clipboard = WaylandClipboard::connect();
        QVERIFY2(m_clipboard, "the session offers no data-control clipboard");
        m_terminal.start(QStringLiteral("foot"), {"--app-id=bilan-focus", "sleep", "3600"});
        QVERIFY(m_terminal.waitForStarted(5000));
        QTRY_COMPARE_WITH_TIMEOUT(focusedApp(), QStringLiteral("bilan-focus"), 10000);
    }

    void cleanupTestCase()
    {
        m_terminal.kill();
        m_terminal.waitForFinished(5000);
    }

    // Timer1 takes each copy of a Wayland program within two ticks while
    // that program's window keeps the focus, and empties the clipboard.
    void copiesElsewhereMoveIntoBoards()
    {
        Window w(m_clipboard.get());
        QVERIFY(w.exposed);
        w.h.window().flags().watchClipboard = true;
        focusTerminal();
        const QStringList copies = {QStringLiteral("别处复制的"), QStringLiteral("第二段\n两行"),
                                    QStringLiteral("third")};
        for (int i = 0; i < copies.size(); ++i) {
            QProcess owner;
            wlCopy(owner, copies[i], Watched::Yes);
            QTRY_COMPARE_WITH_TIMEOUT(w.board(i), copies[i], 2000);
            QVERIFY(wlEmpty());
            // wl-copy ends once its text is no longer the clipboard's.
            QTRY_COMPARE(owner.state(), QProcess::NotRunning);
        }
        QCOMPARE(focusedApp(), QStringLiteral("bilan-focus"));
    }

    void boardAndTermClicksReachWaylandPrograms()
    {
        Window w(m_clipboard.get());
        QVERIFY(w.exposed);
        Form1 &window = w.h.window();
        QTextEdit *manuscript = window.ui().RichTextBox1;
        focusTerminal();

        // A board click goes through the clipboard, which is empty after it:
        // what another program copied before is gone.
        QProcess owner;
        wlCopy(owner, QStringLiteral("旧的"));
        w.h.press(ToolbarKey::Clipboard);
        window.flags().watchClipboard = false;
        window.ui().Text2[2]->setPlainText(QStringLiteral("板上文字"));
        QTest::mouseClick(window.ui().Text2[2]->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("板上文字"));
        QVERIFY(wlEmpty());
        QTRY_COMPARE(owner.state(), QProcess::NotRunning);

        // A term click leaves its term there for them.
        w.h.press(ToolbarKey::Write);
        QLabel *label = window.ui().Label2[50];
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, label->mapTo(&window, label->rect().center()));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("板上文字天线 "));
        QCOMPARE(wlPaste(), QStringLiteral("天线 "));
    }

    void ownersThatAnswerLateOrInOtherTypes_data()
    {
        QTest::addColumn<QStringList>("owner");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::addColumn<int>("withinMs");

        const QString text = QStringLiteral("电容 10μF");
        const std::optional<QString> none;
        QTest::newRow("silent") << QStringList{"silent", "text/plain;charset=utf-8"} << true << none << 300;
        QTest::newRow("stops half-way") << QStringList{"stall", "text/plain;charset=utf-8", "电容"} << false << none
                                        << 700;
        for (const char *type : {"text/plain", "UTF8_STRING", "TEXT", "STRING"})
            QTest::newRow(type) << QStringList{"serve", type, text} << false << std::optional(text) << 300;
        QTest::newRow("Latin-1 STRING") << QStringList{"serve", "STRING", "caf%E9"} << false
                                        << std::optional(QStringLiteral("café")) << 300;
        QTest::newRow("no text") << QStringList{"serve", "image/png", "PNG"} << false << std::optional(QString())
                                 << 300;
    }

    // A read waits at most 100 ms for an owner's first answer and 500 ms
    // for the whole text; one that let a deadline pass is not asked again
    // until something else is put there. Asking whether the owner answers
    // at all waits for its first answer only.
    void ownersThatAnswerLateOrInOtherTypes()
    {
        QFETCH(QStringList, owner);
        QFETCH(bool, silent);
        QFETCH(std::optional<QString>, expected);
        QFETCH(int, withinMs);
        QProcess process;
        startOwner(process, owner);

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(m_clipboard->ownerSilent(), silent);
        QCOMPARE(m_clipboard->text(), expected);
        QVERIFY2(clock.elapsed() < withinMs, qPrintable(QString::number(clock.elapsed())));
        if (!expected) {
            clock.restart();
            QCOMPARE(m_clipboard->text(), std::nullopt);
            QVERIFY2(clock.elapsed() < 50, qPrintable(QString::number(clock.elapsed())));
        }
        // Putting a text there needs no answer from the owner, and ends its turn.
        QVERIFY(m_clipboard->setText(QStringLiteral("之后")));
        QCOMPARE(m_clipboard->text(), QStringLiteral("之后"));
        QCOMPARE(wlPaste(), QStringLiteral("之后"));
        process.kill();
        process.waitForFinished(5000);
    }

    // Ticks, pastes and clicks against an owner that never answers leave
    // the window responsive and the boards empty.
    void silentOwnerDoesNotFreezeTheWindow()
    {
        Window w(m_clipboard.get());
        Form1 &window = w.h.window();
        w.h.press(ToolbarKey::Clipboard);
        QProcess silent;
        startOwner(silent, {"silent", "text/plain;charset=utf-8"});

        StallProbe probe;
        QTest::qWait(1000);
        w.h.press(ToolbarKey::Palse);
        QTest::qWait(1500);
        QCOMPARE(w.board(0), QString());
        window.ui().Text2[5]->setPlainText(QStringLiteral("板"));
        QTest::mouseClick(window.ui().Text2[5]->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
        w.h.press(ToolbarKey::Write);
        QLabel *label = window.ui().Label2[7];
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, label->mapTo(&window, label->rect().center()));
        QTest::qWait(200);
        const qint64 longest = probe.longest();
        QVERIFY2(longest < 300, qPrintable(QString::number(longest)));
        QCOMPARE(window.ui().RichTextBox1->toPlainText(), QStringLiteral("板电阻"));
        // The term stays on the clipboard; it is not what is looked for next.
        QVERIFY(m_clipboard->clear());
        w.h.press(ToolbarKey::Clipboard);

        // Something else put there is read at once.
        QProcess owner;
        wlCopy(owner, QStringLiteral("after the silent one"), Watched::Yes);
        QTRY_COMPARE_WITH_TIMEOUT(w.board(0), QStringLiteral("after the silent one"), 2000);
        silent.kill();
        silent.waitForFinished(5000);
    }

    // A program that asks for this program's text and never reads it
    // holds up neither the window nor the programs that do read it.
    void readerThatNeverReadsHoldsUpNothing()
    {
        QString big;
        for (int i = 0; big.size() < 1'000'000; ++i)
            big += QStringLiteral("第%1行 line\n").arg(i);
        QVERIFY(m_clipboard->setText(big));
        QProcess stuck;
        // A group of its own, so that the reader and its stuck output go together.
        stuck.setChildProcessModifier([] { ::setpgid(0, 0); });
        stuck.start(QStringLiteral("sh"), {"-c", "wl-paste | sleep 30"});
        QVERIFY(stuck.waitForStarted(5000));
        QTest::qWait(300);

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(m_clipboard->text(), big);
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(wlPaste(), big);
        ::kill(-pid_t(stuck.processId()), SIGKILL);
        stuck.waitForFinished(5000);
    }

    // The session's clipboard seam is the Wayland one, while the toolkit's
    // own copies and pastes stay on X. A copy the toolkit made itself
    // (Ctrl+C in the manuscript) is served by the interface thread, so the
    // watcher takes it from the toolkit, without waiting; the toolkit's
    // paste of what the seam put there is served by the Wayland side's own
    // thread while the interface thread waits for it.
    void toolkitCopiesAndPastesStayOnX()
    {
        Clipboard *seam = qtServices().clipboard;
        QVERIFY(seam && seam == WaylandClipboard::shared());
        Window w(seam);
        QVERIFY(w.exposed);
        focus(QStringLiteral("[shell=xwayland]"), QCoreApplication::applicationName());
        QTextEdit *manuscript = w.h.window().ui().RichTextBox1;
        manuscript->setPlainText(QStringLiteral("本稿文字"));
        manuscript->selectAll();
        manuscript->copy();
        QVERIFY(QGuiApplication::clipboard()->ownsClipboard());
        // The compositor takes a copy made on X as the session's once the
        // toolkit has told it the copy's types (rich text among them),
        // which it does as soon as the window handles its events.
        QTRY_VERIFY(wlTypes().contains("text/html"));

        w.h.window().flags().watchClipboard = true;
        QElapsedTimer clock;
        clock.start();
        w.boards->tick();
        QVERIFY2(clock.elapsed() < 50, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(w.board(0), QStringLiteral("本稿文字"));
        QVERIFY(wlEmpty());

        w.h.window().flags().watchClipboard = false;
        QVERIFY(seam->setText(QStringLiteral("放上去的")));
        manuscript->clear();
        clock.restart();
        QTest::keySequence(manuscript, QKeySequence::Paste);
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("放上去的"));
    }

    // Emptying right after a read leaves a copy made in between.
    void clearAfterAReadSparesANewerCopy()
    {
        QVERIFY(m_clipboard->setText(QStringLiteral("读到的")));
        QCOMPARE(m_clipboard->text(), QStringLiteral("读到的"));
        QProcess owner;
        wlCopy(owner, QStringLiteral("更新的"));
        QVERIFY(!m_clipboard->clearIfUnchanged());
        QCOMPARE(wlPaste(), QStringLiteral("更新的"));
        QVERIFY(m_clipboard->clear());
        QVERIFY(wlEmpty());
        QVERIFY(owner.waitForFinished(5000));
    }
};

QTEST_MAIN(TestWaylandBoards)
#include "tst_waylandboards.moc"
