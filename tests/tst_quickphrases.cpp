// The quick-input phrase boxes and their file "date.txt": load, save, the
// quoting that keeps awkward phrases in their boxes, failed saves, and the
// working directory that the file follows.

#include "support/faults.h"
#include "support/scriptedservices.h"

#include "aids/quickphrases.h"
#include "shell/commondialog.h"
#include "shell/form1.h"
#include "text/codepage.h"

#include <QAction>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

// Each test works in a folder of its own; the harness puts the working
// directory back when it goes.
struct PhraseWindow
{
    Harness h;
    QTemporaryDir folder;
    QuickPhrases *phrases = h.window().findChild<QuickPhrases *>();

    PhraseWindow()
    {
        QDir::setCurrent(folder.path());
        // The quick-phrase mode enables "保存定制"; that mode is not under test here.
        h.window().ui().toolbarButtons[std::size_t(ToolbarKey::Enter)]->setEnabled(true);
    }
    QPlainTextEdit *box(int i) { return h.window().ui().Text1[std::size_t(i)]; }
    void setBoxes(const QStringList &texts)
    {
        for (int i = 0; i < QuickPhrases::Count; ++i)
            box(i)->setPlainText(texts.value(i));
    }
    QStringList boxes()
    {
        QStringList texts;
        for (int i = 0; i < QuickPhrases::Count; ++i)
            texts.append(box(i)->toPlainText());
        return texts;
    }
    void save() { h.window().ui().toolbarButtons[std::size_t(ToolbarKey::Enter)]->trigger(); }
    QStringList messages() const
    {
        QStringList texts;
        for (const ShownMessage &m : h.prompts.messages)
            texts.append(m.text);
        return texts;
    }
};

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

QStringList numbered(const QString &prefix)
{
    QStringList texts;
    for (int i = 0; i < QuickPhrases::Count; ++i)
        texts.append(prefix + QString::number(i));
    return texts;
}

} // namespace

class TestQuickPhrases : public QObject
{
    Q_OBJECT

private slots:
    void firstUseCreatesTheFile();
    void loadReadsFieldsIntoBoxes_data();
    void loadReadsFieldsIntoBoxes();
    void everyPhraseReadsBackInItsBox_data();
    void everyPhraseReadsBackInItsBox();
    void quoteThatQuotingCannotCarryIsReported();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void fileFollowsTheWorkingDirectory();
    void clickInsertsTheBoxTextAndKeepsFocus();
};

void TestQuickPhrases::firstUseCreatesTheFile()
{
    PhraseWindow w;
    w.phrases->load();
    QVERIFY(w.h.prompts.messages.isEmpty());
    QCOMPARE(w.boxes(), QStringList(QuickPhrases::Count, QString()));

    QStringList typed(QuickPhrases::Count);
    typed[0] = QStringLiteral("电阻器，“全角”");
    typed[1] = QStringLiteral("say \"hi\" ");
    typed[25] = QStringLiteral("最后");
    w.setBoxes(typed);
    w.save();
    // Plain phrases are bare lines in code page 936, each ending in CR LF.
    QByteArray expected = codepage::encode(codepage::Gbk, typed[0]) + "\r\nsay \"hi\" \r\n";
    expected += QByteArray("\r\n").repeated(23) + codepage::encode(codepage::Gbk, typed[25]) + "\r\n";
    QCOMPARE(read(QStringLiteral("date.txt")), expected);
    QCOMPARE(w.h.prompts.messages.size(), 1);
    const ShownMessage &shown = w.h.prompts.messages.first();
    QCOMPARE(shown.text, QStringLiteral("已保存！"));
    QCOMPARE(shown.title, QStringLiteral("笔澜2.5"));
    QCOMPARE(shown.buttons, MessageButtons::Ok);
    QCOMPARE(shown.icon, MessageIcon::None);
}

