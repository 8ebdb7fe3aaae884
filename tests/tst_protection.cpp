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

const QString kLogin = u"请输入登录密码："_qs;
const QString kWrong = u"密码错误，请重新输入！"_qs;

QString passwordPath(Harness &h) { return h.places.userDir.filePath(u"print.txt"_qs); }
QString exemptPath(Harness &h) { return h.places.applicationDir.filePath(u"badcode.txt"_qs); }

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
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
    QAction *items[] = {ui.mnucodeitem[0], ui.mnucodeitem[2], ui.codechilditemItems[0], ui.codechilditemItems[1]};
    items[command]->trigger();
}

// The three items a login opens, as "111" or "000".
QString opened(Harness &h)
{
    const Form1Ui &ui = h.window().ui();
    QString out;
    for (QAction *item : {ui.codechilditemItems[0], ui.codechilditemItems[1], ui.mnucodeitem[2]})
        out += item->isEnabled() ? u'1' : u'0';
    return out;
}

// Every input box and message box since the last call; anything but an
// OK box without an icon, or a title other than the program's, is marked.
QStringList shown(Harness &h)
{
    QStringList out;
    for (const ShownInput &input : std::as_const(h.prompts.prompts))
        out << input.prompt + (input.title == u"笔澜2.5" ? u""_qs : u" (titled)"_qs);
    for (const ShownMessage &box : std::as_const(h.prompts.messages))
        out << box.text + (box.title == u"笔澜2.5" && box.icon == MessageIcon::None ? u""_qs : u" (warning)"_qs);
    h.prompts.prompts.clear();
    h.prompts.messages.clear();
    return out;
}

void logIn(Harness &h)
{
    writeFile(passwordPath(h), "pw\r\n");
    QVERIFY(QFile::copy(u"data/badcode.txt"_qs, exemptPath(h)));
    run(h, Login, {u"pw"_qs});
    QCOMPARE(opened(h), u"111"_qs);
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
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QByteArray>("after");
    const QString first = u"首次使用，请设置登录密码："_qs, set = u"密码已设置成功，请重新登录！"_qs;
    QTest::newRow("first use") << QByteArray("(none)") << Inputs{u"Pass 密码"_qs} << QStringList{first, set} << "000"
                               << QByteArray("Pass \xc3\xdc\xc2\xeb\r\n");
    QTest::newRow("first use, cancel") << QByteArray("(none)") << Inputs{std::nullopt} << QStringList{first, set}
                                       << "000" << QByteArray("\r\n");
    QTest::newRow("right") << QByteArray("Pass\r\n") << Inputs{u"Pass"_qs} << QStringList{kLogin} << "111"
                           << QByteArray("Pass\r\n");
    QTest::newRow("case matters") << QByteArray("Pass\r\n") << Inputs{u"pass"_qs} << QStringList{kLogin, kWrong}
                                  << "000" << QByteArray("Pass\r\n");
    QTest::newRow("cancel") << QByteArray("Pass\r\n") << Inputs{std::nullopt} << QStringList{kLogin, kWrong} << "000"
                            << QByteArray("Pass\r\n");
    QTest::newRow("empty password, cancel") << QByteArray("\r\n") << Inputs{std::nullopt} << QStringList{kLogin}
                                            << "111" << QByteArray("\r\n");
    QTest::newRow("no trimming") << QByteArray("abc \r\n") << Inputs{u"abc"_qs} << QStringList{kLogin, kWrong}
                                 << "000" << QByteArray("abc \r\n");
    QTest::newRow("quote, comma, blanks") << QByteArray(" \"a,b \r\nx") << Inputs{u" \"a,b "_qs}
                                          << QStringList{kLogin} << "111" << QByteArray(" \"a,b \r\nx");
    QTest::newRow("code page 936") << QByteArray("\xc3\xdc\xc2\xeb\n") << Inputs{u"密码"_qs} << QStringList{kLogin}
                                   << "111" << QByteArray("\xc3\xdc\xc2\xeb\n");
    QTest::newRow("empty file") << QByteArray() << Inputs{} << QStringList{u"(warning)"_qs} << "000" << QByteArray();
}

