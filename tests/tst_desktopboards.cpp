// The clipboard boards on the desktops whose clipboards XWayland alone does
// not carry: GNOME (mutter), which offers Wayland programs no data control,
// so that the clipboard goes through X and mutter carries copies between X
// and its Wayland programs; and KDE Plasma (KWin), which offers data control,
// so that the clipboard goes through a Wayland connection of the program's
// own. The other programs are Wayland ones (wl-copy, wl-paste), and a
// GTK window (zenity) holds the focus, as the author's browser or reader
// would. (foot, the terminal that does so under sway, ends at once with a
// division by zero under KWin's memory-only screen, which has no size.)
// Runs inside a session of its own (tests/wayland/mutter-session.sh or
// kwin-session.sh); BILAN_EXPECT_CLIPBOARD names the clipboard that desktop
// must get: "x11", or the data-control protocol's name.

#include "support/scriptedservices.h"

#include "aids/clipboardboards.h"
#include "platform/wlclipboard.h"
#include "shell/form1.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <optional>

using namespace bilan;
using namespace bilan::test;

namespace {

// How wl-paste ended: its exit code and what it printed; nothing when it
// did not end by itself within the wait, so that a hung paste is never read
// as an empty one. The events go on meanwhile: a text that Qt holds is
// served by the interface thread, which mutter asks on wl-paste's behalf.
struct Paste
{
    int exitCode = 0;
    QByteArray output;
};
std::optional<Paste> wlPaste(const QStringList &arguments, int waitMs = 5000)
{
    QProcess paste;
    paste.start(QStringLiteral("wl-paste"), arguments);
    if (!QTest::qWaitFor([&] { return paste.state() == QProcess::NotRunning; }, waitMs)
        || paste.exitStatus() != QProcess::NormalExit) {
        paste.kill();
        paste.waitForFinished(1000);
        return std::nullopt;
    }
    return Paste{paste.exitCode(), paste.readAllStandardOutput()};
}

// The text Wayland programs paste; nothing when wl-paste failed.
std::optional<QString> pasted()
{
    const std::optional<Paste> text = wlPaste({"--no-newline", "--type", "text"});
    return text && text->exitCode == 0 ? std::optional(QString::fromUtf8(text->output)) : std::nullopt;
}

bool xPath()
{
    return qgetenv("BILAN_EXPECT_CLIPBOARD") == "x11";
}

// The emptied clipboard as Wayland programs find it.
//
// Through data control it holds nothing, and no type is listed: wl-paste
// says so and fails, or, under KWin, which tells a newcomer nothing at all
// while nothing is copied, is still waiting for the list. The list is the
// compositor's to give, without asking any owner, and comes at once when
// something is copied.
//
// On X it is held empty by the program, and once mutter has carried that
// over from X it offers text, and that text is empty. (While mutter is
// still asking X, they find nothing copied, and a copy made then can be
// overtaken by the emptying.)
bool emptied()
{
    if (!xPath()) {
        const std::optional<Paste> types = wlPaste({"--list-types"}, 1000);
        return !types || (types->exitCode != 0 && types->output.isEmpty());
    }
    const std::optional<Paste> types = wlPaste({"--list-types"});
    return types && types->exitCode == 0 && types->output.contains("text/plain;charset=utf-8")
        && pasted() == QString();
}

// A Wayland program copies the text and serves it until it is replaced;
// returns once it has asked the compositor to take the copy (its protocol
// log, in the file, says so).
//
// Where there is no data control, as under mutter, wl-copy and wl-paste
// each show a window of their own to get the keyboard focus, which a
// compositor requires of a program that copies: a wl-paste started before
// wl-copy has copied takes that focus away, and mutter then refuses the
// copy. The clipboard then still holds what was there before, as if the
// copy had been overtaken.
void wlCopy(QProcess &owner, const QString &text, const QString &logFile)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("1"));
    owner.setProcessEnvironment(environment);
    owner.setStandardErrorFile(logFile);
    owner.start(QStringLiteral("wl-copy"), {"--foreground"});
    QVERIFY(owner.waitForStarted(5000));
    owner.write(text.toUtf8());
    owner.closeWriteChannel();
    QFile log(logFile);
    QVERIFY(QTest::qWaitFor([&] {
        if (!log.isOpen() && !log.open(QIODevice::ReadOnly))
            return false;
        log.seek(0);
        return log.readAll().contains(".set_selection(");
    }, 5000));
}

} // namespace

namespace std {
// What a failed comparison shows.
char *toString(const std::optional<QString> &paste)
{
    return paste ? QTest::toString(*paste) : qstrdup("(wl-paste failed or did not end)");
}
} // namespace std

