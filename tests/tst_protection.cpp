// The 文稿加密 menu through the real window: login, first use and change of
// password with scripted input boxes; encrypt and decrypt with their flags
// and the exempt-character file.

#include "support/faults.h"
#include "support/files.h"
#include "support/scriptedservices.h"

#include "shell/form1.h"

#include <QAction>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include <sys/stat.h>

using namespace bilan;
using namespace bilan::test;

namespace {

using Inputs = QList<std::optional<QString>>;
enum Command { Login, ChangePassword, Encrypt, Decrypt };

const QString kLogin = u"请输入登录密码："_qs;
const QString kWrong = u"密码错误，请重新输入！"_qs;
const QByteArray kNone = "(unreadable)"; // what readFile gives for no file

QString passwordPath(Harness &h) { return h.places.userDir.filePath(u"print.txt"_qs); }
QString exemptPath(Harness &h) { return h.places.applicationDir.filePath(u"badcode.txt"_qs); }

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

// Every input box (marked when it has a title of its own, or shows what
// is typed), then every message box, since the last call.
QStringList shown(Harness &h)
{
    QStringList out;
    for (const ShownInput &input : std::as_const(h.prompts.prompts))
        out << input.prompt + (input.title == applicationTitle() ? u""_qs : u" (titled)"_qs)
                + (input.echo == InputEcho::Masked ? u""_qs : u" (unmasked)"_qs);
    h.prompts.prompts.clear();
    return out + h.prompts.takeMessages();
}

void logIn(Harness &h)
{
    QVERIFY(writeFile(passwordPath(h), "pw\r\n"));
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
    void passwords_data()
    {
        QTest::addColumn<Command>("command"); // a change comes after a login with "pw"
        QTest::addColumn<QByteArray>("stored"); // kNone: no password file
        QTest::addColumn<Inputs>("inputs");
        QTest::addColumn<QStringList>("shown"); // "(warning)": one warning that names the file
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char *tag, Command command, const QByteArray &stored, Inputs inputs,
                            QStringList shown, const char *opened, const QByteArray &after) {
            QTest::newRow(tag) << command << stored << inputs << shown << QString(opened) << after;
        };
        const QString first = u"首次使用，请设置登录密码："_qs, set = u"密码已设置成功，请重新登录！"_qs;
        row("first use", Login, kNone, {u"Pass 密码"_qs}, {first, set}, "000", "Pass \xc3\xdc\xc2\xeb\r\n");
        // Cancel or nothing typed sets no password; the next login asks again.
        row("first use, cancel", Login, kNone, {std::nullopt}, {first}, "000", kNone);
        row("first use, empty", Login, kNone, {u""_qs}, {first}, "000", kNone);
        row("right", Login, "Pass\r\n", {u"Pass"_qs}, {kLogin}, "111", "Pass\r\n");
        row("case matters", Login, "Pass\r\n", {u"pass"_qs}, {kLogin, kWrong}, "000", "Pass\r\n");
        row("cancel", Login, "Pass\r\n", {std::nullopt}, {kLogin, kWrong}, "000", "Pass\r\n");
        row("empty password, cancel", Login, "\r\n", {std::nullopt}, {kLogin}, "111", "\r\n");
        row("no trimming", Login, "abc \r\n", {u"abc"_qs}, {kLogin, kWrong}, "000", "abc \r\n");
        row("quote, comma, blanks", Login, " \"a,b \r\nx", {u" \"a,b "_qs}, {kLogin}, "111", " \"a,b \r\nx");
        row("code page 936", Login, "\xc3\xdc\xc2\xeb\n", {u"密码"_qs}, {kLogin}, "111", "\xc3\xdc\xc2\xeb\n");
        row("empty file", Login, "", {}, {u"(warning)"_qs}, "000", "");
        const QString old = u"请输入旧密码："_qs, fresh = u"请输入新密码："_qs, done = u"密码更改成功，请记住新密码！"_qs;
        const QString wrong = u"输入旧密码有误，请重新输入！"_qs;
        row("changed", ChangePassword, "pw\r\n", {u"pw"_qs, u"新"_qs}, {old, fresh, done}, "111", "\xd0\xc2\r\n");
        row("new cancelled", ChangePassword, "pw\r\n", {u"pw"_qs, std::nullopt}, {old, fresh}, "111", "pw\r\n");
        row("new empty", ChangePassword, "pw\r\n", {u"pw"_qs, u""_qs}, {old, fresh}, "111", "pw\r\n");
        row("wrong old", ChangePassword, "pw\r\n", {u"PW"_qs}, {old, wrong}, "111", "pw\r\n");
        row("old cancelled", ChangePassword, "pw\r\n", {std::nullopt}, {old, wrong}, "111", "pw\r\n");
    }

