// The Tools menu through the real window: the count, the stamps, the
// author file with its faults, and the submission mail.

#include "support/faults.h"
#include "support/files.h"
#include "support/scriptedservices.h"

#include "shell/form1.h"

#include <QAction>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

enum Tools { ShowCount = 0, InsertCount = 1, InsertDateTime = 2, InsertAuthor = 3, ModifyAuthor = 4, Submit = 5 };
enum class Fault { FolderInTheWay, SizeLimit, UserFolderIsAFile };
using Answers = QList<std::optional<QString>>;

const Answers Given = {"小英", "北京市海淀区", "100080", "010-62345678", "13912345678", "xy@example.com", "无"};

void trigger(Harness &h, Tools index) { h.window().ui().mnutoolsitem[index]->trigger(); }
QString manuscript(Harness &h) { return h.window().ui().RichTextBox1->toPlainText(); }
QString authorPath(Harness &h) { return h.places.userFolder() + QStringLiteral("/author.txt"); }

// The manuscript, all of it selected, and a reference text that has the
// focus and a selection of its own: the tools must not look there.
void prepare(Harness &h, const QString &text)
{
    const Form1Ui &ui = h.window().ui();
    ui.RichTextBox1->setPlainText(text);
    ui.RichTextBox1->selectAll();
    ui.RichTextBox2->setPlainText(QStringLiteral("参考资料 ABC"));
    ui.RichTextBox2->selectAll();
    ui.RichTextBox2->setFocus();
}

QString figures(qsizetype chinese, qsizetype other, const char *between)
{
    return QStringLiteral("中文字数：%1个%2其它字符数：%3个").arg(chinese).arg(QLatin1String(between)).arg(other);
}

// The author block as the stamp inserts it.
QString block(const Answers &answers)
{
    const QStringList labels = {"作者：", "地址：", "邮政编码：", "电话号码：", "手机号码：", "E-mail地址：", "其他信息："};
    QStringList lines;
    for (qsizetype i = 0; i < labels.size(); ++i)
        lines << labels[i] + answers.value(i).value_or(QString());
    return lines.join(u'\n');
}

} // namespace

Q_DECLARE_METATYPE(Tools)
Q_DECLARE_METATYPE(Fault)

