// The clipboard boards on a GNOME desktop: mutter offers Wayland programs no
// data control, so the window and the clipboard both go through XWayland,
// and mutter carries copies between its Wayland programs and X. The other
// programs are Wayland ones (wl-copy, wl-paste), and a terminal (foot) holds
// the focus, as the author's browser or reader would. Runs inside a nested
// mutter (tests/wayland/mutter-session.sh).

#include "support/scriptedservices.h"

#include "aids/clipboardboards.h"
#include "platform/wlclipboard.h"
#include "shell/form1.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTextEdit>

#include <optional>

using namespace bilan;
using namespace bilan::test;

namespace {

// What a Wayland program pastes as text; nothing when wl-paste did not end
// by itself within 5 s, so that a hung paste is never read as an empty one.
// An empty clipboard and an empty text are alike to the author: both paste
// nothing. The events go on meanwhile: a text that Qt holds is served by
// the interface thread, which mutter asks on wl-paste's behalf.
std::optional<QString> wlPaste()
{
    QProcess paste;
    paste.start(QStringLiteral("wl-paste"), {"--no-newline", "--type", "text"});
    if (!QTest::qWaitFor([&] { return paste.state() == QProcess::NotRunning; }, 5000)
        || paste.exitStatus() != QProcess::NormalExit) {
        paste.kill();
        paste.waitForFinished(1000);
        return std::nullopt;
    }
    return QString::fromUtf8(paste.readAllStandardOutput());
}

// A Wayland program copies the text and serves it until it is replaced.
void wlCopy(QProcess &owner, const QString &text)
{
    owner.start(QStringLiteral("wl-copy"), {"--foreground"});
    QVERIFY(owner.waitForStarted(5000));
    owner.write(text.toUtf8());
    owner.closeWriteChannel();
}

} // namespace

class TestMutterBoards : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> m_h;
    QProcess m_terminal;

    Form1 &window() { return m_h->window(); }
    QString board(int i) { return window().ui().Text2[std::size_t(i)]->toPlainText(); }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QFAIL("needs XWayland (QT_QPA_PLATFORM=xcb)");
        QVERIFY2(!qgetenv("WAYLAND_DISPLAY").isEmpty(), "not inside a Wayland session");
        // mutter has no data control: the clipboard stays on the X path.
        QVERIFY(!WaylandClipboard::shared());
        m_h = std::make_unique<Harness>(qtServices().clipboard);
        QVERIFY(m_h->show());
        // The terminal, mapped last, takes the focus from the editor.
        m_terminal.start(QStringLiteral("foot"), {"--app-id=bilan-focus", "sleep", "3600"});
        QVERIFY(m_terminal.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(!window().isActiveWindow(), 10000);
    }

    void cleanupTestCase()
    {
        m_h.reset();
        m_terminal.kill();
        m_terminal.waitForFinished(5000);
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
            wlCopy(owner, copies[i]);
            QTRY_COMPARE_WITH_TIMEOUT(board(i), copies[i], 2000);
            // wl-copy ends once its text is no longer the clipboard's.
            QTRY_COMPARE_WITH_TIMEOUT(owner.state(), QProcess::NotRunning, 5000);
            QCOMPARE(wlPaste(), std::optional(QString()));
            QVERIFY(!window().isActiveWindow());
        }
        window().flags().watchClipboard = false;
    }

    void boardAndTermClicksReachWaylandPrograms()
    {
        Form1 &w = window();
        QTextEdit *manuscript = w.ui().RichTextBox1;
        manuscript->clear();
        m_h->press(ToolbarKey::Clipboard);
        w.flags().watchClipboard = false;

        // A board click goes through the clipboard, which is empty after it:
        // what a Wayland program copied before is gone for them too.
        QProcess owner;
        wlCopy(owner, QStringLiteral("旧的"));
        QTRY_COMPARE_WITH_TIMEOUT(wlPaste(), std::optional(QStringLiteral("旧的")), 10000);
        w.ui().Text2[2]->setPlainText(QStringLiteral("板上文字"));
        QTest::mouseClick(w.ui().Text2[2]->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("板上文字"));
        QTRY_COMPARE_WITH_TIMEOUT(owner.state(), QProcess::NotRunning, 5000);
        QCOMPARE(wlPaste(), std::optional(QString()));

        // A term click leaves its term there for them.
        m_h->press(ToolbarKey::Write);
        QLabel *label = w.ui().Label2[50];
        QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, label->mapTo(&w, label->rect().center()));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("板上文字天线 "));
        QTRY_COMPARE_WITH_TIMEOUT(wlPaste(), std::optional(QStringLiteral("天线 ")), 2000);
    }
};

QTEST_MAIN(TestMutterBoards)
#include "tst_mutterboards.moc"
