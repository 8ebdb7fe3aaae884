// The 文稿加密 menu through the real window: login, first use and change of
// password with scripted input boxes; encrypt and decrypt with their flags
// and the exempt-character file.

#include "support/faults.h"
#include "support/scriptedservices.h"

#include "shell/form1.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextEdit>

#include <sys/stat.h>

using namespace bilan;
using namespace bilan::test;

namespace {

using Inputs = QList<std::optional<QString>>;
enum Command { Login, ChangePassword, Encrypt, Decrypt };

const QString kTitle = QStringLiteral("笔澜2.5");
const QString kLogin = QStringLiteral("请输入登录密码：");
const QString kFirst = QStringLiteral("首次使用，请设置登录密码：");
const QString kOld = QStringLiteral("请输入旧密码：");
const QString kNew = QStringLiteral("请输入新密码：");

QString passwordFile(Harness &h) { return h.places.userDir.filePath(QStringLiteral("print.txt")); }
QString exemptPath(Harness &h) { return h.places.applicationDir.filePath(QStringLiteral("badcode.txt")); }

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

int mode(const QString &path)
{
    struct stat s{};
    return ::stat(QFile::encodeName(path).constData(), &s) == 0 ? int(s.st_mode & 07777) : -1;
}

void run(Harness &h, Command command, const Inputs &inputs = {})
{
    h.prompts.inputs.assign(inputs.begin(), inputs.end());
    const Form1Ui &ui = h.window().ui();
    QAction *item[] = {ui.mnucodeitem[0], ui.mnucodeitem[2], ui.codechilditemItems[0], ui.codechilditemItems[1]};
    item[command]->trigger();
}

// The three items a login opens, all or none.
bool loggedIn(Harness &h)
{
    const Form1Ui &ui = h.window().ui();
    const bool on = ui.codechilditemItems[0]->isEnabled();
    [&] {
        QCOMPARE(ui.codechilditemItems[1]->isEnabled(), on);
        QCOMPARE(ui.mnucodeitem[2]->isEnabled(), on);
    }();
    return on;
}

QStringList shown(Harness &h)
{
    QStringList out;
    for (const ShownInput &input : std::as_const(h.prompts.prompts)) {
        out << input.prompt;
        if (input.title != kTitle)
            out << QStringLiteral("title ") + input.title;
    }
    for (const ShownMessage &message : std::as_const(h.prompts.messages)) {
        out << message.text;
        if (message.title != kTitle || message.icon != MessageIcon::None || message.buttons != MessageButtons::Ok)
            out << QStringLiteral("not a plain OK box");
    }
    h.prompts.prompts.clear();
    h.prompts.messages.clear();
    return out;
}

void logIn(Harness &h)
{
    writeFile(passwordFile(h), "pw\r\n");
    QVERIFY(QFile::copy(QStringLiteral("data/badcode.txt"), exemptPath(h)));
    run(h, Login, {QStringLiteral("pw")});
    QVERIFY(loggedIn(h));
    shown(h);
}

} // namespace

class TestProtection final : public QObject
{
    Q_OBJECT

private slots:
    void login_data();
    void login();
    void changePassword_data();
    void changePassword();
    void passwordFileIsPrivate();
    void failedWriteKeepsFileAndMenus_data();
    void failedWriteKeepsFileAndMenus();
    void flags_data();
    void flags();
    void exemptFile_data();
    void exemptFile();
};

void TestProtection::login_data()
{
    QTest::addColumn<QByteArray>("stored"); // "(none)": no password file
    QTest::addColumn<Inputs>("inputs");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("in");
    QTest::addColumn<QByteArray>("after");

    const QString wrong = QStringLiteral("密码错误，请重新输入！");
    const QString set = QStringLiteral("密码已设置成功，请重新登录！");
    QTest::newRow("first use") << QByteArray("(none)") << Inputs{QStringLiteral("Pass 密码")} << QStringList{kFirst, set}
                               << false << QByteArray("Pass \xc3\xdc\xc2\xeb\r\n");
    QTest::newRow("first use, cancel") << QByteArray("(none)") << Inputs{std::nullopt} << QStringList{kFirst, set}
                                       << false << QByteArray("\r\n");
    QTest::newRow("right") << QByteArray("Pass\r\n") << Inputs{QStringLiteral("Pass")} << QStringList{kLogin} << true
                           << QByteArray("Pass\r\n");
    QTest::newRow("case matters") << QByteArray("Pass\r\n") << Inputs{QStringLiteral("pass")}
                                  << QStringList{kLogin, wrong} << false << QByteArray("Pass\r\n");
    QTest::newRow("cancel") << QByteArray("Pass\r\n") << Inputs{std::nullopt} << QStringList{kLogin, wrong} << false
                            << QByteArray("Pass\r\n");
    QTest::newRow("empty password, cancel") << QByteArray("\r\n") << Inputs{std::nullopt} << QStringList{kLogin}
                                            << true << QByteArray("\r\n");
    QTest::newRow("no trimming") << QByteArray("abc \r\n") << Inputs{QStringLiteral("abc")}
                                 << QStringList{kLogin, wrong} << false << QByteArray("abc \r\n");
    QTest::newRow("quote, comma, blanks") << QByteArray(" \"a,b \r\nsecond") << Inputs{QStringLiteral(" \"a,b ")}
                                          << QStringList{kLogin} << true << QByteArray(" \"a,b \r\nsecond");
    QTest::newRow("GBK") << QByteArray("\xc3\xdc\xc2\xeb\r\n") << Inputs{QStringLiteral("密码")}
                         << QStringList{kLogin} << true << QByteArray("\xc3\xdc\xc2\xeb\r\n");
}