    void passwords()
    {
        QFETCH(Command, command);
        QFETCH(QByteArray, stored);
        QFETCH(Inputs, inputs);
        QFETCH(QStringList, shown);
        Harness h;
        if (command == ChangePassword)
            logIn(h);
        else if (stored != kNone)
            QVERIFY(writeFile(passwordPath(h), stored));
        run(h, command, inputs);
        const QStringList seen = ::shown(h);
        if (shown == QStringList{u"(warning)"_qs})
            QVERIFY2(seen.size() == 1 && seen[0].endsWith(u"。 [warning]"_qs)
                         && seen[0].contains(QDir::toNativeSeparators(passwordPath(h))),
                     qPrintable(seen.join(u'|')));
        else
            QCOMPARE(seen, shown);
        QTEST(opened(h), "opened");
        QTEST(readFile(passwordPath(h)), "after");

        h.window().ui().mnucodeitem[1]->trigger(); // 入口 opens its submenu only
        QCOMPARE(::shown(h), QStringList());
        if (stored == kNone && readFile(passwordPath(h)) == kNone) {
            run(h, Login, {u"later"_qs});
            QCOMPARE(::shown(h), (QStringList{shown.first(), u"密码已设置成功，请重新登录！"_qs}));
        }
        if (command == Login && opened(h) == u"111") { // once in, a second login changes nothing, right or wrong
            run(h, Login, inputs);
            run(h, Login, {u"wrong"_qs});
            QCOMPARE(::shown(h), (QStringList{kLogin, kLogin, kWrong}));
            QCOMPARE(opened(h), u"111"_qs);
        }
    }

