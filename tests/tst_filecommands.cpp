// The File menu and the toolbar's open and save, driven through the real
// window with scripted dialogs and answers.

#include "support/faults.h"
#include "support/scriptedservices.h"

#include "shell/commondialog.h"
#include "shell/form1.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

enum class Command { New, Open, ToolbarOpen, Save, ToolbarSave, SaveAsRtf, SaveAsText, Exit, Close };

void run(Form1 &window, Command command)
{
    const Form1Ui &ui = window.ui();
    switch (command) {
    case Command::New: ui.mnufileitem[0]->trigger(); break;
    case Command::Open: ui.mnufileitem[1]->trigger(); break;
    case Command::ToolbarOpen: ui.toolbarButtons[0]->trigger(); break;
    case Command::Save: ui.mnufileitem[2]->trigger(); break;
    case Command::ToolbarSave: ui.toolbarButtons[1]->trigger(); break;
    case Command::SaveAsRtf: ui.saveasItems[0]->trigger(); break;
    case Command::SaveAsText: ui.saveasItems[1]->trigger(); break;
    case Command::Exit: ui.mnufileitem[4]->trigger(); break;
    case Command::Close: window.close(); break;
    }
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QString text(Form1 &window) { return window.ui().RichTextBox1->toPlainText(); }
QString native(const QString &path) { return QDir::toNativeSeparators(path); }
const QString kTitle = QStringLiteral("笔澜2.5 --");

} // namespace

Q_DECLARE_METATYPE(Command)
Q_DECLARE_METATYPE(DialogKind)
Q_DECLARE_METATYPE(MessageAnswer)

class TestFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void dialogSettings_data();
    void dialogSettings();
    void dialogRemembersBetweenCommands();
    void openTargetsAndTitles();
    void confirmedDialogMovesWorkingDirectory();
    void formatFollowsCommandNotName();
    void questionsAndTheirAnswers_data();
    void questionsAndTheirAnswers();
    void failedSaveKeepsExistingFileAndManuscript_data();
    void failedSaveKeepsExistingFileAndManuscript();
    void unreadableFileIsReportedAndChangesNothing();

private:
    QTemporaryDir m_dir;
};

void TestFileCommands::dialogSettings_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<DialogKind>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("filters"); // description, pattern, description, pattern …
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("nameCleared");

    const QStringList rtf{"rtf文件(*.rtf)", "*.rtf"};
    const QStringList txt{"txt文件(*.txt)", "*.txt"};
    const QStringList open{"所有文件(*.*)", "*.*", "text文件(*.txt)", "*.txt", "rtf文件(*.rtf)", "*.rtf"};
    // Before each row the dialog holds the font dialog's flags (3), so a
    // command that keeps the flags shows 3.
    const int kept = DialogFlag::FontBoth;
    const int hide = DialogFlag::HideReadOnly;
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

void TestFileCommands::dialogSettings()
{
    QFETCH(Command, command);
    QFETCH(DialogKind, kind);
    QFETCH(QStringList, filters);
    QFETCH(bool, nameCleared);

    Harness h;
    h.window().show();
    CommonDialog &dialog = h.window().commonDialog();
    const QString previous = m_dir.filePath(QStringLiteral("earlier.rtf"));
    dialog.fileName = previous;
    dialog.flags = DialogFlag::FontBoth;
    dialog.filterIndex = 3;
    h.prompts.answers = {MessageAnswer::Yes};

    run(h.window(), command);

    QCOMPARE(h.dialogs.shown.size(), 1);
    const ShownDialog &shown = h.dialogs.shown.constFirst();
    QCOMPARE(shown.kind, kind);
    QTEST(shown.file.title, "title");
    QStringList shownFilters;
    for (const FileFilter &filter : shown.file.filters)
        shownFilters << filter.description << filter.pattern;
    QCOMPARE(shownFilters, filters);
    QCOMPARE(shown.file.filterIndex, 1);
    QTEST(shown.file.flags, "flags");
    QCOMPARE(shown.file.fileName, nameCleared ? QString() : previous);
}

void TestFileCommands::dialogRemembersBetweenCommands()
{
    Harness h;
    const QString a = m_dir.filePath(QStringLiteral("a.txt"));
    writeFile(a, "hello\r\n");
    const auto lastShown = [&h] { return h.dialogs.shown.last().file; };

    h.dialogs.answers = {a};
    run(h.window(), Command::Open);
    run(h.window(), Command::SaveAsRtf); // cancelled
    QCOMPARE(lastShown().fileName, native(a));

    // The font dialog's flags stay in force for a command that sets none.
    h.window().ui().font->trigger();
    run(h.window(), Command::Save);
    QCOMPARE(lastShown().flags, DialogFlag::FontBoth);

    // 保存 cleared the name and was cancelled: the next Save As opens empty.
    run(h.window(), Command::SaveAsText);
    QCOMPARE(lastShown().fileName, QString());

    const QString b = m_dir.filePath(QStringLiteral("b.rtf"));
    h.dialogs.answers = {b};
    run(h.window(), Command::SaveAsRtf);
    h.prompts.answers = {MessageAnswer::Yes};
    h.window().show();
    run(h.window(), Command::Close);
    QCOMPARE(lastShown().fileName, native(b));
}