void TestProtection::login()
{
    QFETCH(QByteArray, stored);
    QFETCH(Inputs, inputs);
    Harness h;
    if (stored != "(none)")
        writeFile(passwordFile(h), stored);
    run(h, Login, inputs);
    QTEST(shown(h), "shown");
    QTEST(loggedIn(h), "in");
    QTEST(readAll(passwordFile(h)), "after");

    h.window().ui().mnucodeitem[1]->trigger(); // 入口
    QCOMPARE(shown(h), QStringList());
    if (!loggedIn(h))
        return;
    // Once in, a second login changes nothing, right or wrong.
    run(h, Login, inputs);
    QCOMPARE(shown(h), QStringList{kLogin});
    run(h, Login, {QStringLiteral("wrong")});
    QCOMPARE(shown(h), (QStringList{kLogin, QStringLiteral("密码错误，请重新输入！")}));
    QVERIFY(loggedIn(h));
}

void TestProtection::changePassword_data()
{
    QTest::addColumn<Inputs>("inputs");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QByteArray>("after");
    const QString done = QStringLiteral("密码更改成功，请记住新密码！");
    const QString wrong = QStringLiteral("输入旧密码有误，请重新输入！");
    QTest::newRow("changed") << Inputs{QStringLiteral("pw"), QStringLiteral("新")} << QStringList{kOld, kNew, done}
                             << QByteArray("\xd0\xc2\r\n");
    QTest::newRow("new cancelled") << Inputs{QStringLiteral("pw"), std::nullopt} << QStringList{kOld, kNew, done}
                                   << QByteArray("\r\n");
    QTest::newRow("wrong old") << Inputs{QStringLiteral("PW")} << QStringList{kOld, wrong} << QByteArray("pw\r\n");
    QTest::newRow("old cancelled") << Inputs{std::nullopt} << QStringList{kOld, wrong} << QByteArray("pw\r\n");
}

void TestProtection::changePassword()
{
    QFETCH(Inputs, inputs);
    Harness h;
    logIn(h);
    run(h, ChangePassword, inputs);
    QTEST(shown(h), "shown");
    QTEST(readAll(passwordFile(h)), "after");
    QVERIFY(loggedIn(h));
}

void TestProtection::passwordFileIsPrivate()
{
    Harness h;
    const QString folder = h.places.userDir.path();
    QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7755)));
    run(h, Login, {QStringLiteral("pw")});
    QCOMPARE(mode(folder), 0700);
    QCOMPARE(mode(passwordFile(h)), 0600);

    // A password file left readable by others is replaced by a private one.
    QVERIFY(QFile::setPermissions(passwordFile(h), QFile::Permissions(0x6644)));
    run(h, Login, {QStringLiteral("pw")});
    run(h, ChangePassword, {QStringLiteral("pw"), QStringLiteral("new")});
    QCOMPARE(mode(passwordFile(h)), 0600);

    // A folder that is not there yet is made private.
    QVERIFY(QDir(folder).removeRecursively());
    run(h, Login, {QStringLiteral("pw")});
    QCOMPARE(mode(folder), 0700);
    QCOMPARE(mode(passwordFile(h)), 0600);
    QCOMPARE(readAll(passwordFile(h)), QByteArray("pw\r\n"));
}

void TestProtection::failedWriteKeepsFileAndMenus_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<bool>("folderIsFile");
    QTest::newRow("first use, disk full") << Login << false;
    QTest::newRow("first use, folder is a file") << Login << true;
    QTest::newRow("change, disk full") << ChangePassword << false;
}

void TestProtection::failedWriteKeepsFileAndMenus()
{
    QFETCH(Command, command);
    QFETCH(bool, folderIsFile);
    Harness h;
    if (command == ChangePassword)
        logIn(h);
    const QString folder = h.places.userDir.path();
    if (folderIsFile) {
        QVERIFY(QDir(folder).removeRecursively());
        writeFile(folder, "a file where the folder should be");
    }
    const QByteArray before = readAll(passwordFile(h));
    {
        FileSizeLimit limit(0); // root too cannot write past it
        run(h, command, {QStringLiteral("pw"), QStringLiteral("new")});
    }
    // The input boxes, then only the error, in a warning box.
    const QStringList messages = shown(h);
    QCOMPARE(messages.size(), command == Login ? 3 : 4);
    QVERIFY2(messages.at(messages.size() - 2).contains(QDir::toNativeSeparators(passwordFile(h))),
             qPrintable(messages.join(u'|')));
    QCOMPARE(readAll(passwordFile(h)), before);
    QCOMPARE(loggedIn(h), command == ChangePassword);
    if (folderIsFile)
        QVERIFY(QFile::remove(folder));
}

