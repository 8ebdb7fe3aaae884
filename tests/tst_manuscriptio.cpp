#include "text/manuscriptio.h"
#include "text/plaintext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace bilan;

namespace {

const QString corpusFolder = QStringLiteral("../shared/rtf-corpus/text");

QString blockTexts(const QTextDocument &document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        lines.append(block.text());
    return lines.join(u'\n');
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

// Whether the message gives one of the reasons, written "a|b".
bool givesReason(const QString &message, const QString &reasons)
{
    const QStringList any = reasons.split(u'|');
    return std::any_of(any.begin(), any.end(), [&message](const QString &r) { return message.contains(r); });
}

bool isRoot()
{
    return ::geteuid() == 0;
}

// A manuscript with some formatting, so that a failed load visibly loses it.
void fillWithFormatting(QTextDocument &document)
{
    document.clear();
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("原稿 "));
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("不能丢"), bold);
}

// Caps the size of files this process may write, with the signal that would
// end it ignored, so that a write fails part of the way as on a full disk.
class FileSizeLimit final
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// Puts a folder's permission bits back however the test ends.
class PermissionGuard final
{
public:
    PermissionGuard(const QString &path, QFile::Permissions during)
        : m_path(path), m_old(QFile::permissions(path))
    {
        QFile::setPermissions(path, during);
    }
    ~PermissionGuard() { QFile::setPermissions(m_path, m_old); }
    PermissionGuard(const PermissionGuard &) = delete;
    PermissionGuard &operator=(const PermissionGuard &) = delete;

private:
    QString m_path;
    QFile::Permissions m_old;
};

} // namespace

class TestManuscriptIo final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadCorpusText_data();
    void loadCorpusText();
    void plainTextRoundTrip();
    void rtfRoundTrip();
    void loadFailures_data();
    void loadFailures();
    void saveFailures_data();
    void saveFailures();
    void failedWriteKeepsOldFile();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestManuscriptIo::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestManuscriptIo::cleanup()
{
    // A folder a test made read-only is writable again here at the latest,
    // so that the temporary folder can go.
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_dir.reset();
}

void TestManuscriptIo::loadCorpusText_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("GBK") << "gbk_crlf_article";
    QTest::newRow("UTF-8 with mark") << "utf8_bom_article";
    QTest::newRow("UTF-8") << "utf8_nobom_article";
    QTest::newRow("GB18030") << "gb18030_4byte";
}

void TestManuscriptIo::loadCorpusText()
{
    QFETCH(QString, name);
    const QString path = QDir(corpusFolder).filePath(name + ".txt");
    QTextDocument document;
    const manuscript::Outcome outcome = manuscript::load(path, document);
    QVERIFY2(outcome.ok(), qPrintable(outcome.error));
    // The expected text ends every line with LF, the last one too, which
    // leaves an empty paragraph at the end as the file's last line end does.
    const QString expected = QString::fromUtf8(contents(QDir(corpusFolder).filePath(name + ".expected.utf8.txt")));
    QCOMPARE(blockTexts(document), expected);
}

void TestManuscriptIo::plainTextRoundTrip()
{
    // Saved as text, a GBK manuscript comes out byte for byte as it was read.
    const QString source = QDir(corpusFolder).filePath(QStringLiteral("gbk_crlf_article.txt"));
    QTextDocument document;
    QVERIFY(manuscript::load(source, document).ok());
    const QString copy = m_dir->filePath(QStringLiteral("copy.txt"));
    const manuscript::Outcome saved = manuscript::save(copy, document, manuscript::Format::PlainText);
    QVERIFY2(saved.ok(), qPrintable(saved.error));
    QCOMPARE(contents(copy), contents(source));

    // Characters code page 936 lacks survive too, and the shorter text
    // replaces the whole of the longer file, through a temporary file that
    // is gone afterwards.
    document.setPlainText(QStringLiteral("欧姆 \u2126、微 \u00B5、\U00020BB7\n第二行"));
    QVERIFY(manuscript::save(copy, document, manuscript::Format::PlainText).ok());
    QCOMPARE(contents(copy).left(6), QByteArray("\xc5\xb7\xc4\xb7 \x81"));
    QTextDocument again;
    QVERIFY(manuscript::load(copy, again).ok());
    QCOMPARE(blockTexts(again), blockTexts(document));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"copy.txt"});
}