void TestFileCommands::openTargetsAndTitles()
{
    Harness h;
    const Form1Ui &ui = h.window().ui();
    QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5"));
    ui.RichTextBox1->setPlainText(QStringLiteral("我的稿子"));
    const QString path = m_dir.filePath(QStringLiteral("参考.txt"));
    writeFile(path, "\xb5\xe7\xd7\xe8\r\n"); // 电阻 in GBK

    h.window().flags().referenceSelected = true;
    run(h.window(), Command::ToolbarOpen); // cancelled: the flag stays, encryption is allowed
    QVERIFY(h.window().flags().referenceSelected);
    QVERIFY(h.window().flags().mayEncrypt && h.window().flags().mayDecrypt);

    h.dialogs.answers = {path};
    run(h.window(), Command::Open);
    QCOMPARE(ui.RichTextBox2->toPlainText().trimmed(), QStringLiteral("电阻"));
    QCOMPARE(text(h.window()), QStringLiteral("我的稿子"));
    QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5"));
    QVERIFY(!h.window().flags().referenceSelected);

    h.dialogs.answers = {path, m_dir.filePath(QStringLiteral("other.rtf"))};
    run(h.window(), Command::Open);
    QCOMPARE(text(h.window()).trimmed(), QStringLiteral("电阻"));
    QCOMPARE(h.window().windowTitle(), kTitle + native(path));
    run(h.window(), Command::SaveAsRtf); // saving never changes the title
    QCOMPARE(h.window().windowTitle(), kTitle + native(path));
}

void TestFileCommands::confirmedDialogMovesWorkingDirectory()
{
    Harness h;
    QTemporaryDir one, two;
    const QString file = one.filePath(QStringLiteral("x.txt"));
    writeFile(file, "x");
    const auto cwd = [] { return QDir::current().canonicalPath(); };

    h.dialogs.answers = {file};
    run(h.window(), Command::Open);
    QCOMPARE(cwd(), QDir(one.path()).canonicalPath());
    run(h.window(), Command::Open); // cancelled: stays
    QCOMPARE(cwd(), QDir(one.path()).canonicalPath());
    h.dialogs.answers = {two.filePath(QStringLiteral("y.rtf"))};
    run(h.window(), Command::SaveAsRtf);
    QCOMPARE(cwd(), QDir(two.path()).canonicalPath());
}

void TestFileCommands::formatFollowsCommandNotName()
{
    Harness h;
    h.window().ui().RichTextBox1->setPlainText(QStringLiteral("第一行\n电阻R1"));
    for (Command command : {Command::Save, Command::ToolbarSave}) {
        const QString named = m_dir.filePath(QStringLiteral("saved%1.txt").arg(int(command)));
        h.dialogs.answers = {named};
        run(h.window(), command);
        const QByteArray rtf = readAll(named);
        QVERIFY(rtf.startsWith("{\\rtf"));
        // Text typed with no font of its own is in the manuscript's 宋体.
        QVERIFY2(rtf.contains("\\'cb\\'ce\\'cc\\'e5"), rtf.left(400).constData());
    }
    // Save as text writes the characters only, in GBK with CR LF, under
    // exactly the name typed.
    const QString bare = m_dir.filePath(QStringLiteral("plain"));
    h.dialogs.answers = {bare};
    run(h.window(), Command::SaveAsText);
    QVERIFY(!QFile::exists(bare + QStringLiteral(".txt")));
    QCOMPARE(readAll(bare), QByteArray("\xb5\xda\xd2\xbb\xd0\xd0\r\n\xb5\xe7\xd7\xe8R1"));
}

void TestFileCommands::questionsAndTheirAnswers_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QString>("chosen"); // empty: the save dialog is cancelled
    QTest::addColumn<int>("dialogs");
    QTest::addColumn<bool>("emptied");
    QTest::addColumn<bool>("ended");
    QTest::addColumn<bool>("saved");
    QTest::newRow("新建 no") << Command::New << MessageAnswer::No << "" << 0 << true << false << false;
    QTest::newRow("新建 yes, cancelled") << Command::New << MessageAnswer::Yes << "" << 1 << true << false << false;
    QTest::newRow("新建 yes, saved") << Command::New << MessageAnswer::Yes << "new.rtf" << 1 << true << false << true;
    QTest::newRow("退出 no") << Command::Exit << MessageAnswer::No << "" << 0 << false << true << false;
    QTest::newRow("退出 yes, cancelled") << Command::Exit << MessageAnswer::Yes << "" << 1 << false << true << false;
    QTest::newRow("close cancel") << Command::Close << MessageAnswer::Cancel << "" << 0 << false << false << false;
    QTest::newRow("close no") << Command::Close << MessageAnswer::No << "" << 0 << false << true << false;
    QTest::newRow("close yes, cancelled") << Command::Close << MessageAnswer::Yes << "" << 1 << false << true << false;
    QTest::newRow("close yes, saved") << Command::Close << MessageAnswer::Yes << "close.rtf" << 1 << false << true
                                      << true;
}

