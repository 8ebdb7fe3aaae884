// The Tools menu through the real window: the count, the stamps, the
// author file with its faults, and the submission mail.

#include "support/faults.h"
#include "support/scriptedservices.h"

#include "shell/form1.h"

#include <QAction>
#include <QFile>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

enum Tools { ShowCount = 0, InsertCount = 1, InsertDateTime = 2, InsertAuthor = 3, ModifyAuthor = 4, Submit = 5 };
enum class Fault { FolderInTheWay, SizeLimit, UserFolderIsAFile };
using Answers = QList<std::optional<QString>>;

const QStringList Questions = {"请输入作者姓名：", "请输入地址：", "请输入邮政编码：", "请输入电话号码：",
                             "请输入手机号码：", "请输入E-mail地址：", "请输入您的其他信息："};
const QStringList Labels = {"作者：", "地址：", "邮政编码：", "电话号码：", "手机号码：", "E-mail地址：", "其他信息："};
const Answers Given = {"小英", "北京市海淀区", "100080", "010-62345678", "13912345678", "xy@example.com", "无"};

void trigger(Harness &h, Tools index)
{
    h.window().ui().mnutoolsitem[index]->trigger();
}

QString manuscript(Harness &h)
{
    return h.window().ui().RichTextBox1->toPlainText();
}

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

void expectMessage(const ShownMessage &shown, const QString &text, const QString &title)
{
    QCOMPARE(shown.text, text);
    QCOMPARE(shown.title, title);
    QCOMPARE(shown.buttons, MessageButtons::Ok);
    QCOMPARE(shown.icon, MessageIcon::None);
}

QString figures(qsizetype chinese, qsizetype other, const char *between)
{
    return QStringLiteral("中文字数：%1个%2其它字符数：%3个").arg(chinese).arg(QLatin1String(between)).arg(other);
}

QString block(const Answers &answers)
{
    QStringList lines;
    for (qsizetype i = 0; i < Labels.size(); ++i)
        lines << Labels[i] + answers.value(i).value_or(QString());
    return lines.join(u'\n');
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Puts a plain file where the user's folder should be, and the folder back
// when it goes.
struct FileInsteadOfFolder
{
    explicit FileInsteadOfFolder(const QString &path) : path(path)
    {
        QDir(path).removeRecursively();
        QFile file(path);
        file.open(QIODevice::WriteOnly);
    }
    ~FileInsteadOfFolder()
    {
        QFile::remove(path);
        QDir().mkpath(path);
    }
    QString path;
};

} // namespace

Q_DECLARE_METATYPE(Tools)
Q_DECLARE_METATYPE(Fault)

class TestManuscriptTools : public QObject
{
    Q_OBJECT

private slots:
    void count_data();
    void count();
    void dateTime_data();
    void dateTime();
    void authorRecord_data();
    void authorRecord();
    void shortRecordLeavesTheRestEmpty();
    void faults_data();
    void faults();
    void submitOpensMail();
};

void TestManuscriptTools::count_data()
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
void TestManuscriptTools::count()
{
    QFETCH(QString, text);
    QFETCH(int, chinese);
    QFETCH(int, other);
    Harness h;
    prepare(h, text);
    trigger(h, ShowCount);
    trigger(h, InsertCount);
    trigger(h, ShowCount);

    QCOMPARE(h.prompts.messages.size(), 2);
    expectMessage(h.prompts.messages[0], figures(chinese, other, "\n\n"), QStringLiteral("文稿字数统计"));
    QCOMPARE(manuscript(h), figures(chinese, other, "\n"));
    const qsizetype digits = QString::number(chinese).size() + QString::number(other).size();
    QCOMPARE(h.prompts.messages[1].text, figures(13, digits, "\n\n"));
    QCOMPARE(h.window().ui().RichTextBox2->toPlainText(), QStringLiteral("参考资料 ABC"));
}

void TestManuscriptTools::dateTime_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("stamp");
    QTest::newRow("morning") << QDateTime({2003, 9, 5}, {9, 5, 7}) << "2003年09月5日9:05:07";
    QTest::newRow("last second of 2003") << QDateTime({2003, 12, 31}, {23, 59, 59}) << "2003年12月31日23:59:59";
    QTest::newRow("first second of 2004") << QDateTime({2004, 1, 1}, {0, 0, 0}) << "2004年01月1日0:00:00";
}

void TestManuscriptTools::dateTime()
{
    QFETCH(QDateTime, when);
    QFETCH(QString, stamp);
    Harness h;
    h.clock.time = when;
    prepare(h, QStringLiteral("旧"));
    trigger(h, InsertDateTime);
    QCOMPARE(manuscript(h), stamp);
}

