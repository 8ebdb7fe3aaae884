// The File menu and the toolbar's open and save, driven through the real
// window with scripted dialogs and answers.

#include "support/faults.h"
#include "support/files.h"
#include "support/scriptedservices.h"

#include "shell/commondialog.h"
#include "shell/form1.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <optional>

using namespace bilan;
using namespace bilan::test;

namespace {

enum class Command { New, Open, ToolbarOpen, Save, ToolbarSave, SaveAsRtf, SaveAsText, Exit, Close };

void run(Form1 &window, Command command)
{
    const Form1Ui &ui = window.ui();
    QAction *const actions[] = {ui.mnufileitem[0], ui.mnufileitem[1], ui.toolbarButtons[0], ui.mnufileitem[2],
                                ui.toolbarButtons[1], ui.saveasItems[0], ui.saveasItems[1], ui.mnufileitem[4]};
    if (command == Command::Close)
        window.close();
    else
        actions[int(command)]->trigger();
}

QString text(Form1 &window) { return window.ui().RichTextBox1->toPlainText(); }

enum class Outcome { NotAsked, Saved, Cancelled, Failed };

// Every file of the folder, by name, with its bytes.
QMap<QString, QByteArray> contents(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        files.insert(file.fileName(), readFile(file.filePath()));
    return files;
}
QString native(const QString &path) { return QDir::toNativeSeparators(path); }

} // namespace

Q_DECLARE_METATYPE(Command)
Q_DECLARE_METATYPE(DialogKind)
Q_DECLARE_METATYPE(MessageAnswer)
Q_DECLARE_METATYPE(Outcome)

class TestFileCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void dialogSettings_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<DialogKind>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("filters"); // description, pattern, description, pattern …
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("nameCleared");
        const QStringList rtf{"rtf文件(*.rtf)", "*.rtf"}, txt{"txt文件(*.txt)", "*.txt"};
        const QStringList open{"所有文件(*.*)", "*.*", "text文件(*.txt)", "*.txt", "rtf文件(*.rtf)", "*.rtf"};
        // Before each row the dialog holds the font dialog's flags, so a
        // command that keeps the flags shows those.
        const int kept = DialogFlag::FontBoth, hide = DialogFlag::HideReadOnly;
        QTest::newRow("新建") << Command::New << DialogKind::Save << "保存" << rtf << hide << false;
        QTest::newRow("打开") << Command::Open << DialogKind::Open << "打开" << open << hide << true;
        QTest::newRow("toolbar open") << Command::ToolbarOpen << DialogKind::Open << "打开" << open << hide << true;
        QTest::newRow("保存") << Command::Save << DialogKind::Save << "保存" << rtf << kept << true;
        QTest::newRow("toolbar save") << Command::ToolbarSave << DialogKind::Save << "保存" << rtf << kept << true;
        QTest::newRow("另存为 rtf") << Command::SaveAsRtf << DialogKind::Save << "另存为" << rtf << hide << false;
        QTest::newRow("另存为 txt") << Command::SaveAsText << DialogKind::Save << "另存为" << txt << hide << false;
        QTest::newRow("退出") << Command::Exit << DialogKind::Save << "保存" << rtf << hide << false;
        QTest::newRow("close prompt") << Command::Close << DialogKind::Save << "另存为" << rtf << hide << false;
    }

    void dialogSettings()
    {
        QFETCH(Command, command);
        QFETCH(bool, nameCleared);
        Harness h;
        h.window().show();
        CommonDialog &dialog = h.window().commonDialog();
        dialog.fileName = m_dir.filePath(QStringLiteral("earlier.rtf"));
        dialog.flags = DialogFlag::FontBoth;
        dialog.filterIndex = 3;
        h.prompts.answers = {MessageAnswer::Yes};

        run(h.window(), command);
        QCOMPARE(h.dialogs.shown.size(), 1);
        const ShownDialog &shown = h.dialogs.shown.constFirst();
        QTEST(shown.kind, "kind");
        QTEST(shown.file.title, "title");
        QStringList filters;
        for (const FileFilter &filter : shown.file.filters)
            filters << filter.description << filter.pattern;
        QTEST(filters, "filters");
        QCOMPARE(shown.file.filterIndex, 1);
        QTEST(shown.file.flags, "flags");
        QCOMPARE(shown.file.fileName, nameCleared ? QString() : m_dir.filePath(QStringLiteral("earlier.rtf")));
    }

    // What one command leaves in the shared dialog, the next one finds:
    // the file opened, the font dialog's flags, the name 保存 cleared.
    void dialogRemembersBetweenCommands()
    {
        Harness h;
        const QString a = m_dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeFile(a, "hello\r\n"));
        const auto lastShown = [&h] { return h.dialogs.shown.last().file; };
        h.dialogs.answers = {a};
        run(h.window(), Command::Open);
        run(h.window(), Command::SaveAsRtf); // cancelled
        QCOMPARE(lastShown().fileName, native(a));
        h.window().ui().font->trigger();
        run(h.window(), Command::Save);
        QCOMPARE(lastShown().flags, DialogFlag::FontBoth);
        run(h.window(), Command::SaveAsText);
        QCOMPARE(lastShown().fileName, QString());
    }

    // Open allows both cipher commands even when cancelled; a file opened
    // into the manuscript names the window, a save never does; a confirmed
    // dialog moves the working directory, which the phrase file follows.
    void openFlagsTitleAndWorkingDirectory()
    {
        Harness h;
        QTemporaryDir other;
        const QString path = m_dir.filePath(QStringLiteral("参考.txt"));
        QVERIFY(writeFile(path, "\xb5\xe7\xd7\xe8\r\n")); // 电阻 in GBK
        const auto cwd = [] { return QDir::current().canonicalPath(); };

        run(h.window(), Command::ToolbarOpen);
        QVERIFY(h.window().flags().mayEncrypt && h.window().flags().mayDecrypt);
        QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5"));

        h.dialogs.answers = {path, other.filePath(QStringLiteral("y.rtf"))};
        run(h.window(), Command::Open);
        QCOMPARE(text(h.window()).trimmed(), QStringLiteral("电阻"));
        QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5 --") + native(path));
        QCOMPARE(cwd(), QDir(m_dir.path()).canonicalPath());
        run(h.window(), Command::SaveAsRtf);
        QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5 --") + native(path));
        QCOMPARE(cwd(), QDir(other.path()).canonicalPath());
        run(h.window(), Command::Open); // cancelled: stays
        QCOMPARE(cwd(), QDir(other.path()).canonicalPath());
    }

    // Save writes RTF and Save As text writes GBK with CR LF, whatever the
    // name typed, under exactly that name.
    void formatFollowsCommandNotName()
    {
        Harness h;
        h.window().ui().RichTextBox1->setPlainText(QStringLiteral("第一行\n电阻R1"));
        const QString named = m_dir.filePath(QStringLiteral("saved.txt")), bare = m_dir.filePath(QStringLiteral("plain"));
        h.dialogs.answers = {named, bare};
        run(h.window(), Command::Save);
        const QByteArray rtf = readFile(named);
        // Text typed with no font of its own is in the manuscript's 宋体.
        QVERIFY2(rtf.startsWith("{\\rtf") && rtf.contains("\\'cb\\'ce\\'cc\\'e5"), rtf.left(400).constData());
        run(h.window(), Command::SaveAsText);
        QVERIFY(!QFile::exists(bare + QStringLiteral(".txt")));
        QCOMPARE(readFile(bare), QByteArray("\xb5\xda\xd2\xbb\xd0\xd0\r\n\xb5\xe7\xd7\xe8R1"));
    }

    void leaving_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<Outcome>("outcome");
        const QList<std::pair<const char *, Command>> ways{
            {"新建", Command::New}, {"退出", Command::Exit}, {"close prompt", Command::Close}};
        for (const auto &[name, command] : ways) {
            const QByteArray tag(name);
            QTest::newRow(tag + ", no") << command << MessageAnswer::No << Outcome::NotAsked;
            QTest::newRow(tag + ", yes, saved") << command << MessageAnswer::Yes << Outcome::Saved;
            QTest::newRow(tag + ", yes, cancelled") << command << MessageAnswer::Yes << Outcome::Cancelled;
            QTest::newRow(tag + ", yes, save fails") << command << MessageAnswer::Yes << Outcome::Failed;
        }
        QTest::newRow("close prompt, cancel") << Command::Close << MessageAnswer::Cancel << Outcome::NotAsked;
    }

    // Each way of leaving, each answer, each end of the save dialog: the
    // one question, the dialog on the name it last held (here a picture's)
    // and asking before it replaces a file, then the manuscript emptied or
    // the program ended only after No or a save that was done. Nothing on
    // disk changes but the file saved; a save cut short by a full disk
    // keeps the file it would have replaced, and says so, naming it.
    void leaving()
    {
        QFETCH(Command, command);
        QFETCH(MessageAnswer, answer);
        QFETCH(Outcome, outcome);
        QTemporaryDir dir;
        const QString picture = dir.filePath(QStringLiteral("circuit.jpg"));
        const QString target = dir.filePath(QStringLiteral("稿子.rtf"));
        QVERIFY(writeFile(picture, "\xff\xd8\xff\xe0 a photograph"));
        QVERIFY(writeFile(target, "{\\rtf1 the earlier manuscript}"));
        const QMap<QString, QByteArray> before = contents(dir.path());
        const QString manuscript = QStringLiteral("草稿的第一段。\n第二段，还没有保存。");

        Harness h;
        h.window().show();
        QSignalSpy ended(&h.window(), &Form1::programEnded);
        h.window().ui().RichTextBox1->setPlainText(manuscript);
        h.window().setWindowTitle(QStringLiteral("笔澜2.5 --earlier"));
        h.window().commonDialog().fileName = native(picture);
        h.prompts.answers = {answer};
        if (outcome == Outcome::Saved || outcome == Outcome::Failed)
            h.dialogs.answers = {target};
        {
            std::optional<FileSizeLimit> full;
            if (outcome == Outcome::Failed)
                full.emplace(64);
            run(h.window(), command);
        }

        const QString question = command == Command::New ? "等...等，保存您正在写的稿子吗？可别后悔哟~0~ [请确认] [Yes/No]"
            : command == Command::Exit ? "等...等，退出前保存您写好的稿子吗？可别后悔哟~0~ [请确认] [Yes/No]"
                                       : "要保存文稿吗？ [退出前确认] [Yes/No/Cancel]";
        const QStringList said = h.prompts.takeMessages();
        QCOMPARE(said.value(0), question);
        QCOMPARE(said.size(), outcome == Outcome::Failed ? 2 : 1);
        if (outcome == Outcome::Failed)
            QVERIFY2(said[1].contains(native(target)) && said[1].endsWith("。 [warning]"), qPrintable(said[1]));
        QCOMPARE(h.dialogs.shown.size(), outcome == Outcome::NotAsked ? 0 : 1);
        if (!h.dialogs.shown.isEmpty()) {
            QCOMPARE(h.dialogs.shown[0].file.fileName, native(picture));
            QVERIFY(h.dialogs.shown[0].file.confirmOverwrite);
        }

        const bool left = answer == MessageAnswer::No || outcome == Outcome::Saved;
        const bool emptied = left && command == Command::New;
        QCOMPARE(text(h.window()), emptied ? QString() : manuscript);
        QCOMPARE(h.window().windowTitle(), emptied ? QStringLiteral("笔澜2.5 --新建空白文档") : QStringLiteral("笔澜2.5 --earlier"));
        QCOMPARE(!ended.isEmpty(), left && command != Command::New);
        QCOMPARE(h.window().isVisible(), ended.isEmpty());

        QMap<QString, QByteArray> after = contents(dir.path());
        if (outcome == Outcome::Saved) {
            QVERIFY(after.value(QStringLiteral("稿子.rtf")).startsWith("{\\rtf1"));
            after[QStringLiteral("稿子.rtf")] = before.value(QStringLiteral("稿子.rtf"));
        }
        QCOMPARE(after, before);
    }

    void unreadableFileIsReportedAndChangesNothing()
    {
        Harness h;
        h.window().ui().RichTextBox1->setPlainText(QStringLiteral("原稿"));
        h.dialogs.answers = {m_dir.path()};
        run(h.window(), Command::Open);
        const QStringList messages = h.prompts.takeMessages();
        QVERIFY2(messages.size() == 1 && messages[0].contains(native(m_dir.path())), qPrintable(messages.join('|')));
        QCOMPARE(text(h.window()), QStringLiteral("原稿"));
        QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5"));
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
