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
#include <QTextCursor>
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

void typeInto(QTextEdit *edit, const QString &text)
{
    edit->setPlainText(text);
    edit->moveCursor(QTextCursor::End);
}


} // namespace

Q_DECLARE_METATYPE(Command)
Q_DECLARE_METATYPE(DialogKind)

class TestFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void dialogSettings_data();
    void dialogSettings();
    void dialogRemembersBetweenCommands();
    void newAndOpenSetTitles();
    void openSetsEncryptionFlagsEvenWhenCancelled();
    void openTargetsReferenceTextWhileSelected();
    void confirmedDialogMovesWorkingDirectory();
    void formatFollowsCommandNotName();
    void newAnsweredNoEmptiesWithoutDialog();
    void exitAnsweredNoEndsWithoutClosePrompt();
    void closePromptPaths();
    void failedSaveKeepsExistingFileAndManuscript_data();
    void failedSaveKeepsExistingFileAndManuscript();
    void unreadableFileIsReportedAndChangesNothing_data();
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

    const QStringList rtf{QStringLiteral("rtf文件(*.rtf)"), QStringLiteral("*.rtf")};
    const QStringList txt{QStringLiteral("txt文件(*.txt)"), QStringLiteral("*.txt")};
    const QStringList open{QStringLiteral("所有文件(*.*)"), QStringLiteral("*.*"),
                           QStringLiteral("text文件(*.txt)"), QStringLiteral("*.txt"),
                           QStringLiteral("rtf文件(*.rtf)"), QStringLiteral("*.rtf")};
    // Before each row the dialog holds the font dialog's flags (3), so
    // "kept" shows as 3.
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
    QFETCH(QString, title);
    QFETCH(QStringList, filters);
    QFETCH(int, flags);
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
    QCOMPARE(shown.file.title, title);
    QStringList shownFilters;
    for (const FileFilter &filter : shown.file.filters)
        shownFilters << filter.description << filter.pattern;
    QCOMPARE(shownFilters, filters);
    QCOMPARE(shown.file.filterIndex, 1);
    QCOMPARE(shown.file.flags, flags);
    QCOMPARE(shown.file.fileName, nameCleared ? QString() : previous);
}

void TestFileCommands::dialogRemembersBetweenCommands()
{
    Harness h;
    const QString a = m_dir.filePath(QStringLiteral("a.txt"));
    writeFile(a, "hello\r\n");

    h.dialogs.answers = {a};
    run(h.window(), Command::Open);
    QCOMPARE(h.window().commonDialog().fileName, QDir::toNativeSeparators(a));

    run(h.window(), Command::SaveAsRtf); // cancelled
    QCOMPARE(h.dialogs.shown.last().file.fileName, QDir::toNativeSeparators(a));

    // The font dialog's flags stay in force for a command that sets none.
    h.window().ui().font->trigger();
    run(h.window(), Command::Save);
    QCOMPARE(h.dialogs.shown.last().file.flags, DialogFlag::FontBoth);
    QCOMPARE(h.dialogs.shown.last().file.fileName, QString());

    // 保存 cleared the name and was cancelled: the next Save As opens empty.
    run(h.window(), Command::SaveAsText);
    QCOMPARE(h.dialogs.shown.last().file.fileName, QString());
    QCOMPARE(h.dialogs.shown.last().file.flags, DialogFlag::HideReadOnly);

    const QString b = m_dir.filePath(QStringLiteral("b.rtf"));
    h.dialogs.answers = {b};
    run(h.window(), Command::SaveAsRtf);
    h.prompts.answers = {MessageAnswer::Yes};
    h.window().show();
    run(h.window(), Command::Close);
    QCOMPARE(h.dialogs.shown.last().file.fileName, QDir::toNativeSeparators(b));
}

void TestFileCommands::newAndOpenSetTitles()
{
    Harness h;
    QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5"));
    const QString path = m_dir.filePath(QStringLiteral("稿子.txt"));
    writeFile(path, "\xb5\xe7\xd7\xe8\r\n"); // 电阻 in GBK

    h.dialogs.answers = {path};
    run(h.window(), Command::Open);
    QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5 --") + QDir::toNativeSeparators(path));
    QCOMPARE(h.window().ui().RichTextBox1->toPlainText().trimmed(), QStringLiteral("电阻"));

    // Saving never changes the title.
    h.dialogs.answers = {m_dir.filePath(QStringLiteral("other.rtf"))};
    run(h.window(), Command::SaveAsRtf);
    QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5 --") + QDir::toNativeSeparators(path));

    h.prompts.answers = {MessageAnswer::No};
    run(h.window(), Command::New);
    QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5 --新建空白文档"));
}