void TestProtection::login()
{
    QFETCH(QByteArray, stored);
    QFETCH(Inputs, inputs);
    QFETCH(QStringList, shown);
    Harness h;
    if (stored != "(none)")
        writeFile(passwordPath(h), stored);
    run(h, Login, inputs);
    const QStringList seen = ::shown(h);
    if (shown == QStringList{u"(warning)"_qs})
        QVERIFY2(seen.size() == 1 && seen[0].contains(QDir::toNativeSeparators(passwordPath(h))),
                 qPrintable(seen.join(u'|')));
    else
        QCOMPARE(seen, shown);
    QTEST(opened(h), "opened");
    QTEST(readAll(passwordPath(h)), "after");

    h.window().ui().mnucodeitem[1]->trigger(); // 入口 opens its submenu only
    QCOMPARE(::shown(h), QStringList());
    if (opened(h) == u"111") { // once in, a second login changes nothing, right or wrong
        run(h, Login, inputs);
        run(h, Login, {u"wrong"_qs});
        QCOMPARE(::shown(h), (QStringList{kLogin, kLogin, kWrong}));
        QCOMPARE(opened(h), u"111"_qs);
    }
}

void TestProtection::changePassword_data()
{
    QTest::addColumn<Inputs>("inputs");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QByteArray>("after");
    const QString old = u"请输入旧密码："_qs, fresh = u"请输入新密码："_qs, done = u"密码更改成功，请记住新密码！"_qs;
    const QString wrong = u"输入旧密码有误，请重新输入！"_qs;
    QTest::newRow("changed") << Inputs{u"pw"_qs, u"新"_qs} << QStringList{old, fresh, done}
                             << QByteArray("\xd0\xc2\r\n");
    QTest::newRow("new cancelled") << Inputs{u"pw"_qs, std::nullopt} << QStringList{old, fresh, done}
                                   << QByteArray("\r\n");
    QTest::newRow("wrong old") << Inputs{u"PW"_qs} << QStringList{old, wrong} << QByteArray("pw\r\n");
    QTest::newRow("old cancelled") << Inputs{std::nullopt} << QStringList{old, wrong} << QByteArray("pw\r\n");
}

void TestProtection::changePassword()
{
    QFETCH(Inputs, inputs);
    Harness h;
    logIn(h);
    run(h, ChangePassword, inputs);
    QTEST(shown(h), "shown");
    QTEST(readAll(passwordPath(h)), "after");
    QCOMPARE(opened(h), u"111"_qs);
}