class TestDesktopBoards : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> m_h;
    QProcess m_focusHolder;
    QTemporaryDir m_logs;
    int m_copies = 0;

    QString nextLog() { return m_logs.filePath(QStringLiteral("wl-copy-%1.log").arg(++m_copies)); }

    Form1 &window() { return m_h->window(); }
    QString board(int i) { return window().ui().Text2[std::size_t(i)]->toPlainText(); }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QFAIL("needs XWayland (QT_QPA_PLATFORM=xcb)");
        QVERIFY2(!qgetenv("WAYLAND_DISPLAY").isEmpty(), "not inside a Wayland session");
        const QByteArray expected = qgetenv("BILAN_EXPECT_CLIPBOARD");
        QVERIFY2(!expected.isEmpty(), "BILAN_EXPECT_CLIPBOARD names no clipboard");
        // The backend is chosen from what the compositor offers.
        WaylandClipboard *wayland = WaylandClipboard::shared();
        QCOMPARE(wayland ? wayland->protocolName() : QStringLiteral("x11"), QString::fromLatin1(expected));
        QCOMPARE(qtServices().clipboard == wayland, wayland != nullptr);
        m_h = std::make_unique<Harness>(qtServices().clipboard);
        QVERIFY(m_h->show());
        // The GTK window, mapped last, takes the focus from the editor.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("GDK_BACKEND"), QStringLiteral("wayland"));
        m_focusHolder.setProcessEnvironment(environment);
        m_focusHolder.start(QStringLiteral("zenity"), {"--info", "--text=bilan-focus"});
        QVERIFY(m_focusHolder.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(!window().isActiveWindow(), 10000);
    }

    void cleanupTestCase()
    {
        m_h.reset();
        m_focusHolder.kill();
        m_focusHolder.waitForFinished(5000);
    }

    // Timer1 takes each copy of a Wayland program within two ticks, and the
    // emptying it leaves behind is what Wayland programs paste next.
    void copiesElsewhereMoveIntoBoardsAndLeaveItEmpty()
    {
        window().flags().watchClipboard = true;
        const QStringList copies = {QStringLiteral("别处复制的"), QStringLiteral("第二段\n两行"),
                                    QStringLiteral("third")};
        for (int i = 0; i < copies.size(); ++i) {
            QProcess owner;
            wlCopy(owner, copies[i], nextLog());
            QTRY_COMPARE_WITH_TIMEOUT(board(i), copies[i], 2000);
            // wl-copy ends once its text is no longer the clipboard's.
            QTRY_COMPARE_WITH_TIMEOUT(owner.state(), QProcess::NotRunning, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(emptied(), 2000);
            QVERIFY(!window().isActiveWindow());
        }
        window().flags().watchClipboard = false;
    }

    void termAndBoardClicksReachWaylandPrograms()
    {
        Form1 &w = window();
        QTextEdit *manuscript = w.ui().RichTextBox1;
        manuscript->clear();

        // A term click leaves its term on the clipboard for them.
        m_h->press(ToolbarKey::Write);
        QLabel *label = w.ui().Label2[50];
        QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, label->mapTo(&w, label->rect().center()));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("天线 "));
        QTRY_COMPARE_WITH_TIMEOUT(pasted(), std::optional(QStringLiteral("天线 ")), 2000);

        // A board click goes through the clipboard, which is empty after it:
        // the term is gone for them too.
        m_h->press(ToolbarKey::Clipboard);
        w.flags().watchClipboard = false;
        w.ui().Text2[2]->setPlainText(QStringLiteral("板上文字"));
        QTest::mouseClick(w.ui().Text2[2]->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("天线 板上文字"));
        QTRY_VERIFY_WITH_TIMEOUT(emptied(), 2000);
    }

    void copyRightAfterAnEmptyingStays_data()
    {
        QTest::addColumn<int>("afterMs");
        for (int ms : {0, 20, 60, 150})
            QTest::addRow("%d ms after", ms) << ms;
    }

    // A Wayland program's copy made just after the program emptied the
    // clipboard stays there: the emptying never overtakes it.
    void copyRightAfterAnEmptyingStays()
    {
        QFETCH(int, afterMs);
        Clipboard *seam = qtServices().clipboard;
        // Each copy stays until the program's next text replaces it: a copy
        // whose program ended is put back by mutter itself.
        QProcess owners[3];
        for (int round = 0; round < int(std::size(owners)); ++round) {
            QVERIFY(seam->setText(QStringLiteral("本程序的")));
            QTRY_COMPARE_WITH_TIMEOUT(pasted(), std::optional(QStringLiteral("本程序的")), 2000);
            QVERIFY(seam->clear());
            QTest::qWait(afterMs);
            const QString theirs = QStringLiteral("别处的 %1").arg(round);
            wlCopy(owners[round], theirs, nextLog());
            QTRY_COMPARE_WITH_TIMEOUT(pasted(), std::optional(theirs), 2000);
            // Still there a while later, and its program still serves it.
            QTest::qWait(1500);
            QCOMPARE(pasted(), std::optional(theirs));
            QCOMPARE(owners[round].state(), QProcess::Running);
        }
        QVERIFY(seam->setText(QStringLiteral("本程序的")));
        QTRY_COMPARE_WITH_TIMEOUT(std::end(owners)[-1].state(), QProcess::NotRunning, 5000);
    }
};

QTEST_MAIN(TestDesktopBoards)
#include "tst_desktopboards.moc"