void TestProtection::flags_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<bool>("mayEncrypt");
    QTest::addColumn<bool>("mayDecrypt");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result"); // when the command runs

    const QString plain = QStringLiteral("ab，\ncd");
    const QString encrypted = QStringLiteral("`a，\tbc");
    QTest::newRow("start, encrypt") << Encrypt << false << false << plain << QString();
    QTest::newRow("start, decrypt") << Decrypt << false << false << plain << QString();
    QTest::newRow("after open, encrypt") << Encrypt << true << true << plain << encrypted;
    QTest::newRow("after open, decrypt") << Decrypt << true << true << encrypted << plain;
    QTest::newRow("encrypted, encrypt") << Encrypt << false << true << encrypted << QString();
    QTest::newRow("encrypted, decrypt") << Decrypt << false << true << encrypted << plain;
    QTest::newRow("decrypted, encrypt") << Encrypt << true << false << plain << encrypted;
    QTest::newRow("decrypted, decrypt") << Decrypt << true << false << plain << QString();
    QTest::newRow("empty manuscript") << Encrypt << true << true << QString() << QString();
}

void TestProtection::flags()
{
    QFETCH(Command, command);
    QFETCH(QString, text);
    QFETCH(QString, result);
    Harness h;
    logIn(h);
    WindowFlags &flags = h.window().flags();
    QFETCH(bool, mayEncrypt);
    QFETCH(bool, mayDecrypt);
    flags.mayEncrypt = mayEncrypt;
    flags.mayDecrypt = mayDecrypt;
    QTextEdit *manuscript = h.window().ui().RichTextBox1;
    manuscript->setPlainText(text);

    run(h, command);
    const bool refused = command == Encrypt ? !mayEncrypt : !mayDecrypt;
    const QString refusal = command == Encrypt ? QStringLiteral("加密操作已经结束") : QStringLiteral("解密操作已经结束");
    QCOMPARE(shown(h), refused ? QStringList{refusal} : QStringList());
    QCOMPARE(manuscript->toPlainText(), refused ? text : result);
    QCOMPARE(flags.mayEncrypt, refused ? mayEncrypt : command == Decrypt);
    QCOMPARE(flags.mayDecrypt, refused ? mayDecrypt : command == Encrypt);
}

void TestProtection::exemptFile_data()
{
    QTest::addColumn<QByteArray>("content"); // "(none)": no file; "(folder)": a folder by that name
    QTest::addColumn<bool>("usable");
    QTest::addColumn<QString>("expected"); // "15xy7z,ab" encrypted, or the reason it is not
    const QByteArray fourteen = ",,,,,,,,,,,,,\r\n";
    QTest::newRow("missing") << QByteArray("(none)") << false << QStringLiteral("文件不存在");
    QTest::newRow("a folder") << QByteArray("(folder)") << false << QStringLiteral("这是一个文件夹，不是文件");
    QTest::newRow("empty") << QByteArray() << false << QStringLiteral("只有 0 项，至少要有 15 项");
    QTest::newRow("14 fields") << fourteen << false << QStringLiteral("只有 14 项，至少要有 15 项");
    // Quoted, a digit or a comma is text; unquoted in fields 1 to 14 a
    // digit is a number. The 15th is always text; the 16th is ignored.
    QTest::newRow("quoted digits and commas") << QByteArray("\"1\",\",\",5,\"ab\",x\r\n,,,,,,,,,7,z\r\n") << true
                                              << QStringLiteral("14xw7y,`a");
    QTest::newRow("15 empty fields") << fourteen + "\r\n" << true << QStringLiteral("04wx6y+`a");
}

void TestProtection::exemptFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, usable);
    QFETCH(QString, expected);
    Harness h;
    logIn(h);
    QVERIFY(QFile::remove(exemptPath(h)));
    if (content == "(folder)")
        QVERIFY(QDir().mkdir(exemptPath(h)));
    else if (content != "(none)")
        writeFile(exemptPath(h), content);
    const QString text = QStringLiteral("15xy7z,ab");
    h.window().ui().RichTextBox1->setPlainText(text);
    h.window().flags() = WindowFlags{false, true, true, false};

    run(h, Encrypt);
    const QString after = h.window().ui().RichTextBox1->toPlainText();
    if (usable) {
        QCOMPARE(after, expected);
        run(h, Decrypt);
        QCOMPARE(h.window().ui().RichTextBox1->toPlainText(), text);
        QCOMPARE(shown(h), QStringList());
        return;
    }
    const QStringList messages = shown(h);
    QCOMPARE(messages.size(), 2); // the error, in a warning box
    QVERIFY2(messages.first().contains(QDir::toNativeSeparators(exemptPath(h))), qPrintable(messages.first()));
    QVERIFY2(messages.first().contains(expected), qPrintable(messages.first()));
    QCOMPARE(after, text);
    QVERIFY(h.window().flags().mayEncrypt && h.window().flags().mayDecrypt);
}

QTEST_MAIN(TestProtection)
#include "tst_protection.moc"
