// The copy of an unsaved manuscript: how old it may get under steady
// typing, what removes it, how copies left by killed programs are offered
// back, and a recovery folder that cannot be written.

#include "support/files.h"
#include "support/scriptedservices.h"

#include "recovery/copyfolder.h"
#include "recovery/recoverycopy.h"
#include "shell/form1.h"
#include "text/manuscriptio.h"
#include "text/rtf/rtfwriter.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

QString textOf(const QString &file)
{
    QTextDocument document;
    return manuscript::load(file, document).ok() ? document.toPlainText() : QStringLiteral("(unreadable)");
}

// The whole program on scripted seams, keeping its copies in folder, on a
// clock that moves only when the test says.
struct Program : Harness
{
    explicit Program(const QString &folder)
        : Harness(nullptr, folder)
    {
        clock.time = QDateTime(QDate(2026, 12, 7), QTime(15, 0));
    }

    QTextEdit &manuscript() { return *window().ui().RichTextBox1; }
    RecoveryCopy *keeper() { return window().findChild<RecoveryCopy *>(); }
    void type(const QString &text)
    {
        QTextCursor cursor(manuscript().document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
    }
    // Time passes on the clock, tick by tick, each write awaited.
    void pass(int ms)
    {
        for (int t = 0; t < ms; t += RecoveryCopy::TickMs) {
            clock.time = clock.time.addMSecs(RecoveryCopy::TickMs);
            timers.withInterval(RecoveryCopy::TickMs)->elapse();
            keeper()->waitForWrite();
            QCoreApplication::processEvents();
        }
    }
};

// A copy that a killed program left: its lock file, which nobody holds.
void leaveCopy(const QString &folder, const QString &name, const QString &text, const QDateTime &madeAt)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(text, bold);
    QVERIFY(manuscript::save(folder + '/' + name + ".rtf", document, manuscript::Format::Rtf).ok());
    QVERIFY(writeFile(folder + '/' + name + ".lock", {}));
    QFile copy(folder + '/' + name + ".rtf");
    QVERIFY(copy.open(QIODevice::ReadWrite) && copy.setFileTime(madeAt, QFileDevice::FileModificationTime));
}