void TestQuickPhrases::loadReadsFieldsIntoBoxes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected"); // boxes 0..n; the rest keep "old"

    QByteArray tenLines;
    QStringList ten;
    for (int i = 0; i < 10; ++i) {
        tenLines += "line" + QByteArray::number(i) + "\r\n";
        ten << QStringLiteral("line%1").arg(i);
    }
    QTest::newRow("10 lines") << tenLines << ten;
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("quoted and awkward")
        << QByteArray("\"a,b\"\r\n  lead\r\n\"two\r\nlines\"\r\n\"q\"ignored\r\n\r\nx,y\r\n")
        << QStringList{"a,b", "lead", "two\nlines", "q", "", "x", "y"};
    QTest::newRow("GBK bytes") << codepage::encode(codepage::Gbk, QStringLiteral("电容\r\n小英\r\n"))
                               << QStringList{QStringLiteral("电容"), QStringLiteral("小英")};
    // Depends on the field reader keeping the blanks at a field's end.
    QTest::newRow("trailing blanks kept") << QByteArray("ab  \r\n") << QStringList{"ab  "};
}

void TestQuickPhrases::loadReadsFieldsIntoBoxes()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    PhraseWindow w;
    write(QStringLiteral("date.txt"), file);
    w.setBoxes(QStringList(QuickPhrases::Count, QStringLiteral("old")));
    w.h.window().ui().RichTextBox1->setPlainText(QStringLiteral("稿"));

    w.phrases->load();
    QStringList boxes = w.boxes();
    QCOMPARE(boxes.mid(0, expected.size()), expected);
    QCOMPARE(boxes.mid(expected.size()), QStringList(QuickPhrases::Count - expected.size(), QStringLiteral("old")));
    QCOMPARE(w.h.window().ui().RichTextBox1->toPlainText(), QStringLiteral("稿"));
    QVERIFY(w.h.prompts.messages.isEmpty());
}

void TestQuickPhrases::everyPhraseReadsBackInItsBox_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<bool>("bare"); // written as a bare line

    QTest::newRow("ASCII comma") << QStringLiteral("电阻,电容") << false;
    QTest::newRow("two lines") << QStringLiteral("第一行\n第二行") << false;
    QTest::newRow("leading blanks") << QStringLiteral("  缩进") << false;
    QTest::newRow("leading tab") << QStringLiteral("\t缩进") << false;
    QTest::newRow("only blanks") << QStringLiteral("   ") << false;
    QTest::newRow("quote inside") << QStringLiteral("5\" 喇叭") << true;
    QTest::newRow("trailing blanks") << QStringLiteral("末尾  ") << true;
    QTest::newRow("full-width marks") << QStringLiteral("“你好”，再见") << true;
    QTest::newRow("beyond GBK") << QStringLiteral("𠮷野家") << true;
}

void TestQuickPhrases::everyPhraseReadsBackInItsBox()
{
    QFETCH(QString, phrase);
    QFETCH(bool, bare);
    PhraseWindow w;
    QStringList phrases = numbered(QStringLiteral("词组"));
    for (int at : {0, 12, 25})
        phrases[at] = phrase;
    w.setBoxes(phrases);
    w.save();
    QCOMPARE(w.messages(), QStringList{QStringLiteral("已保存！")});
    const QByteArray bytes = read(QStringLiteral("date.txt"));
    QCOMPARE(bytes.startsWith('"'), !bare);

    w.setBoxes({});
    w.phrases->load();
    QCOMPARE(w.boxes(), phrases);
}

void TestQuickPhrases::quoteThatQuotingCannotCarryIsReported()
{
    PhraseWindow w;
    QStringList phrases = numbered(QStringLiteral("p"));
    phrases[3] = QStringLiteral("a,\"b\"");
    phrases[7] = QStringLiteral("\"c\"");
    w.setBoxes(phrases);
    w.save();
    QCOMPARE(w.h.prompts.messages.size(), 1);
    const QString said = w.h.prompts.messages.first().text;
    QVERIFY2(said.contains(QStringLiteral("“快捷输入词组4”、“快捷输入词组8”")), qPrintable(said));
    QVERIFY(said.contains(QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("date.txt")))));

    w.setBoxes({});
    w.phrases->load();
    phrases[3] = QStringLiteral("a,＂b＂");
    phrases[7] = QStringLiteral("＂c＂");
    QCOMPARE(w.boxes(), phrases);
    QCOMPARE(w.boxes().at(3), w.box(3)->toPlainText());
}

