// Loading and saving manuscripts: round trips in both formats, and every
// failure named with its reason, changing nothing.

#include "support/faults.h"
#include "support/files.h"
#include "text/manuscriptio.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <sys/stat.h>
#include <unistd.h>

using namespace bilan;
using namespace bilan::test;
using manuscript::Format;

namespace {

// The paragraphs' texts, each ended by LF but the last.
QString blockTexts(const QTextDocument &document)
{
    return document.toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

} // namespace

class TestManuscriptIo final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // The corpus's plain-text files are tst_plaintext's.
    void roundTrips()
    {
        // Characters code page 936 lacks survive, as does the empty paragraph
        // a final line end leaves, and a shorter text replaces the whole of a
        // longer file, through a temporary file that is gone afterwards.
        const QString path = inDir("copy.txt");
        QVERIFY(writeFile(path, QByteArray(4096, 'x')));
        QTextDocument document;
        document.setPlainText(QStringLiteral("欧姆 \u2126、微 \u00B5、\U00020BB7\n第二行\n"));
        QCOMPARE(manuscript::save(path, document, Format::PlainText).error, QString());
        QCOMPARE(readFile(path).left(6), QByteArray("\xc5\xb7\xc4\xb7 \x81"));
        QVERIFY(readFile(path).endsWith("\xd0\xd0\r\n"));
        QTextDocument again;
        QCOMPARE(manuscript::load(path, again).error, QString());
        QCOMPARE(blockTexts(again), blockTexts(document));
        QCOMPARE(filesInDir(), QStringList{"copy.txt"});

        // As RTF, formatting survives too; the format follows the command, not
        // the name.
        document.setHtml(QStringLiteral("原稿 <b>不能丢</b>"));
        QCOMPARE(manuscript::save(path, document, Format::Rtf).error, QString());
        QVERIFY(readFile(path).startsWith("{\\rtf"));
        QCOMPARE(manuscript::load(path, again).error, QString());
        QCOMPARE(blockTexts(again), QStringLiteral("原稿 不能丢"));
        QTextCursor cursor(&again);
        cursor.setPosition(again.characterCount() - 2);
        QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Bold));
    }

    void failures_data()
    {
        // The path is in the temporary folder, which holds a file "plain", a
        // named pipe "pipe", a bitmap "picture.bmp", a file "huge.txt" of
        // 16 MiB and a byte, more than a machine with 48 MiB free can open,
        // and a file "secret.txt" no one may read. The reason is a
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
        row(Load, "more than memory holds", "huge.txt", "文件有 17 MB，打开它约需 49 MB 内存，而现在只有 48 MB 可用");
        row(Load, "unreadable under /proc", "/proc/self/mem", "读写设备时出错");
        row(Load, "no read permission", "secret.txt", "没有读取权限");
        // Root is refused by the file system, anyone else already by permissions.
        row(Save, "new file under /proc", "/proc/bilan-manuscript.rtf", "无法在这个文件夹里新建文件|没有写入权限");
        row(Save, "existing file under /proc", "/proc/version", "无法在这个文件夹里新建文件|只读");
    }

    void failures()
    {
        QFETCH(bool, saving);
        QFETCH(QString, path);
        QFETCH(QString, reason);
        if (path == "secret.txt" && ::geteuid() == 0)
            QSKIP("permission bits do not stop root");

        QVERIFY(writeFile(inDir("plain"), "x"));
        QCOMPARE(::mkfifo(QFile::encodeName(inDir("pipe")).constData(), 0600), 0);
        QVERIFY(writeFile(inDir("picture.bmp"), QByteArray("BM\x36\0\0\0\0\0", 8)));
        QVERIFY(writeFile(inDir("huge.txt"), "x") && QFile::resize(inDir("huge.txt"), 16 * 1024 * 1024 + 1));
        QVERIFY(writeFile(inDir("secret.txt"), "x") && QFile::setPermissions(inDir("secret.txt"), QFile::WriteOwner));
        path = path.isEmpty() ? path : inDir(path);

        // A failed load leaves the document as it was.
        QTextDocument document;
        document.setHtml(QStringLiteral("原稿 <b>不能丢</b>"));
        const QString html = document.toHtml();
        for (const Format format : {Format::PlainText, Format::Rtf}) {
            const manuscript::Outcome outcome = saving ? manuscript::save(path, document, format)
                                                       : manuscript::load(path, document, 48 * 1024 * 1024);
            QVERIFY2(outcome.error.contains(QRegularExpression(reason)) && outcome.error.endsWith("。")
                         && outcome.error.startsWith(saving ? "无法保存文件" : "无法打开文件")
                         && outcome.error.contains(QDir::toNativeSeparators(path)), qPrintable(outcome.error));
        }
        QCOMPARE(document.toHtml(), html);
    }

    void failedWriteKeepsOldFile()
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
        QCOMPARE(readFile(path), old);
        QCOMPARE(filesInDir(), QStringList{"article.txt"});

        // The limit is gone again: the same save now works.
        QCOMPARE(manuscript::save(path, document, Format::PlainText).error, QString());
        QCOMPARE(readFile(path).size(), 400'000);
    }

private:
    QString inDir(const QString &name) const { return QDir(m_dir->path()).filePath(name); }
    QStringList filesInDir() const { return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestManuscriptIo)
#include "tst_manuscriptio.moc"
