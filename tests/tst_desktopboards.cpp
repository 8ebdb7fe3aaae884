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

// What wl-paste prints; nothing when it failed or did not end by itself
// within 5 s, so that a hung paste is never read as an empty one. The
// events go on meanwhile: a text that Qt holds is served by the interface
// thread, which mutter asks on wl-paste's behalf.
std::optional<QByteArray> wlPaste(const QStringList &arguments)
{
    QProcess paste;
    paste.start(QStringLiteral("wl-paste"), arguments);
    if (!QTest::qWaitFor([&] { return paste.state() == QProcess::NotRunning; }, 5000)
        || paste.exitStatus() != QProcess::NormalExit || paste.exitCode() != 0) {
        paste.kill();
        paste.waitForFinished(1000);
        return std::nullopt;
    }
    return paste.readAllStandardOutput();
}

std::optional<QString> pasted()
{
    const std::optional<QByteArray> text = wlPaste({"--no-newline", "--type", "text"});
    return text ? std::optional(QString::fromUtf8(*text)) : std::nullopt;
}

// The emptied clipboard as Wayland programs find it once mutter has carried
// it over from X: it offers text, and that text is empty. (While mutter is
// still asking X, they find nothing copied, and a copy made then can be
// overtaken by the emptying.)
bool heldEmpty()
{
    const std::optional<QByteArray> types = wlPaste({"--list-types"});
    return types && types->contains("text/plain;charset=utf-8") && pasted() == QString();
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

namespace std {
// What a failed comparison shows.
char *toString(const std::optional<QString> &paste)
{
    return paste ? QTest::toString(*paste) : qstrdup("(wl-paste failed or did not end)");
}
} // namespace std

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
            QTRY_VERIFY_WITH_TIMEOUT(heldEmpty(), 2000);
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
        QTRY_VERIFY_WITH_TIMEOUT(heldEmpty(), 2000);
    }
};

QTEST_MAIN(TestMutterBoards)
#include "tst_mutterboards.moc"