    // The file is its owner's alone, in a folder only its owner enters,
    // whatever was there before, and the folder is made anew when gone.
    void passwordFileIsPrivate()
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
        run(h, Login, {u"pw"_qs});
        QCOMPARE(mode(folder), 0700);
        QCOMPARE(readFile(passwordPath(h)), QByteArray("pw\r\n"));
    }

    void failedWriteKeepsFileAndMenus_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<bool>("folderIsFile");
        QTest::newRow("first use, disk full") << Login << false;
        QTest::newRow("first use, folder is a file") << Login << true;
        QTest::newRow("change, disk full") << ChangePassword << false;
    }

    // The input boxes, then only the error, in a warning box.
    void failedWriteKeepsFileAndMenus()
    {
        QFETCH(Command, command);
        QFETCH(bool, folderIsFile);
        Harness h;
        if (command == ChangePassword)
            logIn(h);
        std::optional<FileInPlaceOf> blocked;
        if (folderIsFile)
            QVERIFY(blocked.emplace(h.places.userDir.path()).ok());
        const QByteArray before = readFile(passwordPath(h));
        {
            FileSizeLimit limit(0); // root cannot write past it either
            run(h, command, {u"pw"_qs, u"new"_qs});
        }
        const QStringList seen = shown(h);
        QCOMPARE(seen.size(), command == Login ? 2 : 3);
        QVERIFY2(seen.last().endsWith(u" [warning]"_qs)
                     && seen.last().contains(QDir::toNativeSeparators(passwordPath(h))),
                 qPrintable(seen.last()));
        QCOMPARE(readFile(passwordPath(h)), before);
        QCOMPARE(opened(h), command == Login ? u"000"_qs : u"111"_qs);
    }

    void flags_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<bool>("mayEncrypt");
        QTest::addColumn<bool>("mayDecrypt");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result"); // when the command runs
        const QString plain = u"ab，\ncd"_qs, encrypted = u"`a，\nbc"_qs; // ， is kept by the shipped file
        QTest::newRow("after open, encrypt") << Encrypt << true << true << plain << encrypted;
        QTest::newRow("after open, decrypt") << Decrypt << true << true << encrypted << plain;
        QTest::newRow("encrypted, encrypt") << Encrypt << false << true << encrypted << QString();
        QTest::newRow("encrypted, decrypt") << Decrypt << false << true << encrypted << plain;
        QTest::newRow("decrypted, encrypt") << Encrypt << true << false << plain << encrypted;
        QTest::newRow("decrypted, decrypt") << Decrypt << true << false << plain << QString();
        QTest::newRow("empty manuscript") << Encrypt << true << true << QString() << QString();
        QTest::newRow("earlier build's joined lines") << Decrypt << true << true << u"`a，\tbc"_qs << plain;
    }

    void flags()
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

    void exemptFile_data()
    {
        QTest::addColumn<QByteArray>("content"); // kNone: no file; "(folder)": a folder by that name
        QTest::addColumn<QString>("expected");   // "15xy7z,ab" encrypted, or the reason it is not
        const QByteArray fourteen = ",,,,,,,,,,,,,\r\n";
        QTest::newRow("missing") << kNone << u"文件不存在"_qs;
        QTest::newRow("a folder") << QByteArray("(folder)") << u"这是一个文件夹，不是文件"_qs;
        QTest::newRow("empty") << QByteArray() << u"只有 0 项，至少要有 15 项"_qs;
        QTest::newRow("14 fields") << fourteen << u"只有 14 项，至少要有 15 项"_qs;
        // Quoted, a digit or a comma is text; unquoted in fields 1 to 14 a
        // digit is a number. The 15th is always text; the 16th is ignored.
        QTest::newRow("quoted digits and commas") << QByteArray("\"1\",\",\",5,\"ab\",x\r\n,,,,,,,,,7,z\r\n")
                                                  << u"14xw7y,`a"_qs;
        QTest::newRow("15 empty fields") << fourteen + "\r\n" << u"04wx6y+`a"_qs;
    }

    // A file that cannot serve is named, with the reason, and changes
    // neither the manuscript nor the flags.
    void exemptFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        Harness h;
        logIn(h);
        QVERIFY(QFile::remove(exemptPath(h)));
        if (content == "(folder)")
            QVERIFY(QDir().mkdir(exemptPath(h)));
        else if (content != kNone)
            QVERIFY(writeFile(exemptPath(h), content));
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
        QVERIFY2(seen.size() == 1 && seen[0].contains(QDir::toNativeSeparators(exemptPath(h)))
                     && seen[0].contains(expected) && seen[0].endsWith(u" [warning]"_qs),
                 qPrintable(seen.join(u'|')));
        QCOMPARE(manuscript->toPlainText(), text);
        QVERIFY(h.window().flags().mayEncrypt && h.window().flags().mayDecrypt);
    }

    void encryptedManuscriptThroughTheFileCommands_data()
    {
        QTest::addColumn<int>("save"); // the action that writes the file
        QTest::addColumn<bool>("keepsFormats");
        QTest::newRow("保存, RTF") << 0 << true;
        QTest::newRow("另存为 txt文档") << 1 << false;
    }

    // A bold 16-point heading over body text with blanks, tabs and U+0001:
    // encrypted, saved, opened again and decrypted, the author has it all
    // back, formats included where the file keeps them.
    void encryptedManuscriptThroughTheFileCommands()
    {
        QFETCH(int, save);
        QFETCH(bool, keepsFormats);
        Harness h;
        logIn(h);
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        QTextCursor cursor(manuscript->document());
        QTextCharFormat heading;
        heading.setFontWeight(QFont::Bold);
        heading.setFontPointSize(16);
        cursor.setBlockCharFormat(heading); // as when the author formats the whole line
        cursor.insertText(u"第一章 电源部分"_qs, heading);
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertText(u"降压到 12V\t输出\x01"_qs);
        const QString text = manuscript->toPlainText();
        const QString path = h.places.userDir.filePath(u"稿子.rtf"_qs);
        const Form1Ui &ui = h.window().ui();

        h.window().flags().mayEncrypt = true;
        run(h, Encrypt);
        h.dialogs.answers = {path, path};
        (save == 0 ? ui.mnufileitem[2] : ui.saveasItems[1])->trigger();
        manuscript->clear();
        ui.mnufileitem[1]->trigger(); // 打开
        run(h, Decrypt);

        QCOMPARE(shown(h), QStringList());
        QCOMPARE(manuscript->toPlainText(), text);
        const QTextBlock first = manuscript->document()->begin();
        QCOMPARE(first.begin().fragment().charFormat().fontWeight() == QFont::Bold, keepsFormats);
        QCOMPARE(first.begin().fragment().charFormat().fontPointSize() == 16, keepsFormats);
        QCOMPARE(first.next().begin().fragment().charFormat().fontWeight() == QFont::Bold, false);
    }
};

QTEST_MAIN(TestProtection)
#include "tst_protection.moc"