void TestFileCommands::openSetsEncryptionFlagsEvenWhenCancelled()
{
    Harness h;
    QVERIFY(!h.window().flags().mayEncrypt);
    QVERIFY(!h.window().flags().mayDecrypt);
    run(h.window(), Command::ToolbarOpen);
    QVERIFY(h.window().flags().mayEncrypt);
    QVERIFY(h.window().flags().mayDecrypt);
    QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5"));
}

void TestFileCommands::openTargetsReferenceTextWhileSelected()
{
    Harness h;
    const Form1Ui &ui = h.window().ui();
    typeInto(ui.RichTextBox1, QStringLiteral("我的稿子"));
    const QString path = m_dir.filePath(QStringLiteral("参考.txt"));
    writeFile(path, "reference text\r\n");

    h.window().flags().referenceSelected = true;
    run(h.window(), Command::Open); // cancelled: the flag stays
    QVERIFY(h.window().flags().referenceSelected);

    h.dialogs.answers = {path};
    run(h.window(), Command::Open);
    QCOMPARE(ui.RichTextBox2->toPlainText().trimmed(), QStringLiteral("reference text"));
    QCOMPARE(ui.RichTextBox1->toPlainText(), QStringLiteral("我的稿子"));
    QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5"));
    QVERIFY(!h.window().flags().referenceSelected);

    h.dialogs.answers = {path};
    run(h.window(), Command::Open);
    QCOMPARE(ui.RichTextBox1->toPlainText().trimmed(), QStringLiteral("reference text"));
}

void TestFileCommands::confirmedDialogMovesWorkingDirectory()
{
    Harness h;
    QTemporaryDir one, two;
    const QString text = one.filePath(QStringLiteral("x.txt"));
    writeFile(text, "x");

    h.dialogs.answers = {text};
    run(h.window(), Command::Open);
    QCOMPARE(QDir::current().canonicalPath(), QDir(one.path()).canonicalPath());

    run(h.window(), Command::Open); // cancelled: stays
    QCOMPARE(QDir::current().canonicalPath(), QDir(one.path()).canonicalPath());

    h.dialogs.answers = {two.filePath(QStringLiteral("y.rtf"))};
    run(h.window(), Command::SaveAsRtf);
    QCOMPARE(QDir::current().canonicalPath(), QDir(two.path()).canonicalPath());
}

void TestFileCommands::formatFollowsCommandNotName()
{
    Harness h;
    typeInto(h.window().ui().RichTextBox1, QStringLiteral("第一行\n电阻R1"));

    const QString namedTxt = m_dir.filePath(QStringLiteral("saved.txt"));
    h.dialogs.answers = {namedTxt};
    run(h.window(), Command::Save);
    QVERIFY(readAll(namedTxt).startsWith("{\\rtf"));

    const QString toolbarTxt = m_dir.filePath(QStringLiteral("toolbar.txt"));
    h.dialogs.answers = {toolbarTxt};
    run(h.window(), Command::ToolbarSave);
    QVERIFY(readAll(toolbarTxt).startsWith("{\\rtf"));

    // Save as text writes the characters only, in GBK with CR LF, under
    // exactly the name typed.
    const QString bare = m_dir.filePath(QStringLiteral("plain"));
    h.dialogs.answers = {bare};
    run(h.window(), Command::SaveAsText);
    QVERIFY(!QFile::exists(bare + QStringLiteral(".txt")));
    QCOMPARE(readAll(bare), QByteArray("\xb5\xda\xd2\xbb\xd0\xd0\r\n\xb5\xe7\xd7\xe8R1"));
}

void TestFileCommands::newAnsweredNoEmptiesWithoutDialog()
{
    Harness h;
    typeInto(h.window().ui().RichTextBox1, QStringLiteral("草稿"));
    h.prompts.answers = {MessageAnswer::No};
    run(h.window(), Command::New);
    QCOMPARE(h.prompts.messages.size(), 1);
    const ShownMessage &asked = h.prompts.messages.constFirst();
    QCOMPARE(asked.text, QStringLiteral("等...等，保存您正在写的稿子吗？可别后悔哟~0~"));
    QCOMPARE(asked.title, QStringLiteral("请确认"));
    QCOMPARE(asked.buttons, MessageButtons::YesNo);
    QVERIFY(h.dialogs.shown.isEmpty());
    QVERIFY(h.window().ui().RichTextBox1->toPlainText().isEmpty());

    // Yes with the dialog cancelled empties all the same.
    typeInto(h.window().ui().RichTextBox1, QStringLiteral("草稿"));
    h.prompts.answers = {MessageAnswer::Yes};
    run(h.window(), Command::New);
    QCOMPARE(h.dialogs.shown.size(), 1);
    QVERIFY(h.window().ui().RichTextBox1->toPlainText().isEmpty());
}

