// Copy, cut and paste against the real X clipboard, with xclip as the
// other program. Runs on a real X server (the test command starts Xvfb).

#include "support/scriptedservices.h"
#include "support/xclip.h"

#include "aids/clipboardboards.h"
#include "shell/form1.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

enum Edit { Cut = 2, Copy = 4 };

void clickLabel(Form1 &window, QLabel *label)
{
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, label->mapTo(&window, label->rect().center()));
}

} // namespace

class TestX11Clipboard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QFAIL("needs a real X server (QT_QPA_PLATFORM=xcb)");
    }

    // Each command that puts text on the clipboard does so at the first
    // try right after another program copied, round after round; the X
    // server takes no claim older than the other program's. Other programs
    // get plain text only, even of a formatted manuscript.
    void commandsTakeTheClipboardFromAnotherProgram_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("onClipboard"); // what others read afterwards
        QTest::addColumn<QString>("manuscriptAfter");
        QTest::newRow("menu copy") << "menu copy" << "甲乙" << "甲乙丙丁";
        QTest::newRow("toolbar copy") << "toolbar copy" << "甲乙" << "甲乙丙丁";
        QTest::newRow("cut") << "cut" << "甲乙" << "丙丁";
        QTest::newRow("term") << "term" << "天线 " << "天线 甲乙丙丁";
        QTest::newRow("board") << "board" << "" << "板上的字甲乙丙丁";
    }

    void commandsTakeTheClipboardFromAnotherProgram()
    {
        QFETCH(QString, command);
        QFETCH(QString, onClipboard);
        QFETCH(QString, manuscriptAfter);
        Harness h(qtServices().clipboard);
        Form1 &window = h.window();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTextEdit *manuscript = window.ui().RichTextBox1;
        window.ui().Text2[3]->setPlainText(QStringLiteral("板上的字"));
        if (command == "term")
            h.press(ToolbarKey::Write);
        for (int round = 1; round <= 3; ++round) {
            QProcess other;
            const QString elsewhere = QStringLiteral("别处%1").arg(round);
            copyElsewhere(other, elsewhere.toUtf8());
            // Read (as the toolbar's paste reads it) as the X server says,
            // not as Qt last believed.
            QCOMPARE(window.services().clipboard->text(), std::optional<QString>(elsewhere));

            manuscript->clear();
            QTextCharFormat bold;
            bold.setFontWeight(QFont::Bold);
            QTextCursor(manuscript->document()).insertText(QStringLiteral("甲乙丙丁"), bold);
            select(manuscript, 0, command == "term" || command == "board" ? 0 : 2);
            if (command == "menu copy")
                window.ui().mnuedititem[Copy]->trigger();
            else if (command == "toolbar copy")
                h.press(ToolbarKey::Copy);
            else if (command == "cut")
                window.ui().mnuedititem[Cut]->trigger();
            else if (command == "term")
                clickLabel(window, window.ui().Label2[50]);
            else
                window.findChild<ClipboardBoards *>()->onBoardClick(3);
            QCOMPARE(QString::fromUtf8(othersSee()), onClipboard);
            const QByteArray targets = othersSee("TARGETS");
            QVERIFY2(targets.contains("UTF8_STRING") && !targets.contains("html") && !targets.contains("rtf"),
                     targets.constData());
            QCOMPARE(manuscript->toPlainText(), manuscriptAfter);
            other.kill();
            other.waitForFinished(2000);
        }
        // What this program copied last is read back as its own.
        if (!onClipboard.isEmpty())
            QCOMPARE(window.services().clipboard->text(), std::optional<QString>(onClipboard));
    }
};

QTEST_MAIN(TestX11Clipboard)
#include "tst_x11clipboard.moc"