void TestQuickPhrases::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder in the way") << "folder" << QStringLiteral("这是一个文件夹，不是文件");
    QTest::newRow("disk full") << "full" << QStringLiteral("文件超出了系统允许的大小");
    QTest::newRow("folder gone") << "gone" << QStringLiteral("当前文件夹已不存在");
}

void TestQuickPhrases::failedSaveKeepsTheOldFile()
{
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    PhraseWindow w;
    const QString folder = QDir::current().absoluteFilePath(QStringLiteral("sub"));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(QDir::setCurrent(folder));
    const QByteArray old = "old phrases\r\n";
    if (fault == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(QStringLiteral("date.txt")));
    else
        write(QStringLiteral("date.txt"), old);
    w.setBoxes(numbered(QStringLiteral("a much longer phrase than the old file held ")));

    std::optional<FileSizeLimit> limit;
    if (fault == QLatin1String("full"))
        limit.emplace(old.size() + 20);
    if (fault == QLatin1String("gone"))
        QVERIFY(QDir(folder).removeRecursively());
    w.save();
    limit.reset();

    QCOMPARE(w.h.prompts.messages.size(), 1);
    const ShownMessage &shown = w.h.prompts.messages.first();
    const QString named = fault == QLatin1String("gone") ? QStringLiteral("“date.txt”") : QDir::toNativeSeparators(folder + QStringLiteral("/date.txt"));
    QVERIFY2(shown.text.contains(named), qPrintable(shown.text));
    QVERIFY2(shown.text.contains(reason), qPrintable(shown.text));
    QCOMPARE(shown.icon, MessageIcon::Warning);
    if (fault == QLatin1String("folder"))
        QVERIFY(QFileInfo(folder + QStringLiteral("/date.txt")).isDir());
    else if (fault == QLatin1String("full"))
        QCOMPARE(read(folder + QStringLiteral("/date.txt")), old);
    // Nothing else left behind in the folder.
    if (QFileInfo::exists(folder))
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("date.txt")});
}

void TestQuickPhrases::fileFollowsTheWorkingDirectory()
{
    PhraseWindow w;
    QTemporaryDir other;
    write(QStringLiteral("date.txt"), "here\r\n");
    write(other.filePath(QStringLiteral("date.txt")), "there\r\n");
    write(other.filePath(QStringLiteral("稿子.txt")), "稿");
    w.phrases->load();
    QCOMPARE(w.box(0)->toPlainText(), QStringLiteral("here"));

    // A confirmed open dialog moves the working directory to the chosen file's folder.
    w.h.dialogs.answers.push_back(other.filePath(QStringLiteral("稿子.txt")));
    QVERIFY(w.h.window().commonDialog().showOpen());
    w.phrases->load();
    QCOMPARE(w.box(0)->toPlainText(), QStringLiteral("there"));
    w.box(0)->setPlainText(QStringLiteral("moved"));
    w.save();
    QVERIFY(read(other.filePath(QStringLiteral("date.txt"))).startsWith("moved\r\n"));
    QCOMPARE(read(w.folder.filePath(QStringLiteral("date.txt"))), QByteArray("here\r\n"));
}

void TestQuickPhrases::clickInsertsTheBoxTextAndKeepsFocus()
{
    PhraseWindow w;
    w.h.window().show();
    QVERIFY(QTest::qWaitForWindowActive(&w.h.window()));
    QTextEdit *manuscript = w.h.window().ui().RichTextBox1;
    manuscript->setPlainText(QStringLiteral("前XX后"));
    QTextCursor cursor(manuscript->document());
    cursor.setPosition(1);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    manuscript->setTextCursor(cursor);

    QPlainTextEdit *box = w.box(23);
    box->setPlainText(QStringLiteral("电路见图"));
    box->show();
    box->setFocus();
    // A click that only places the cursor inserts the phrase as it stands.
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(manuscript->toPlainText(), QStringLiteral("前电路见图后"));
    QCOMPARE(manuscript->textCursor().position(), 5);
    QVERIFY(box->hasFocus());
}

QTEST_MAIN(TestQuickPhrases)
#include "tst_quickphrases.moc"