enum class End { Save, SaveCancelled, SaveFailed, SaveAsText, New, Open, Undo, CloseCancel, CloseNo, ExitNo };

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ignoreSizeHintWarnings(); }

    void steadyTypingIsOnDiskWithinTenSeconds()
    {
        QTemporaryDir state;
        const QString folder = state.filePath("bilan/recovery");
        Program program(folder);
        // When the manuscript first had each length, in ms of the clock.
        QList<qint64> reached = {0};
        qint64 now = 0;
        for (; now < 60000; now += 250) {
            program.type(QStringLiteral("字"));
            reached.append(now);
            program.pass(250);
            const QStringList files = filesIn(folder);
            const QString copy = files.filter(".rtf").value(0);
            if (copy.isEmpty()) {
                QVERIFY2(now < 10000, "no copy after 10 s of typing");
                continue;
            }
            // The first change the copy lacks may be at most 10 s old.
            const qsizetype kept = textOf(folder + '/' + copy).size();
            if (kept + 1 < reached.size())
                QVERIFY2(now + 250 - reached[kept + 1] <= 10000, qPrintable(QString::number(now)));
        }
        // At most one copy in 9 s of typing, at least one in 10.
        QVERIFY(program.keeper()->copiesWritten() <= now / 9000);
        QVERIFY(program.keeper()->copiesWritten() >= now / 10000);
        // A pause: the copy catches up at once.
        program.pass(RecoveryCopy::QuietMs + 250);
        const QString copy = folder + '/' + filesIn(folder).filter(".rtf").value(0);
        QCOMPARE(textOf(copy), program.manuscript().toPlainText());
        // Made from the paragraphs kept since the last copy, the same bytes
        // as a save.
        program.keeper()->waitForWrite();
        QCOMPARE(readFile(copy), rtf::write(*program.manuscript().document()));
    }

    void deliberateEndsRemoveTheCopy_data()
    {
        QTest::addColumn<End>("end");
        QTest::addColumn<QStringList>("left"); // the kinds of file left in the folder
        const QStringList lock = {"lock"}, both = {"lock", "rtf"}, none;
        QTest::newRow("保存") << End::Save << lock;
        QTest::newRow("保存, cancelled") << End::SaveCancelled << both;
        QTest::newRow("保存, failed") << End::SaveFailed << both;
        QTest::newRow("另存为 txt") << End::SaveAsText << lock;
        QTest::newRow("新建, No") << End::New << lock;
        QTest::newRow("打开") << End::Open << lock;
        QTest::newRow("undo to the start") << End::Undo << lock;
        QTest::newRow("close prompt, Cancel") << End::CloseCancel << both;
        QTest::newRow("close prompt, No") << End::CloseNo << none;
        QTest::newRow("退出, No") << End::ExitNo << none;
    }

    void deliberateEndsRemoveTheCopy()
    {
        QFETCH(End, end);
        QFETCH(QStringList, left);
        QTemporaryDir state, files;
        Program program(state.path());
        const Form1Ui &ui = program.window().ui();
        program.type(QStringLiteral("没有保存的字"));
        program.pass(RecoveryCopy::QuietMs + 250);
        QCOMPARE(filesIn(state.path()).size(), 2);

        using A = MessageAnswer;
        switch (end) {
        case End::Save: program.dialogs.answers = {files.filePath("a.rtf")}; ui.mnufileitem[2]->trigger(); break;
        case End::SaveCancelled: ui.mnufileitem[2]->trigger(); break;
        case End::SaveFailed: program.dialogs.answers = {files.path()}; ui.mnufileitem[2]->trigger(); break;
        case End::SaveAsText: program.dialogs.answers = {files.filePath("a.txt")}; ui.saveasItems[1]->trigger(); break;
        case End::New: program.prompts.answers = {A::No}; ui.mnufileitem[0]->trigger(); break;
        case End::Open: program.dialogs.answers = {QString("../shared/rtf-corpus/rtf/lo_table.rtf")}; ui.mnufileitem[1]->trigger(); break;
        case End::Undo: program.manuscript().undo(); break;
        case End::CloseCancel: program.prompts.answers = {A::Cancel}; program.window().close(); break;
        case End::CloseNo: program.prompts.answers = {A::No}; program.window().close(); break;
        case End::ExitNo: program.prompts.answers = {A::No}; ui.mnufileitem[4]->trigger(); break;
        }
        QStringList kinds;
        for (const QString &file : filesIn(state.path()))
            kinds << QFileInfo(file).suffix();
        QCOMPARE(kinds, left);
        if (program.window().isEnding())
            return;
        // The next change is kept again, in the manuscript shown now.
        program.type(QStringLiteral("又一句"));
        program.pass(RecoveryCopy::QuietMs + 250);
        QCOMPARE(textOf(program.keeper()->copyPath()), program.manuscript().toPlainText());
    }

    void leftCopiesAreOfferedOneAfterAnother_data()
    {
        QTest::addColumn<QList<MessageAnswer>>("answers");
        QTest::addColumn<bool>("held"); // a running program holds the newer copy
        QTest::addColumn<int>("questions");
        QTest::addColumn<QStringList>("left"); // the copies' texts left in the folder
        QTest::addColumn<QString>("manuscript");
        using A = MessageAnswer;
        const QStringList both = {"older", "newer"};
        QTest::newRow("Esc, Esc: both kept") << QList{A::Cancel, A::Cancel} << false << 2 << both << "";
        QTest::newRow("No, then Yes deletes") << QList{A::No, A::Yes, A::Cancel} << false << 3 << QStringList{"older"} << "";
        QTest::newRow("No, then No keeps") << QList{A::No, A::No, A::Cancel} << false << 3 << both << "";
        QTest::newRow("Yes: the other waits") << QList{A::Yes} << false << 1 << QStringList{"newer", "older"} << "newer";
        QTest::newRow("Esc, then Yes") << QList{A::Cancel, A::Yes} << false << 2 << both << "older";
        QTest::newRow("a running program's copy") << QList{A::Cancel} << true << 1 << both << "";
    }

    void leftCopiesAreOfferedOneAfterAnother()
    {
        QFETCH(QList<MessageAnswer>, answers);
        QFETCH(bool, held);
        QFETCH(int, questions);
        QTemporaryDir state;
        leaveCopy(state.path(), "11-older", "older", QDateTime(QDate(2025, 3, 1), QTime(8, 5)));
        leaveCopy(state.path(), "22-newer", "newer", QDateTime(QDate(2026, 12, 7), QTime(14, 32)));
        const auto lock = held ? recovery::CopyLock::take(state.filePath("22-newer.lock")) : nullptr;
        Program program(state.path());
        program.prompts.answers = {answers.begin(), answers.end()};
        program.window().show();
        QTRY_COMPARE(program.prompts.messages.size(), questions);
        QTest::qWait(50);
        QCOMPARE(program.prompts.messages.size(), questions);

        const QString when = held ? "2025年3月1日 08:05" : "12月7日 14:32";
        QCOMPARE(program.prompts.messages[0].summary(),
                 QString("上次没有保存的稿子（%1）找到了，要恢复吗？ [Yes/No/later]").arg(when));
        if (answers[0] == MessageAnswer::No)
            QCOMPARE(program.prompts.messages[1].summary(),
                     QString("不恢复的话，这份稿子（%1）就删掉了，以后再也找不回来。确定删掉吗？ [Yes/No/later]").arg(when));
        QStringList texts;
        for (const QString &file : filesIn(state.path()).filter(".rtf"))
            texts << textOf(state.filePath(file));
        texts.sort();
        QFETCH(QStringList, left);
        left.sort();
        QCOMPARE(texts, left);
        QFETCH(QString, manuscript);
        QCOMPARE(program.manuscript().toPlainText(), manuscript);
        const bool recovered = !manuscript.isEmpty();
        QCOMPARE(program.window().windowTitle(), recovered ? "笔澜2.5 --恢复的稿子" : "笔澜2.5");
        QCOMPARE(program.manuscript().document()->isModified(), recovered);
        if (recovered) {
            // Formatting and all, and now in the program's own copy.
            QTextCursor cursor(program.manuscript().document());
            cursor.setPosition(1);
            QCOMPARE(cursor.charFormat().fontWeight(), QFont::Bold);
            QVERIFY(QFileInfo::exists(program.keeper()->copyPath()));
        }
    }

    void unwritableFolderIsSaidOnce_data()
    {
        QTest::addColumn<QString>("folder"); // under a scratch folder holding a file "file"
        QTest::addColumn<QString>("reason");
        QTest::newRow("a file in the way") << "file/recovery" << "“%1/file”不是文件夹";
        QTest::newRow("cannot be made") << "/proc/bilan/recovery" << "无法建立文件夹“/proc/bilan/recovery”";
    }

    void unwritableFolderIsSaidOnce()
    {
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        QTemporaryDir scratch;
        QVERIFY(writeFile(scratch.filePath("file"), "x"));
        folder = QDir(scratch.path()).absoluteFilePath(folder);
        Program program(folder);
        for (int i = 0; i < 3; ++i) {
            program.type(QStringLiteral("照常打字"));
            program.pass(RecoveryCopy::QuietMs + 250);
        }
        QCOMPARE(program.prompts.takeMessages(),
                 QStringList(QString("无法在文件夹“%1”里保存稿子的恢复副本：%2。\n笔澜2.5 照常工作，只是不再保存恢复副本，"
                                     "请记得随时保存稿子。 [warning]")
                                 .arg(folder, reason.replace("%1", scratch.path()))));
        // Saving goes on as before.
        program.dialogs.answers = {scratch.filePath("a.rtf")};
        program.window().ui().mnufileitem[2]->trigger();
        QCOMPARE(program.prompts.takeMessages(), QStringList());
        QCOMPARE(textOf(scratch.filePath("a.rtf")), program.manuscript().toPlainText());
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
