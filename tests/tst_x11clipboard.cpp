// Copy, cut and paste against the real X clipboard, with xclip as the
// other program. Runs on a real X server (the test command starts Xvfb).

#include "support/scriptedservices.h"
#include "support/xclip.h"

#include "shell/form1.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

enum Edit { Cut = 2, Copy = 4 };

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

    void copyAndCutReachOtherProgramsAsPlainText()
    {
        Harness h(qtServices().clipboard);
        h.window().show();
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        QTextCursor(manuscript->document()).insertText(QStringLiteral("电阻R1和电容C2"), bold);

        select(manuscript, 0, 4);
        h.window().ui().mnuedititem[Copy]->trigger();
        QCOMPARE(QString::fromUtf8(othersSee()), QStringLiteral("电阻R1"));
        const QByteArray targets = othersSee("TARGETS");
        QVERIFY2(targets.contains("UTF8_STRING") && !targets.contains("html") && !targets.contains("rtf"),
                 targets.constData());

        select(manuscript, 5, 4);
        h.window().ui().mnuedititem[Cut]->trigger();
        QCOMPARE(QString::fromUtf8(othersSee()), QStringLiteral("电容C2"));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("电阻R1和"));
    }

    void pasteTakesTextCopiedInAnotherProgram()
    {
        Harness h(qtServices().clipboard);
        h.window().show();
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        manuscript->setPlainText(QStringLiteral("前后"));
        select(manuscript, 1, 0);
        QProcess owner;
        copyElsewhere(owner, QStringLiteral("外部文字").toUtf8());

        h.press(ToolbarKey::Palse);
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("前外部文字后"));
        owner.kill();
        owner.waitForFinished(2000);
    }

    // A term label clicked with the mouse leaves the term, trailing blank
    // and all, on the clipboard that other programs read.
    void termLabelReachesOtherPrograms()
    {
        Harness h(qtServices().clipboard);
        Form1 &window = h.window();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTextEdit *manuscript = window.ui().RichTextBox1;
        manuscript->setPlainText(QStringLiteral("接收"));
        select(manuscript, 2, 0);

        h.press(ToolbarKey::Write);
        QLabel *label = window.ui().Label2[50];
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, label->mapTo(&window, label->rect().center()));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("接收天线 "));
        QCOMPARE(QString::fromUtf8(othersSee()), QStringLiteral("天线 "));
    }
};

QTEST_MAIN(TestX11Clipboard)
#include "tst_x11clipboard.moc"