class TestManuscriptTools : public QObject
{
    Q_OBJECT

private slots:
    void count_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("chinese");
        QTest::addColumn<int>("other");
        QTest::newRow("empty") << QString() << 0 << 0;
        QTest::newRow("ASCII, comma, blank, Chinese") << QStringLiteral("abcde, 中文！") << 3 << 6;
        QTest::newRow("blanks and breaks") << QStringLiteral(" a\tb \n\n中 文\n") << 2 << 2;
        QTest::newRow("euro, a single byte above ASCII") << QStringLiteral("€") << 0 << 0;
        QTest::newRow("beyond the BMP, two question marks") << QStringLiteral("😀") << 0 << 2;
        QTest::newRow("past a 16-bit counter") << QStringLiteral("电").repeated(40000) << 40000 << 0;
    }

    // Shown, then inserted over the selected manuscript, then counted again:
    // the figures were taken before the selection went, and the inserted text
    // holds thirteen Chinese characters and one other per digit.
    void count()
    {
        QFETCH(QString, text);
        QFETCH(int, chinese);
        QFETCH(int, other);
        Harness h;
        prepare(h, text);
        trigger(h, ShowCount);
        trigger(h, InsertCount);
        trigger(h, ShowCount);

        const qsizetype digits = QString::number(chinese).size() + QString::number(other).size();
        QCOMPARE(h.prompts.takeMessages(), (QStringList{figures(chinese, other, "\n\n") + " [文稿字数统计]",
                                                        figures(13, digits, "\n\n") + " [文稿字数统计]"}));
        QCOMPARE(manuscript(h), figures(chinese, other, "\n"));
        QCOMPARE(h.window().ui().RichTextBox2->toPlainText(), QStringLiteral("参考资料 ABC"));
    }

    void dateTime_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("morning") << QDateTime({2003, 9, 5}, {9, 5, 7}) << "2003年09月5日9:05:07";
        QTest::newRow("last second of 2003") << QDateTime({2003, 12, 31}, {23, 59, 59}) << "2003年12月31日23:59:59";
        QTest::newRow("first second of 2004") << QDateTime({2004, 1, 1}, {0, 0, 0}) << "2004年01月1日0:00:00";
    }

    void dateTime()
    {
        QFETCH(QDateTime, when);
        Harness h;
        h.clock.time = when;
        prepare(h, QStringLiteral("旧"));
        trigger(h, InsertDateTime);
        QTEST(manuscript(h), "stamp");
    }

    void authorRecord_data()
    {
        QTest::addColumn<Tools>("first");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<Answers>("kept"); // what the file gives back
        QTest::addColumn<QByteArray>("bytes");
        const Answers comma{"张三,李四", "", "", "", "", "", "x"};
        QTest::newRow("comma, by modify without a file")
            << ModifyAuthor << comma << comma
            << QByteArray("\"\xd5\xc5\xc8\xfd,\xc0\xee\xcb\xc4\",\"\",\"\",\"\",\"\",\"\",\"x\"\r\n");
        QTest::newRow("double quote") << InsertAuthor << Answers{R"(say "hi")", "", "", "", "", "", "end"}
                                      << Answers{"say ＂hi＂", "", "", "", "", "", "end"}
                                      << QByteArray("\"say \xa3\xa2hi\xa3\xa2\",\"\",\"\",\"\",\"\",\"\",\"end\"\r\n");
        // 小英 in code page 936 happens to be well-formed UTF-8 as well.
        const Answers name{"小英", "", "", "", "", "", ""};
        QTest::newRow("code page 936 that looks like UTF-8")
            << InsertAuthor << name << name << QByteArray("\"\xd0\xa1\xd3\xa2\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n");
    }

    // The first use asks and keeps the record in a private file in a folder
    // made for it (modify then inserts nothing), the second reads it, and
    // modify replaces it.
    void authorRecord()
    {
        QFETCH(Tools, first);
        QFETCH(Answers, answers);
        QFETCH(Answers, kept);
        Harness h;
        const QString folder = h.places.userFolder();
        QVERIFY(QDir(folder).removeRecursively()); // a first run: the user's folder is not there yet
        prepare(h, QStringLiteral("选中的"));
        h.prompts.inputs.assign(answers.cbegin(), answers.cend());
        trigger(h, first);

        QCOMPARE(h.prompts.prompts.size(), 7);
        QCOMPARE(h.prompts.prompts.first().title, QStringLiteral("个人信息首次输入"));
        QVERIFY(h.prompts.messages.isEmpty());
        QCOMPARE(manuscript(h), first == InsertAuthor ? block(kept) : QStringLiteral("选中的"));
        QTEST(readFile(authorPath(h)), "bytes");
        // Owner, group and others; Qt's "user" bits repeat whichever applies to us.
        const int everyone = 0x7077;
        QCOMPARE(int(QFile::permissions(folder)) & everyone, 0x7000);
        QCOMPARE(int(QFile::permissions(authorPath(h))) & everyone, 0x6000);

        prepare(h, QString());
        trigger(h, InsertAuthor);
        QCOMPARE(h.prompts.prompts.size(), 7);
        QCOMPARE(manuscript(h), block(kept));

        h.prompts.inputs = {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, "x"};
        trigger(h, ModifyAuthor);
        QCOMPARE(h.prompts.prompts.size(), 14);
        QCOMPARE(h.prompts.prompts.last().title, QStringLiteral("个人信息修改"));
        QCOMPARE(readFile(authorPath(h)), QByteArray(R"("","","","","","","x")" "\r\n"));
        QCOMPARE(manuscript(h), block(kept));
        QCOMPARE(h.prompts.takeMessages(), QStringList{"个人信息己修改、保存！"});
    }

    void emptyAnswersAreNotKept_data()
    {
        QTest::addColumn<Tools>("command");
        QTest::addColumn<QByteArray>("before"); // "(unreadable)": no author file
        QTest::addColumn<Answers>("answers");
        const QByteArray none = "(unreadable)", earlier = R"("a","","","","","","")" "\r\n";
        const Answers cancelled(7, std::nullopt), blank(7, QString());
        QTest::newRow("insert, all cancelled") << InsertAuthor << none << cancelled;
        QTest::newRow("insert, all blank") << InsertAuthor << none << blank;
        QTest::newRow("modify without a file") << ModifyAuthor << none << cancelled;
        QTest::newRow("modify keeps the record") << ModifyAuthor << earlier << blank;
    }

    // Seven empty answers store nothing and report no change; the labels
    // still go in, and the next stamp asks again.
    void emptyAnswersAreNotKept()
    {
        QFETCH(Tools, command);
        QFETCH(QByteArray, before);
        QFETCH(Answers, answers);
        Harness h;
        if (before != "(unreadable)")
            QVERIFY(writeFile(authorPath(h), before));
        h.prompts.inputs.assign(answers.cbegin(), answers.cend());
        trigger(h, command);
        QCOMPARE(h.prompts.prompts.size(), 7);
        QCOMPARE(readFile(authorPath(h)), before);
        QVERIFY(h.prompts.messages.isEmpty());
        QCOMPARE(manuscript(h), command == InsertAuthor ? block({}) : QString());

        h.prompts.inputs = {"后来"};
        trigger(h, InsertAuthor);
        QCOMPARE(h.prompts.prompts.size(), before == "(unreadable)" ? 14 : 7);
        QVERIFY(manuscript(h).endsWith(block({before == "(unreadable)" ? "后来" : "a"})));
    }

    void shortRecordLeavesTheRestEmpty()
    {
        Harness h;
        QVERIFY(writeFile(authorPath(h), R"("a","b,c",d)" "\r\n"));
        trigger(h, InsertAuthor);
        QVERIFY(h.prompts.prompts.isEmpty() && h.prompts.messages.isEmpty());
        QCOMPARE(manuscript(h), block({"a", "b,c", "d"}));
    }

    void faults_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<Tools>("command");
        QTest::addColumn<bool>("existing");
        QTest::addColumn<bool>("asks");
        QTest::newRow("folder in the way, insert") << Fault::FolderInTheWay << InsertAuthor << false << false;
        QTest::newRow("folder in the way, modify") << Fault::FolderInTheWay << ModifyAuthor << false << true;
        QTest::newRow("size limit, modify") << Fault::SizeLimit << ModifyAuthor << true << true;
        QTest::newRow("size limit, first use") << Fault::SizeLimit << InsertAuthor << false << true;
        QTest::newRow("user folder is a file, first use") << Fault::UserFolderIsAFile << InsertAuthor << false << true;
        QTest::newRow("user folder is a file, modify") << Fault::UserFolderIsAFile << ModifyAuthor << false << true;
    }

    // A record that cannot be read gives its labels, asking nothing. Each
    // failure names the file; the old record, the answers and the manuscript
    // all survive, and no success follows.
    void faults()
    {
        QFETCH(Fault, fault);
        QFETCH(Tools, command);
        QFETCH(bool, existing);
        QFETCH(bool, asks);
        Harness h;
        const QString path = authorPath(h);
        const QByteArray old = R"("old","","","","","","")" "\r\n";
        QVERIFY(!existing || writeFile(path, old));
        std::optional<FileInPlaceOf> blocked;
        if (fault == Fault::FolderInTheWay)
            QVERIFY(QDir().mkdir(path));
        if (fault == Fault::UserFolderIsAFile)
            QVERIFY(blocked.emplace(h.places.userFolder()).ok());
        prepare(h, QStringLiteral("稿"));
        h.window().ui().RichTextBox1->moveCursor(QTextCursor::End);
        h.prompts.inputs.assign(Given.cbegin(), Given.cend());
        {
            std::optional<FileSizeLimit> limit;
            if (fault == Fault::SizeLimit)
                limit.emplace(16);
            trigger(h, command);
        }

        QCOMPARE(h.prompts.prompts.size(), asks ? 7 : 0);
        const QStringList messages = h.prompts.takeMessages();
        QVERIFY2(messages.size() == 1 && messages[0].contains(QDir::toNativeSeparators(path))
                     && messages[0].endsWith(" [warning]"),
                 qPrintable(messages.join('|')));
        const QString inserted = command == InsertAuthor ? block(asks ? Given : Answers{}) : QString();
        QCOMPARE(manuscript(h), QStringLiteral("稿") + inserted);
        if (fault == Fault::SizeLimit)
            QCOMPARE(QDir(h.places.userFolder()).entryList(QDir::Files | QDir::Hidden),
                     existing ? QStringList{"author.txt"} : QStringList{});
        if (existing)
            QCOMPARE(readFile(path), old);
    }

    void submitOpensMail()
    {
        Harness h;
        trigger(h, Submit);
        QCOMPARE(h.desktop.shellCalls.size(), 1);
        QCOMPARE(h.desktop.shellCalls[0].file, QStringLiteral("Mailto:"));
        QCOMPARE(h.desktop.shellCalls[0].workingDirectory, h.places.applicationFolder());
        QVERIFY(h.prompts.messages.isEmpty());
    }
};

QTEST_MAIN(TestManuscriptTools)
#include "tst_manuscripttools.moc"