void TestManuscriptIo::rtfRoundTrip()
{
    QTextDocument document;
    fillWithFormatting(document);
    // The format follows the command, not the name.
    const QString path = m_dir->filePath(QStringLiteral("saved.txt"));
    const manuscript::Outcome saved = manuscript::save(path, document, manuscript::Format::Rtf);
    QVERIFY2(saved.ok(), qPrintable(saved.error));
    QVERIFY(contents(path).startsWith("{\\rtf"));

    QTextDocument again;
    const manuscript::Outcome loaded = manuscript::load(path, again);
    QVERIFY2(loaded.ok(), qPrintable(loaded.error));
    QCOMPARE(blockTexts(again), QStringLiteral("原稿 不能丢"));
    QTextCursor cursor(&again);
    cursor.setPosition(again.characterCount() - 2);
    QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Bold));
}

void TestManuscriptIo::loadFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << "missing" << "文件不存在";
    QTest::newRow("missing folder") << "missing folder" << "不存在";
    QTest::newRow("folder") << "folder" << "文件夹";
    QTest::newRow("parent is a file") << "parent is a file" << "不是文件夹";
    QTest::newRow("no name") << "no name" << "没有给出文件名";
    QTest::newRow("binary") << "binary" << "不是文本文件";
    QTest::newRow("too big") << "too big" << "文件太大";
    QTest::newRow("pipe") << "pipe" << "不是普通文件";
    QTest::newRow("unreadable under /proc") << "proc" << "读写设备时出错";
    QTest::newRow("no read permission") << "no permission" << "没有读取权限";
}

void TestManuscriptIo::loadFailures()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);

    const QDir dir(m_dir->path());
    QString path;
    if (name == "missing") {
        path = dir.filePath("none.rtf");
    } else if (name == "missing folder") {
        path = dir.filePath("nofolder/none.rtf");
    } else if (name == "folder") {
        path = dir.path();
    } else if (name == "parent is a file") {
        QVERIFY(writeFile(dir.filePath("plain"), "x"));
        path = dir.filePath("plain/child.rtf");
    } else if (name == "binary") {
        path = dir.filePath("picture.bmp");
        QVERIFY(writeFile(path, QByteArray("BM\x36\0\0\0\0\0", 8)));
    } else if (name == "too big") {
        path = dir.filePath("huge.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(64 * 1024 * 1024 + 1));
    } else if (name == "pipe") {
        path = dir.filePath("pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (name == "proc") {
        path = QStringLiteral("/proc/self/mem");
    } else if (name == "no permission") {
        if (isRoot())
            QSKIP("permission bits do not stop root");
        path = dir.filePath("secret.txt");
        QVERIFY(writeFile(path, "x"));
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    }

    QTextDocument document;
    fillWithFormatting(document);
    const QString before = document.toHtml();
    const manuscript::Outcome outcome = manuscript::load(path, document);
    QVERIFY(!outcome.ok());
    QVERIFY2(givesReason(outcome.error, reason), qPrintable(outcome.error));
    QVERIFY2(outcome.error.contains(QDir::toNativeSeparators(path)), qPrintable(outcome.error));
    QVERIFY(outcome.error.startsWith(QStringLiteral("无法打开文件")));
    QCOMPARE(document.toHtml(), before);
}

void TestManuscriptIo::saveFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");

    QTest::newRow("folder") << "folder" << "文件夹";
    QTest::newRow("parent is a file") << "parent is a file" << "不是文件夹";
    QTest::newRow("missing folder") << "missing folder" << "不存在";
    QTest::newRow("no name") << "no name" << "没有给出文件名";
    QTest::newRow("device") << "device" << "不是普通文件";
    // Root is refused by the file system, anyone else already by permissions.
    QTest::newRow("new file under /proc") << "proc new" << "无法在这个文件夹里新建文件|没有写入权限";
    QTest::newRow("existing file under /proc") << "proc existing" << "无法在这个文件夹里新建文件|只读";
    QTest::newRow("read-only folder") << "read-only folder" << "没有写入权限";
    QTest::newRow("read-only file") << "read-only file" << "只读";
}

