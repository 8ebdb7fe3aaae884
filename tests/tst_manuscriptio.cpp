#include "support/faults.h"
#include "text/manuscriptio.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <sys/stat.h>
#include <unistd.h>

using namespace bilan;
using manuscript::Format;

namespace {

const QString corpusFolder = QStringLiteral("../shared/rtf-corpus/text");

// The paragraphs' texts, each ended by LF but the last.
QString blockTexts(const QTextDocument &document)
{
    return document.toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestManuscriptIo final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void corpus_data();
    void corpus();
    void roundTrips();
    void failures_data();
    void failures();
    void failedWriteKeepsOldFile();

private:
    QString inDir(const QString &name) const { return QDir(m_dir->path()).filePath(name); }
    QStringList filesInDir() const { return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestManuscriptIo::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestManuscriptIo::corpus_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("gb");
    for (const QByteArray &line : contents(corpusFolder + "/manifest.jsonl").trimmed().split('\n')) {
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        const QString file = entry["file"].toString();
        QVERIFY2(file.endsWith(".txt"), line.constData());
        QTest::newRow(qPrintable(file)) << QDir(corpusFolder).filePath(file.chopped(4))
                                        << entry["encoding"].toString().startsWith("gb");
    }
}

void TestManuscriptIo::corpus()
{
    QFETCH(QString, name);
    QFETCH(bool, gb);
    QTextDocument document;
    QCOMPARE(manuscript::load(name + ".txt", document).error, QString());
    // The expected text ends every line with LF, the last one too, which
    // leaves an empty paragraph at the end as the file's last line end does.
    QCOMPARE(blockTexts(document), QString::fromUtf8(contents(name + ".expected.utf8.txt")));

    // Saved as text, a GBK or GB18030 manuscript comes out byte for byte as
    // it was read.
    if (!gb)
        return;
    QCOMPARE(manuscript::save(inDir("copy.txt"), document, Format::PlainText).error, QString());
    QCOMPARE(contents(inDir("copy.txt")), contents(name + ".txt"));
}

void TestManuscriptIo::roundTrips()
{
    // Characters code page 936 lacks survive, and a shorter text replaces
    // the whole of a longer file, through a temporary file that is gone
    // afterwards.
    const QString path = inDir("copy.txt");
    QVERIFY(writeFile(path, QByteArray(4096, 'x')));
    QTextDocument document;
    document.setPlainText(QStringLiteral("欧姆 \u2126、微 \u00B5、\U00020BB7\n第二行"));
    QCOMPARE(manuscript::save(path, document, Format::PlainText).error, QString());
    QCOMPARE(contents(path).left(6), QByteArray("\xc5\xb7\xc4\xb7 \x81"));
    QTextDocument again;
    QCOMPARE(manuscript::load(path, again).error, QString());
    QCOMPARE(blockTexts(again), blockTexts(document));
    QCOMPARE(filesInDir(), QStringList{"copy.txt"});

    // GBK's bytes of 小英 are well-formed UTF-8 too ("СӢ"): the text must
    // come back as itself, or the next save writes the wrong characters.
    document.setPlainText(QStringLiteral("小英"));
    QCOMPARE(manuscript::save(path, document, Format::PlainText).error, QString());
    QCOMPARE(contents(path), QByteArray("\xd0\xa1\xd3\xa2"));
    QCOMPARE(manuscript::load(path, again).error, QString());
    QCOMPARE(blockTexts(again), QStringLiteral("小英"));

    // As RTF, formatting survives too; the format follows the command, not
    // the name.
    document.setHtml(QStringLiteral("原稿 <b>不能丢</b>"));
    QCOMPARE(manuscript::save(path, document, Format::Rtf).error, QString());
    QVERIFY(contents(path).startsWith("{\\rtf"));
    QCOMPARE(manuscript::load(path, again).error, QString());
    QCOMPARE(blockTexts(again), QStringLiteral("原稿 不能丢"));
    QTextCursor cursor(&again);
    cursor.setPosition(again.characterCount() - 2);
    QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Bold));
}