void TestFileCommands::questionsAndTheirAnswers()
{
    QFETCH(Command, command);
    QFETCH(MessageAnswer, answer);
    QFETCH(QString, chosen);
    QFETCH(bool, emptied);
    QFETCH(bool, saved);
    const QString target = chosen.isEmpty() ? QString() : m_dir.filePath(chosen);

    Harness h;
    h.window().show();
    QSignalSpy ended(&h.window(), &Form1::programEnded);
    h.window().ui().RichTextBox1->setPlainText(QStringLiteral("草稿"));
    h.window().commonDialog().fileName = m_dir.filePath(QStringLiteral("never.rtf"));
    h.prompts.answers = {answer};
    if (!target.isEmpty())
        h.dialogs.answers = {target};

    run(h.window(), command);

    QCOMPARE(h.prompts.messages.size(), 1); // the one question, no close prompt after 退出
    const ShownMessage &asked = h.prompts.messages.constFirst();
    switch (command) {
    case Command::New:
        QCOMPARE(asked.text, QStringLiteral("等...等，保存您正在写的稿子吗？可别后悔哟~0~"));
        QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5 --新建空白文档"));
        break;
    case Command::Exit:
        QCOMPARE(asked.text, QStringLiteral("等...等，退出前保存您写好的稿子吗？可别后悔哟~0~"));
        break;
    default:
        QCOMPARE(asked.text, QStringLiteral("要保存文稿吗？"));
        QCOMPARE(asked.title, QStringLiteral("退出前确认"));
        QCOMPARE(asked.buttons, MessageButtons::YesNoCancel);
        break;
    }
    if (command != Command::Close) {
        QCOMPARE(asked.title, QStringLiteral("请确认"));
        QCOMPARE(asked.buttons, MessageButtons::YesNo);
    }
    QTEST(int(h.dialogs.shown.size()), "dialogs");
    QCOMPARE(text(h.window()), emptied ? QString() : QStringLiteral("草稿"));
    QTEST(!ended.isEmpty(), "ended");
    QCOMPARE(h.window().isVisible(), ended.isEmpty());
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("never.rtf"))));
    if (saved)
        QVERIFY(readAll(target).startsWith("{\\rtf1"));
}

void TestFileCommands::failedSaveKeepsExistingFileAndManuscript_data()
{
    QTest::addColumn<Command>("command");
    QTest::newRow("保存") << Command::Save;
    QTest::newRow("另存为 txt") << Command::SaveAsText;
    QTest::newRow("新建") << Command::New;
    QTest::newRow("退出") << Command::Exit;
    QTest::newRow("close prompt") << Command::Close;
}

void TestFileCommands::failedSaveKeepsExistingFileAndManuscript()
{
    QFETCH(Command, command);
    const QString existing = m_dir.filePath(QStringLiteral("keep.rtf"));
    const QByteArray original = "{\\rtf1 the earlier manuscript}";
    writeFile(existing, original);
    writeFile(m_dir.filePath(QStringLiteral("notafolder.txt")), "a file, not a folder");
    const QString inFile = m_dir.filePath(QStringLiteral("notafolder.txt/x.rtf"));
    const QString manuscript = QStringLiteral("一篇很长的稿子。").repeated(200);

    for (const QString &path : {existing, inFile}) {
        Harness h;
        h.window().show();
        QSignalSpy ended(&h.window(), &Form1::programEnded);
        h.window().ui().RichTextBox1->setPlainText(manuscript);
        h.window().setWindowTitle(QStringLiteral("笔澜2.5 --earlier"));
        h.prompts.answers = {MessageAnswer::Yes};
        h.dialogs.answers = {path};
        {
            // Root may write anywhere; a limit on file size makes the
            // write itself fail half-way, like a full disk.
            FileSizeLimit limit(64);
            run(h.window(), command);
        }
        const ShownMessage &report = h.prompts.messages.last();
        QCOMPARE(report.buttons, MessageButtons::Ok);
        QVERIFY2(report.text.contains(native(path)), qPrintable(report.text));
        QCOMPARE(readAll(existing), original);
        QCOMPARE(text(h.window()), manuscript);
        QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5 --earlier"));
        QCOMPARE(ended.size(), 0);
        QVERIFY(h.window().isVisible());
    }
}

void TestFileCommands::unreadableFileIsReportedAndChangesNothing()
{
    for (const QString &path : {m_dir.path(), m_dir.filePath(QStringLiteral("no such file.rtf"))}) {
        Harness h;
        h.window().ui().RichTextBox1->setPlainText(QStringLiteral("原稿"));
        h.dialogs.answers = {path};
        run(h.window(), Command::Open);
        QCOMPARE(h.prompts.messages.size(), 1);
        QVERIFY2(h.prompts.messages.constFirst().text.contains(native(path)),
                 qPrintable(h.prompts.messages.constFirst().text));
        QCOMPARE(text(h.window()), QStringLiteral("原稿"));
        QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5"));
    }
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