void TestManuscriptIo::saveFailures()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);

    const QDir dir(m_dir->path());
    QString path;
    std::unique_ptr<PermissionGuard> guard;
    if (name == "folder") {
        QVERIFY(dir.mkdir("sub"));
        path = dir.filePath("sub");
    } else if (name == "parent is a file") {
        QVERIFY(writeFile(dir.filePath("plain"), "x"));
        path = dir.filePath("plain/child.rtf");
    } else if (name == "missing folder") {
        path = dir.filePath("nofolder/a.rtf");
    } else if (name == "device") {
        path = QStringLiteral("/dev/full");
    } else if (name == "proc new") {
        path = QStringLiteral("/proc/bilan-manuscript.rtf");
    } else if (name == "proc existing") {
        path = QStringLiteral("/proc/version");
    } else if (name == "read-only folder") {
        if (isRoot())
            QSKIP("permission bits do not stop root");
        path = dir.filePath("a.rtf");
        guard = std::make_unique<PermissionGuard>(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    } else if (name == "read-only file") {
        if (isRoot())
            QSKIP("permission bits do not stop root");
        path = dir.filePath("a.rtf");
        QVERIFY(writeFile(path, "old"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    }
    const bool existed = QFileInfo(path).exists();
    const QByteArray before = QFileInfo(path).isFile() ? contents(path) : QByteArray();

    QTextDocument document;
    document.setPlainText(QStringLiteral("新稿子"));
    for (manuscript::Format format : {manuscript::Format::PlainText, manuscript::Format::Rtf}) {
        const manuscript::Outcome outcome = manuscript::save(path, document, format);
        QVERIFY(!outcome.ok());
        QVERIFY2(givesReason(outcome.error, reason), qPrintable(outcome.error));
        QVERIFY2(outcome.error.contains(QDir::toNativeSeparators(path)), qPrintable(outcome.error));
        QVERIFY(outcome.error.startsWith(QStringLiteral("无法保存文件")));
        QVERIFY2(outcome.error.endsWith(QStringLiteral("。")), qPrintable(outcome.error));
    }
    guard.reset();
    QCOMPARE(QFileInfo(path).exists(), existed);
    if (!before.isEmpty())
        QCOMPARE(contents(path), before);
}

void TestManuscriptIo::failedWriteKeepsOldFile()
{
    const QString path = m_dir->filePath(QStringLiteral("article.txt"));
    const QByteArray old("\xbe\xc9\xb8\xe5\r\n");
    QVERIFY(writeFile(path, old));

    QTextDocument document;
    document.setPlainText(QString(200'000, QChar(u'新')));
    manuscript::Outcome outcome;
    {
        const FileSizeLimit limit(16 * 1024);
        outcome = manuscript::save(path, document, manuscript::Format::PlainText);
    }
    QVERIFY(!outcome.ok());
    QVERIFY2(outcome.error.contains(QStringLiteral("超出了系统允许的大小")), qPrintable(outcome.error));
    QVERIFY(outcome.error.contains(QDir::toNativeSeparators(path)));
    QCOMPARE(contents(path), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"article.txt"});

    // The limit is gone again: the same save now works.
    QVERIFY(manuscript::save(path, document, manuscript::Format::PlainText).ok());
    QCOMPARE(contents(path).size(), 400'000);
}

QTEST_MAIN(TestManuscriptIo)
#include "tst_manuscriptio.moc"
