// The quick-input phrases and their file "date.txt": load, save, quoting of
// awkward phrases, failed saves, the working directory the file follows.

#include "support/faults.h"
#include "support/files.h"
#include "support/scriptedservices.h"

#include "aids/quickphrases.h"
#include "shell/form1.h"
#include "text/codepage.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

// A window working in a folder of its own (the harness restores the
// working directory), with "保存定制" enabled as its mode would.
struct Phrases
{
    Harness h;
    QTemporaryDir folder;
    QuickPhrases &phrases = *h.window().findChild<QuickPhrases *>();
    Phrases()
    {
        QDir::setCurrent(folder.path());
        h.window().ui().toolbarButtons[std::size_t(ToolbarKey::Enter)]->setEnabled(true);
    }
    QPlainTextEdit *box(int i) { return h.window().ui().Text1[std::size_t(i)]; }
    void set(const QStringList &texts)
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
    void save() { h.press(ToolbarKey::Enter); }
};

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
    void firstUseCreatesTheFile()
    {
        Phrases p;
        // "助输定制" loads the (missing) file, says nothing and enables "保存定制".
        QAction *const enter = p.h.window().ui().toolbarButtons[std::size_t(ToolbarKey::Enter)];
        enter->setEnabled(false);
        p.h.press(ToolbarKey::Selfdo);
        QVERIFY(enter->isEnabled() && p.h.prompts.messages.isEmpty());
        QStringList typed(QuickPhrases::Count);
        typed[0] = QStringLiteral("电阻器，“全角”");
        typed[1] = QStringLiteral("say \"hi\" ");
        typed[25] = QStringLiteral("最后");
        p.set(typed);
        p.save();
        // Plain phrases are bare lines in code page 936, each ending in CR LF.
        const QByteArray expected = codepage::encode(codepage::Gbk, typed[0]) + "\r\nsay \"hi\" \r\n"
            + QByteArray("\r\n").repeated(23) + codepage::encode(codepage::Gbk, typed[25]) + "\r\n";
        QCOMPARE(readFile(QStringLiteral("date.txt")), expected);
        QCOMPARE(p.h.prompts.takeMessages(), QStringList{"已保存！"});

        // The next "助输定制" reads them back.
        p.set(QStringList(QuickPhrases::Count));
        p.h.press(ToolbarKey::Selfdo);
        QCOMPARE(p.boxes(), typed);
    }

    void loadFillsBoxesInOrder_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected"); // the first boxes; the rest keep "old"
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("quoted and awkward")
            << QByteArray("\"a,b\"\r\n  lead\r\n\"two\r\nlines\"\r\n\"q\"ignored\r\n\r\nx,y\r\n")
            << QStringList{"a,b", "lead", "two\nlines", "q", "", "x", "y"};
        QTest::newRow("trailing blanks") << QByteArray("ab  \r\n") << QStringList{"ab  "};
    }

    void loadFillsBoxesInOrder()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        Phrases p;
        QVERIFY(writeFile(QStringLiteral("date.txt"), file));
        p.set(QStringList(QuickPhrases::Count, QStringLiteral("old")));
        p.phrases.load();
        QCOMPARE(p.boxes().mid(0, expected.size()), expected);
        QCOMPARE(p.boxes().mid(expected.size()), QStringList(QuickPhrases::Count - expected.size(), "old"));
        QCOMPARE(p.h.window().ui().RichTextBox1->toPlainText(), QString());
        QVERIFY(p.h.prompts.messages.isEmpty());
    }

    void everyPhraseKeepsItsBox_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<bool>("bare");     // written as a bare line
        QTest::addColumn<QString>("back");  // read back; empty: the phrase itself
        QTest::newRow("ASCII comma") << QStringLiteral("电阻,电容") << false << "";
        QTest::newRow("two lines") << QStringLiteral("第一行\n第二行") << false << "";
        QTest::newRow("leading blanks") << QStringLiteral("  缩进") << false << "";
        QTest::newRow("leading tab") << QStringLiteral("\t缩进") << false << "";
        QTest::newRow("only blanks") << QStringLiteral("   ") << false << "";
        QTest::newRow("quote inside") << QStringLiteral("5\" 喇叭") << true << "";
        QTest::newRow("trailing blanks") << QStringLiteral("末尾  ") << true << "";
        QTest::newRow("beyond GBK") << QStringLiteral("𠮷野家") << true << "";
        // Quoting cannot carry these; they keep their boxes with a stand-in.
        QTest::newRow("comma and quotes") << QStringLiteral("a,\"b\"") << false << QStringLiteral("a,＂b＂");
        QTest::newRow("leading quote") << QStringLiteral("\"c") << false << QStringLiteral("＂c");
    }

    void everyPhraseKeepsItsBox()
    {
        QFETCH(QString, phrase);
        QFETCH(bool, bare);
        QFETCH(QString, back);
        Phrases p;
        QStringList phrases = numbered(QStringLiteral("词组"));
        phrases[0] = phrases[12] = phrases[25] = phrase;
        p.set(phrases);
        p.save();
        const QStringList said = p.h.prompts.takeMessages();
        if (back.isEmpty())
            QCOMPARE(said, QStringList{"已保存！"});
        else
            QVERIFY2(said.size() == 1 && said[0].contains("“快捷输入词组1”、“快捷输入词组13”、“快捷输入词组26”"),
                     qPrintable(said.join('|')));
        QCOMPARE(readFile(QStringLiteral("date.txt")).startsWith('"'), !bare);
        QCOMPARE(p.box(0)->toPlainText(), phrase); // the box keeps what was typed
        p.set({});
        p.phrases.load();
        phrases[0] = phrases[12] = phrases[25] = back.isEmpty() ? phrase : back;
        QCOMPARE(p.boxes(), phrases);
    }

    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder in the way") << "folder" << QStringLiteral("这是一个文件夹，不是文件");
        QTest::newRow("disk full") << "full" << QStringLiteral("文件超出了系统允许的大小");
        QTest::newRow("folder removed") << "gone" << QStringLiteral("当前文件夹已不存在");
    }

    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        Phrases p;
        const QString folder = p.folder.filePath(QStringLiteral("子目录"));
        const QString path = folder + QStringLiteral("/date.txt");
        QVERIFY(QDir().mkdir(folder) && QDir::setCurrent(folder));
        if (fault == "folder")
            QVERIFY(QDir().mkdir(path));
        else
            QVERIFY(writeFile(path, "old\r\n"));
        p.set(numbered(QStringLiteral("a phrase longer than the old file ")));
        if (fault == "gone")
            QVERIFY(QDir(folder).removeRecursively());
        {
            std::optional<FileSizeLimit> full;
            if (fault == "full")
                full.emplace(20);
            p.save();
        }
        const QStringList said = p.h.prompts.takeMessages();
        const QString named = fault == "gone" ? QStringLiteral("“date.txt”") : QDir::toNativeSeparators(path);
        QVERIFY2(said.size() == 1 && said[0].contains(named) && said[0].contains(reason)
                     && said[0].endsWith(" [warning]"),
                 qPrintable(said.join('|')));
        if (fault == "full")
            QCOMPARE(readFile(path), QByteArray("old\r\n"));
        if (fault != "gone") // and nothing left beside it
            QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), {"date.txt"});
    }

    // The file is a bare name: it follows the working directory, which
    // every confirmed file dialog moves.
    void fileFollowsTheWorkingDirectory()
    {
        Phrases p;
        QTemporaryDir other;
        QVERIFY(writeFile(QStringLiteral("date.txt"), "here\r\n"));
        QVERIFY(writeFile(other.filePath(QStringLiteral("date.txt")), "there\r\n"));
        QVERIFY(QDir::setCurrent(other.path()));
        p.phrases.load();
        QCOMPARE(p.box(0)->toPlainText(), QStringLiteral("there"));
        p.box(0)->setPlainText(QStringLiteral("moved"));
        p.save();
        QVERIFY(readFile(other.filePath(QStringLiteral("date.txt"))).startsWith("moved\r\n"));
        QCOMPARE(readFile(p.folder.filePath(QStringLiteral("date.txt"))), QByteArray("here\r\n"));
    }

    void clickInsertsTheBoxTextAndKeepsFocus()
    {
        Phrases p;
        QVERIFY(p.h.show());
        QTextEdit *manuscript = p.h.window().ui().RichTextBox1;
        manuscript->setPlainText(QStringLiteral("前XX后"));
        select(manuscript, 1, 2);
        QPlainTextEdit *box = p.box(23);
        box->setPlainText(QStringLiteral("电路见图"));
        box->show();
        box->setFocus();
        // Also a click that only places the cursor in the box.
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("前电路见图后"));
        QCOMPARE(manuscript->textCursor().position(), 5);
        QVERIFY(box->hasFocus());
    }
};

QTEST_MAIN(TestQuickPhrases)
#include "tst_quickphrases.moc"
