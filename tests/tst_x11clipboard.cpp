// Copy, cut and paste against the real X clipboard, with xclip as the
// other program. Runs on a real X server (the test command starts Xvfb).

#include "support/scriptedservices.h"

#include "shell/form1.h"

#include <QAction>
#include <QLabel>
#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

enum Edit { Cut = 2, Copy = 4, Paste = 5 };

// Runs xclip while this process keeps serving the clipboard it may own.
QByteArray xclip(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(QStringLiteral("xclip"), arguments);
    if (!process.waitForStarted(5000))
        return "<xclip did not start>";
    if (!input.isNull()) {
        process.write(input);
        process.closeWriteChannel();
    }
    QElapsedTimer timer;
    timer.start();
    while (process.state() != QProcess::NotRunning && timer.elapsed() < 10000)
        QTest::qWait(20);
    return process.readAllStandardOutput();
}

QByteArray clipboardOfOthers(const char *target = "UTF8_STRING")
{
    return xclip({QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                  QStringLiteral("-t"), QLatin1String(target)});
}

void select(QTextEdit *edit, int start, int length)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
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

    void copyAndCutReachOtherProgramsAsPlainText()
    {
        Harness h(qtServices().clipboard);
        h.window().show();
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        QTextCursor cursor(manuscript->document());
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.insertText(QStringLiteral("电阻R1和电容C2"), bold);

        select(manuscript, 0, 4);
        h.window().ui().mnuedititem[Copy]->trigger();
        QCOMPARE(QString::fromUtf8(clipboardOfOthers()), QStringLiteral("电阻R1"));
        const QByteArray targets = clipboardOfOthers("TARGETS");
        QVERIFY2(targets.contains("UTF8_STRING"), targets.constData());
        QVERIFY2(!targets.contains("html") && !targets.contains("rtf"), targets.constData());

        select(manuscript, 5, 4);
        h.window().ui().mnuedititem[Cut]->trigger();
        QCOMPARE(QString::fromUtf8(clipboardOfOthers()), QStringLiteral("电容C2"));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("电阻R1和"));
    }

    void pasteTakesTextCopiedInAnotherProgram()
    {
        Harness h(qtServices().clipboard);
        h.window().show();
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        manuscript->setPlainText(QStringLiteral("前后"));
        select(manuscript, 1, 0);

        // xclip stays in the background, owning the clipboard, until someone else takes it.
        QProcess owner;
        owner.start(QStringLiteral("xclip"), {QStringLiteral("-i"), QStringLiteral("-selection"),
                                              QStringLiteral("clipboard"), QStringLiteral("-quiet")});
        QVERIFY(owner.waitForStarted(5000));
        owner.write(QStringLiteral("外部文字").toUtf8());
        owner.closeWriteChannel();
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("外部文字"));

        h.window().ui().toolbarButtons[3]->trigger(); // 粘贴
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

        window.ui().toolbarButtons[std::size_t(ToolbarKey::Write)]->trigger();
        QLabel *label = window.ui().Label2[50];
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                          label->mapTo(&window, label->rect().center()));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("接收天线 "));
        QCOMPARE(QString::fromUtf8(clipboardOfOthers()), QStringLiteral("天线 "));
    }
};

QTEST_MAIN(TestX11Clipboard)
#include "tst_x11clipboard.moc"