void TestFileCommands::exitAnsweredNoEndsWithoutClosePrompt()
{
    Harness h;
    h.window().show();
    QSignalSpy ended(&h.window(), &Form1::programEnded);
    h.prompts.answers = {MessageAnswer::No};
    run(h.window(), Command::Exit);
    QCOMPARE(ended.size(), 1);
    QVERIFY(!h.window().isVisible());
    QCOMPARE(h.prompts.messages.size(), 1);
    QCOMPARE(h.prompts.messages.constFirst().text, QStringLiteral("等...等，退出前保存您写好的稿子吗？可别后悔哟~0~"));
    QCOMPARE(h.prompts.messages.constFirst().title, QStringLiteral("请确认"));
    QVERIFY(h.dialogs.shown.isEmpty());
}

void TestFileCommands::closePromptPaths()
{
    const QString target = m_dir.filePath(QStringLiteral("closing.rtf"));
    {
        Harness h;
        h.window().show();
        typeInto(h.window().ui().RichTextBox1, QStringLiteral("留着"));
        h.prompts.answers = {MessageAnswer::Cancel};
        QVERIFY(!h.window().close());
        QVERIFY(h.window().isVisible());
        QCOMPARE(h.window().ui().RichTextBox1->toPlainText(), QStringLiteral("留着"));
        const ShownMessage &asked = h.prompts.messages.constFirst();
        QCOMPARE(asked.text, QStringLiteral("要保存文稿吗？"));
        QCOMPARE(asked.title, QStringLiteral("退出前确认"));
        QCOMPARE(asked.buttons, MessageButtons::YesNoCancel);
    }
    {
        Harness h;
        h.window().show();
        QSignalSpy ended(&h.window(), &Form1::programEnded);
        h.prompts.answers = {MessageAnswer::No};
        QVERIFY(h.window().close());
        QCOMPARE(ended.size(), 1);
        QVERIFY(h.dialogs.shown.isEmpty());
    }
    {
        Harness h;
        h.window().show();
        h.prompts.answers = {MessageAnswer::Yes}; // then the dialog is cancelled
        h.window().commonDialog().fileName = target;
        QVERIFY(h.window().close());
        QVERIFY(!QFile::exists(target));
    }
    {
        Harness h;
        h.window().show();
        typeInto(h.window().ui().RichTextBox1, QStringLiteral("存下"));
        h.prompts.answers = {MessageAnswer::Yes};
        h.dialogs.answers = {target};
        QVERIFY(h.window().close());
        QVERIFY(readAll(target).startsWith("{\\rtf"));
    }
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
    const QString manuscript = QStringLiteral("一篇很长的稿子。").repeated(200);

    for (const QString &path : {existing, m_dir.filePath(QStringLiteral("notafolder.txt/x.rtf"))}) {
        writeFile(m_dir.filePath(QStringLiteral("notafolder.txt")), "a file, not a folder");
        Harness h;
        h.window().show();
        QSignalSpy ended(&h.window(), &Form1::programEnded);
        typeInto(h.window().ui().RichTextBox1, manuscript);
        h.window().setWindowTitle(QStringLiteral("笔澜2.5 --earlier"));
        h.prompts.answers = {MessageAnswer::Yes};
        h.dialogs.answers = {path};
        {
            // The existing file's folder is writable even for root; a
            // limit on file size makes the write itself fail half-way.
            FileSizeLimit limit(64);
            run(h.window(), command);
        }
        const ShownMessage &report = h.prompts.messages.last();
        QCOMPARE(report.buttons, MessageButtons::Ok);
        QVERIFY2(report.text.contains(QDir::toNativeSeparators(path)), qPrintable(report.text));
        QCOMPARE(readAll(existing), original);
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("notafolder.txt/x.rtf"))));
        QCOMPARE(h.window().ui().RichTextBox1->toPlainText(), manuscript);
        QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5 --earlier"));
        QCOMPARE(ended.size(), 0);
        QVERIFY(h.window().isVisible());
    }
}

void TestFileCommands::unreadableFileIsReportedAndChangesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("folder") << m_dir.path();
    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("no such file.rtf"));
}

void TestFileCommands::unreadableFileIsReportedAndChangesNothing()
{
    QFETCH(QString, path);
    Harness h;
    typeInto(h.window().ui().RichTextBox1, QStringLiteral("原稿"));
    h.dialogs.answers = {path};
    run(h.window(), Command::Open);
    QCOMPARE(h.prompts.messages.size(), 1);
    QVERIFY2(h.prompts.messages.constFirst().text.contains(QDir::toNativeSeparators(path)),
             qPrintable(h.prompts.messages.constFirst().text));
    QCOMPARE(h.window().ui().RichTextBox1->toPlainText(), QStringLiteral("原稿"));
    QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5"));
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