void TestManuscriptTools::authorRecord_data()
{
    QTest::addColumn<Tools>("first");
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<Answers>("kept"); // what the file gives back
    QTest::addColumn<QByteArray>("bytes");
    const Answers none(7, std::nullopt);
    QTest::newRow("all cancelled") << InsertAuthor << none << none << QByteArray(R"("","","","","","","")" "\r\n");
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

// The first use asks and keeps the record (modify then inserts nothing),
// the second reads it, and modify replaces it.
void TestManuscriptTools::authorRecord()
{
    QFETCH(Tools, first);
    QFETCH(Answers, answers);
    QFETCH(Answers, kept);
    QFETCH(QByteArray, bytes);
    Harness h;
    // A first run: the user's folder is not there yet.
    const QString folder = h.places.userFolder();
    const QString path = folder + QStringLiteral("/author.txt");
    QVERIFY(QDir(folder).removeRecursively());
    prepare(h, QStringLiteral("选中的"));
    h.prompts.inputs.assign(answers.cbegin(), answers.cend());
    trigger(h, first);

    QCOMPARE(h.prompts.prompts.size(), 7);
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(h.prompts.prompts[i].prompt, Questions[i]);
        QCOMPARE(h.prompts.prompts[i].title, QStringLiteral("个人信息首次输入"));
    }
    QVERIFY(h.prompts.messages.isEmpty());
    QCOMPARE(manuscript(h), first == InsertAuthor ? block(kept) : QStringLiteral("选中的"));
    QCOMPARE(readAll(path), bytes);
    // Owner, group and others; Qt's "user" bits repeat whichever applies to us.
    const int everyone = 0x7077;
    QCOMPARE(int(QFile::permissions(folder)) & everyone, 0x7000);
    QCOMPARE(int(QFile::permissions(path)) & everyone, 0x6000);

    prepare(h, QString());
    trigger(h, InsertAuthor);
    QCOMPARE(h.prompts.prompts.size(), 7);
    QCOMPARE(manuscript(h), block(kept));

    trigger(h, ModifyAuthor);
    QCOMPARE(h.prompts.prompts.size(), 14);
    QCOMPARE(h.prompts.prompts.last().title, QStringLiteral("个人信息修改"));
    QCOMPARE(readAll(path), QByteArray(R"("","","","","","","")" "\r\n"));
    QCOMPARE(manuscript(h), block(kept));
    QCOMPARE(h.prompts.messages.size(), 1);
    expectMessage(h.prompts.messages[0], QStringLiteral("个人信息己修改、保存！"), QStringLiteral("笔澜2.5"));
}

void TestManuscriptTools::shortRecordLeavesTheRestEmpty()
{
    Harness h;
    QVERIFY(writeFile(h.places.userFolder() + QStringLiteral("/author.txt"), R"("a","b,c",d)" "\r\n"));
    trigger(h, InsertAuthor);
    QVERIFY(h.prompts.prompts.isEmpty() && h.prompts.messages.isEmpty());
    QCOMPARE(manuscript(h), block({"a", "b,c", "d"}));
}

void TestManuscriptTools::faults_data()
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
void TestManuscriptTools::faults()
{
    QFETCH(Fault, fault);
    QFETCH(Tools, command);
    QFETCH(bool, existing);
    QFETCH(bool, asks);
    Harness h;
    const QString folder = h.places.userFolder();
    const QString path = folder + QStringLiteral("/author.txt");
    const QByteArray old = R"("old","","","","","","")" "\r\n";
    if (existing)
        QVERIFY(writeFile(path, old));
    std::optional<FileInsteadOfFolder> blocked;
    if (fault == Fault::FolderInTheWay)
        QVERIFY(QDir().mkdir(path));
    if (fault == Fault::UserFolderIsAFile)
        blocked.emplace(folder);
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
    QCOMPARE(h.prompts.messages.size(), 1);
    const ShownMessage &report = h.prompts.messages[0];
    QVERIFY2(report.text.contains(QDir::toNativeSeparators(path)), qPrintable(report.text));
    QCOMPARE(report.buttons, MessageButtons::Ok);
    const QString inserted = command == InsertAuthor ? block(asks ? Given : Answers{}) : QString();
    QCOMPARE(manuscript(h), QStringLiteral("稿") + inserted);
    if (fault == Fault::SizeLimit)
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), existing ? QStringList{"author.txt"} : QStringList{});
    if (existing)
        QCOMPARE(readAll(path), old);
}

void TestManuscriptTools::submitOpensMail()
{
    Harness h;
    trigger(h, Submit);
    QCOMPARE(h.desktop.shellCalls.size(), 1);
    QCOMPARE(h.desktop.shellCalls[0].file, QStringLiteral("Mailto:"));
    QCOMPARE(h.desktop.shellCalls[0].workingDirectory, h.places.applicationFolder());
    QVERIFY(h.prompts.messages.isEmpty());
}

QTEST_MAIN(TestManuscriptTools)
#include "tst_manuscripttools.moc"