void TestManuscriptIo::failures_data()
{
    // The path is in the temporary folder, which holds a file "plain", a
    // named pipe "pipe", a bitmap "picture.bmp", a file "huge.txt" over the
    // size limit and a file "secret.txt" no one may read. The reason is a
    // pattern: "a|b" for either.
    QTest::addColumn<bool>("saving");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    enum { Load = 1, Save = 2, Both = 3 };
    const auto row = [](int when, const char *tag, const char *path, const char *reason) {
        for (const bool saving : {false, true}) {
            if (when & (saving ? Save : Load))
                QTest::addRow("%s: %s", saving ? "save" : "load", tag) << saving << QString(path) << QString(reason);
        }
    };
    row(Both, "no name", "", "没有给出文件名");
    row(Both, "missing folder", "nofolder/a.rtf", "文件夹“");
    row(Both, "folder", ".", "这是一个文件夹");
    row(Both, "parent is a file", "plain/a.rtf", "plain”不是文件夹");
    row(Both, "pipe", "pipe", "这不是普通文件");
    row(Load, "missing", "none.rtf", "文件不存在");
    row(Load, "binary", "picture.bmp", "不是文本文件");
    row(Load, "too big", "huge.txt", "文件太大");
    row(Load, "unreadable under /proc", "/proc/self/mem", "读写设备时出错");
    row(Load, "no read permission", "secret.txt", "没有读取权限");
    // Root is refused by the file system, anyone else already by permissions.
    row(Save, "new file under /proc", "/proc/bilan-manuscript.rtf", "无法在这个文件夹里新建文件|没有写入权限");
    row(Save, "existing file under /proc", "/proc/version", "无法在这个文件夹里新建文件|只读");
}

void TestManuscriptIo::failures()
{
    QFETCH(bool, saving);
    QFETCH(QString, path);
    QFETCH(QString, reason);
    if (path == "secret.txt" && ::geteuid() == 0)
        QSKIP("permission bits do not stop root");

    QVERIFY(writeFile(inDir("plain"), "x"));
    QCOMPARE(::mkfifo(QFile::encodeName(inDir("pipe")).constData(), 0600), 0);
    QVERIFY(writeFile(inDir("picture.bmp"), QByteArray("BM\x36\0\0\0\0\0", 8)));
    QVERIFY(writeFile(inDir("huge.txt"), "x") && QFile::resize(inDir("huge.txt"), 64 * 1024 * 1024 + 1));
    QVERIFY(writeFile(inDir("secret.txt"), "x") && QFile::setPermissions(inDir("secret.txt"), QFile::WriteOwner));
    path = path.isEmpty() ? path : inDir(path);

    // A failed load leaves the document as it was.
    QTextDocument document;
    document.setHtml(QStringLiteral("原稿 <b>不能丢</b>"));
    const QString html = document.toHtml();
    for (const Format format : {Format::PlainText, Format::Rtf}) {
        const manuscript::Outcome outcome = saving ? manuscript::save(path, document, format)
                                                   : manuscript::load(path, document);
        QVERIFY2(outcome.error.contains(QRegularExpression(reason)) && outcome.error.endsWith("。")
                     && outcome.error.startsWith(saving ? "无法保存文件" : "无法打开文件")
                     && outcome.error.contains(QDir::toNativeSeparators(path)), qPrintable(outcome.error));
    }
    QCOMPARE(document.toHtml(), html);
}

void TestManuscriptIo::failedWriteKeepsOldFile()
{
    const QString path = inDir("article.txt");
    const QByteArray old("\xbe\xc9\xb8\xe5\r\n");
    QVERIFY(writeFile(path, old));

    QTextDocument document;
    document.setPlainText(QString(200'000, QChar(u'新')));
    const manuscript::Outcome outcome = [&] {
        const test::FileSizeLimit limit(16 * 1024);
        return manuscript::save(path, document, Format::PlainText);
    }();
    QVERIFY2(outcome.error.contains(QStringLiteral("超出了系统允许的大小"))
                 && outcome.error.contains(QDir::toNativeSeparators(path)), qPrintable(outcome.error));
    QCOMPARE(contents(path), old);
    QCOMPARE(filesInDir(), QStringList{"article.txt"});

    // The limit is gone again: the same save now works.
    QCOMPARE(manuscript::save(path, document, Format::PlainText).error, QString());
    QCOMPARE(contents(path).size(), 400'000);
}

QTEST_MAIN(TestManuscriptIo)
#include "tst_manuscriptio.moc"