void TestProtection::passwordFileIsPrivate()
{
    Harness h;
    const QString folder = h.places.userDir.path();
    QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7755)));
    run(h, Login, {u"pw"_qs}); // first use
    QCOMPARE(mode(folder), 0700);
    QCOMPARE(mode(passwordPath(h)), 0600);

    QVERIFY(QFile::setPermissions(passwordPath(h), QFile::Permissions(0x6644)));
    run(h, Login, {u"pw"_qs});
    run(h, ChangePassword, {u"pw"_qs, u"new"_qs});
    QCOMPARE(mode(passwordPath(h)), 0600);

    QVERIFY(QDir(folder).removeRecursively());
    run(h, Login, {u"pw"_qs}); // the folder is made anew
    QCOMPARE(mode(folder), 0700);
    QCOMPARE(readAll(passwordPath(h)), QByteArray("pw\r\n"));
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
    const QByteArray before = readAll(passwordPath(h));
    {
        FileSizeLimit limit(0); // root cannot write past it either
        run(h, command, {u"pw"_qs, u"new"_qs});
    }
    // The input boxes, then only the error, in a warning box.
    const QStringList seen = shown(h);
    QCOMPARE(seen.size(), command == Login ? 2 : 3);
    QVERIFY2(seen.last().endsWith(u"(warning)"_qs) && seen.last().contains(QDir::toNativeSeparators(passwordPath(h))),
             qPrintable(seen.last()));
    QCOMPARE(readAll(passwordPath(h)), before);
    QCOMPARE(opened(h), command == Login ? u"000"_qs : u"111"_qs);
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
    const QString plain = u"ab，\ncd"_qs, encrypted = u"`a，\tbc"_qs; // ， is kept by the shipped file
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
    QFETCH(bool, mayEncrypt);
    QFETCH(bool, mayDecrypt);
    QFETCH(QString, text);
    QFETCH(QString, result);
    Harness h;
    logIn(h);
    WindowFlags &flags = h.window().flags();
    flags.mayEncrypt = mayEncrypt;
    flags.mayDecrypt = mayDecrypt;
    h.window().ui().RichTextBox1->setPlainText(text);

    run(h, command);
    const bool refused = command == Encrypt ? !mayEncrypt : !mayDecrypt;
    const QString refusal = command == Encrypt ? u"加密操作已经结束"_qs : u"解密操作已经结束"_qs;
    QCOMPARE(shown(h), refused ? QStringList{refusal} : QStringList());
    QCOMPARE(h.window().ui().RichTextBox1->toPlainText(), refused ? text : result);
    QCOMPARE(flags.mayEncrypt, refused ? mayEncrypt : command == Decrypt);
    QCOMPARE(flags.mayDecrypt, refused ? mayDecrypt : command == Encrypt);
}

void TestProtection::exemptFile_data()
{
    QTest::addColumn<QByteArray>("content"); // "(none)": no file; "(folder)": a folder by that name
    QTest::addColumn<QString>("expected");   // "15xy7z,ab" encrypted, or the reason it is not
    const QByteArray fourteen = ",,,,,,,,,,,,,\r\n";
    QTest::newRow("missing") << QByteArray("(none)") << u"文件不存在"_qs;
    QTest::newRow("a folder") << QByteArray("(folder)") << u"这是一个文件夹，不是文件"_qs;
    QTest::newRow("empty") << QByteArray() << u"只有 0 项，至少要有 15 项"_qs;
    QTest::newRow("14 fields") << fourteen << u"只有 14 项，至少要有 15 项"_qs;
    // Quoted, a digit or a comma is text; unquoted in fields 1 to 14 a
    // digit is a number. The 15th is always text; the 16th is ignored.
    QTest::newRow("quoted digits and commas") << QByteArray("\"1\",\",\",5,\"ab\",x\r\n,,,,,,,,,7,z\r\n")
                                              << u"14xw7y,`a"_qs;
    QTest::newRow("15 empty fields") << fourteen + "\r\n" << u"04wx6y+`a"_qs;
}

void TestProtection::exemptFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    Harness h;
    logIn(h);
    QVERIFY(QFile::remove(exemptPath(h)));
    if (content == "(folder)")
        QVERIFY(QDir().mkdir(exemptPath(h)));
    else if (content != "(none)")
        writeFile(exemptPath(h), content);
    const QString text = u"15xy7z,ab"_qs;
    QTextEdit *manuscript = h.window().ui().RichTextBox1;
    manuscript->setPlainText(text);
    h.window().flags() = WindowFlags{false, true, true, false};

    run(h, Encrypt);
    const QStringList seen = shown(h);
    if (seen.isEmpty()) {
        QCOMPARE(manuscript->toPlainText(), expected);
        run(h, Decrypt);
        QCOMPARE(manuscript->toPlainText(), text);
        return;
    }
    QCOMPARE(seen.size(), 1);
    QVERIFY2(seen[0].contains(QDir::toNativeSeparators(exemptPath(h))) && seen[0].contains(expected),
             qPrintable(seen[0]));
    QCOMPARE(manuscript->toPlainText(), text);
    QVERIFY(h.window().flags().mayEncrypt && h.window().flags().mayDecrypt);
}

QTEST_MAIN(TestProtection)
#include "tst_protection.moc"
