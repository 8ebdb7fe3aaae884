#include "text/codepage.h"
#include "text/cp936.h"
#include "text/plaintext.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using namespace bilan;
using plaintext::Encoding;

Q_DECLARE_METATYPE(plaintext::Encoding)

namespace {

const QString corpusFolder = QStringLiteral("../shared/rtf-corpus/text");

plaintext::Decoded decodeInPieces(QByteArrayView bytes, qsizetype pieceSize)
{
    plaintext::Decoder decoder;
    for (qsizetype i = 0; i < bytes.size(); i += pieceSize)
        decoder.feed(bytes.sliced(i, std::min(pieceSize, bytes.size() - i)));
    return decoder.finish();
}

QString gbk(QByteArrayView bytes)
{
    return codepage::decode(codepage::Gbk, bytes);
}

// Every decoding of the same bytes must agree, however they were cut.
void checkAllCuts(QByteArrayView bytes, const plaintext::Decoded &whole)
{
    for (qsizetype size : {1, 2, 3, 5, 7}) {
        const plaintext::Decoded pieces = decodeInPieces(bytes, size);
        QCOMPARE(pieces.text, whole.text);
        QCOMPARE(pieces.encoding, whole.encoding);
        QCOMPARE(pieces.binary, whole.binary);
    }
    QRandomGenerator random(4011);
    for (int round = 0; round < 20; ++round) {
        plaintext::Decoder decoder;
        qsizetype at = 0;
        while (at < bytes.size()) {
            const qsizetype size = std::min<qsizetype>(random.bounded(1, 12), bytes.size() - at);
            decoder.feed(bytes.sliced(at, size));
            decoder.feed({});
            at += size;
        }
        QCOMPARE(decoder.finish().text, whole.text);
    }
}

} // namespace

class TestPlainText final : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void corpus_data();
    void corpus();
    void decoderIsReusable();
    void encode_data();
    void encode();
    void codePageCharactersKeepTheirBytes();
    void everyCharacterRoundTrips();
};

void TestPlainText::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<bool>("binary");

    const QString fffd(QChar(0xFFFD));

    QTest::newRow("empty") << QByteArray() << QString() << Encoding::Gb18030 << false;
    QTest::newRow("ASCII CR LF") << QByteArray("a\r\nb") << "a\nb" << Encoding::Gb18030 << false;
    QTest::newRow("CR, LF, CR LF") << QByteArray("a\rb\nc\r\n") << "a\nb\nc\n" << Encoding::Gb18030 << false;
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << "a\n\nb" << Encoding::Gb18030 << false;
    QTest::newRow("LF CR") << QByteArray("a\n\rb") << "a\n\nb" << Encoding::Gb18030 << false;
    QTest::newRow("CR at the end") << QByteArray("a\r") << "a\n" << Encoding::Gb18030 << false;
    QTest::newRow("GBK") << QByteArray("\xd6\xd0\xce\xc4\r\n") << "中文\n" << Encoding::Gb18030 << false;
    QTest::newRow("GBK euro byte") << QByteArray("5\x80") << QStringLiteral("5\u20AC") << Encoding::Gb18030
                                   << false;
    QTest::newRow("GBK 0xFF") << QByteArray("\xff") << QStringLiteral("\uF8F5") << Encoding::Gb18030 << false;
    QTest::newRow("FE50 as code page 936 reads it")
        << QByteArray("\xfe\x50") << QStringLiteral("\uE815") << Encoding::Gb18030 << false;
    QTest::newRow("four-byte micro sign")
        << QByteArray("\x81\x30\x85\x38" "F") << QStringLiteral("\u00B5F") << Encoding::Gb18030 << false;
    QTest::newRow("four-byte U+20000")
        << QByteArray("\x95\x32\x82\x36") << QStringLiteral("\U00020000") << Encoding::Gb18030 << false;
    QTest::newRow("four-byte runs and GBK mixed")
        << QByteArray("\x81\x30\x85\x38\x94\x39\xfc\x36\xd6\xd0\x81\x30\x81\x30")
        << QStringLiteral("\u00B5\U0001F600中\u0080") << Encoding::Gb18030 << false;
    QTest::newRow("four-byte code of a private-use character reads as its radical")
        << QByteArray("\x83\x36\xc9\x34") << QStringLiteral("\u2E81") << Encoding::Gb18030 << false;
    QTest::newRow("four-byte byte-order mark is a character")
        << QByteArray("\x84\x31\x95\x33" "a") << QStringLiteral("\uFEFFa") << Encoding::Gb18030 << false;
    QTest::newRow("lead byte at the end") << QByteArray("a\xd6") << "a" + fffd << Encoding::Gb18030 << false;
    QTest::newRow("lead byte before a blank") << QByteArray("\x81 x") << fffd + " x" << Encoding::Gb18030
                                              << false;
    QTest::newRow("four-byte cut short")
        << QByteArray("\x81\x30\x20") << fffd + "0 " << Encoding::Gb18030 << false;
    QTest::newRow("four-byte cut short at the end")
        << QByteArray("\x81\x30\x81") << fffd + "0" + fffd << Encoding::Gb18030 << false;
    QTest::newRow("four-byte beyond the last code")
        << QByteArray("\x84\x31\xa5\x30" "a\xe3\x32\x9a\x36") << fffd + "a" + fffd << Encoding::Gb18030 << false;
    QTest::newRow("lone mark byte") << QByteArray("\xef") << fffd << Encoding::Gb18030 << false;
    QTest::newRow("two mark bytes") << QByteArray("\xef\xbb") << gbk("\xef\xbb") << Encoding::Gb18030 << false;
    QTest::newRow("lone FE") << QByteArray("\xfe") << fffd << Encoding::Gb18030 << false;
    QTest::newRow("UTF-8") << QByteArray("\xe5\xb0\x8f\n") << "小\n" << Encoding::Utf8 << false;
    QTest::newRow("UTF-8 cut short is GBK")
        << QByteArray("a\xe5\xb0") << gbk("a\xe5\xb0") << Encoding::Gb18030 << false;
    QTest::newRow("overlong UTF-8 is GBK") << QByteArray("\xc0\xaf") << gbk("\xc0\xaf") << Encoding::Gb18030
                                           << false;
    QTest::newRow("UTF-8 surrogate is GBK")
        << QByteArray("\xed\xa0\x80") << gbk("\xed\xa0\x80") << Encoding::Gb18030 << false;
    QTest::newRow("UTF-8 past U+10FFFF is GBK")
        << QByteArray("\xf4\x90\x80\x80") << gbk("\xf4\x90\x80\x80") << Encoding::Gb18030 << false;
    QTest::newRow("GBK after valid UTF-8")
        << QByteArray("\xe5\xb0\x8f\xd6\xd0") << "灏徶" + fffd << Encoding::Gb18030 << false;
    QTest::newRow("UTF-8 mark") << QByteArray("\xef\xbb\xbf" "a\r\n\xe5\xb0\x8f") << "a\n小" << Encoding::Utf8Bom
                                << false;
    QTest::newRow("UTF-8 mark only") << QByteArray("\xef\xbb\xbf") << QString() << Encoding::Utf8Bom << false;
    QTest::newRow("second mark is a character")
        << QByteArray("\xef\xbb\xbf\xef\xbb\xbf" "a") << QStringLiteral("\uFEFFa") << Encoding::Utf8Bom << false;
    QTest::newRow("bad bytes after a UTF-8 mark")
        << QByteArray("\xef\xbb\xbf" "a\xd6\xd0" "b") << "a" + fffd + fffd + "b" << Encoding::Utf8Bom << false;
    QTest::newRow("UTF-16 LE") << QByteArray("\xff\xfe\x2d\x4e\x0d\x00\x0a\x00", 8) << "中\n" << Encoding::Utf16Le
                               << false;
    QTest::newRow("UTF-16 BE") << QByteArray("\xfe\xff\x4e\x2d\x00\x0d", 6) << "中\n" << Encoding::Utf16Be
                               << false;
    QTest::newRow("UTF-16 pair") << QByteArray("\xff\xfe\x3d\xd8\x00\xde", 6) << QStringLiteral("\U0001F600")
                                 << Encoding::Utf16Le << false;
    QTest::newRow("UTF-16 lone halves and odd byte")
        << QByteArray("\xff\xfe\x3d\xd8" "a\x00\x00\xde" "b", 9) << fffd + "a" + fffd + fffd << Encoding::Utf16Le
        << false;
    QTest::newRow("UTF-16 high half at the end")
        << QByteArray("\xfe\xff\xd8\x3d", 4) << fffd << Encoding::Utf16Be << false;
    QTest::newRow("UTF-16 holds NUL, not binary")
        << QByteArray("\xff\xfe\x00\x00", 4) << QString(QChar(0)) << Encoding::Utf16Le << false;
    QTest::newRow("NUL is binary") << QByteArray("ab\0c", 4) << QString() << Encoding::Gb18030 << true;
    QTest::newRow("NUL after GBK is binary") << QByteArray("\xd6\xd0\0", 3) << QString() << Encoding::Gb18030
                                             << true;
    QTest::newRow("NUL after a UTF-8 mark is binary")
        << QByteArray("\xef\xbb\xbf\0", 4) << QString() << Encoding::Utf8Bom << true;
    QTest::newRow("UTF-16 without mark is binary")
        << QByteArray("a\0b\0", 4) << QString() << Encoding::Gb18030 << true;
}

void TestPlainText::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QFETCH(Encoding, encoding);
    QFETCH(bool, binary);

    const plaintext::Decoded whole = plaintext::decode(bytes);
    QCOMPARE(whole.binary, binary);
    QCOMPARE(whole.encoding, encoding);
    if (!binary)
        QCOMPARE(whole.text, expected);
    checkAllCuts(bytes, whole);
}

void TestPlainText::corpus_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Encoding>("encoding");

    QTest::newRow("gbk_crlf_article") << "gbk_crlf_article" << Encoding::Gb18030;
    QTest::newRow("gbk_crlf_short") << "gbk_crlf_short" << Encoding::Gb18030;
    QTest::newRow("utf8_bom_article") << "utf8_bom_article" << Encoding::Utf8Bom;
    QTest::newRow("utf8_nobom_article") << "utf8_nobom_article" << Encoding::Utf8;
    QTest::newRow("gb18030_4byte") << "gb18030_4byte" << Encoding::Gb18030;
}

void TestPlainText::corpus()
{
    QFETCH(QString, name);
    QFETCH(Encoding, encoding);

    QFile source(QDir(corpusFolder).filePath(name + ".txt"));
    QFile expectedFile(QDir(corpusFolder).filePath(name + ".expected.utf8.txt"));
    QVERIFY2(source.open(QIODevice::ReadOnly), qPrintable(source.fileName()));
    QVERIFY2(expectedFile.open(QIODevice::ReadOnly), qPrintable(expectedFile.fileName()));
    const QByteArray bytes = source.readAll();
    // The expected texts have LF line ends, one after every line.
    const QString expected = QString::fromUtf8(expectedFile.readAll());

    const plaintext::Decoded whole = plaintext::decode(bytes);
    QCOMPARE(whole.encoding, encoding);
    QVERIFY(!whole.binary);
    QCOMPARE(whole.text, expected);
    QCOMPARE(decodeInPieces(bytes, 1).text, expected);
    QCOMPARE(decodeInPieces(bytes, 3).text, expected);

    // Written back, the GBK files come out byte for byte as they were.
    if (name.startsWith(QLatin1String("gb")))
        QCOMPARE(plaintext::encode(whole.text), bytes);
}

void TestPlainText::decoderIsReusable()
{
    plaintext::Decoder decoder;
    decoder.feed(QByteArray("\xff\xfe\x2d", 3));
    decoder.feed(QByteArray("\x4e", 1));
    QCOMPARE(decoder.finish().text, QStringLiteral("中"));
    decoder.feed(QByteArray("a\0", 2));
    QVERIFY(decoder.finish().binary);
    decoder.feed(QByteArray("\xd6\xd0\r"));
    decoder.feed(QByteArray("\n"));
    const plaintext::Decoded third = decoder.finish();
    QCOMPARE(third.text, QStringLiteral("中\n"));
    QVERIFY(!third.binary);
    QCOMPARE(third.encoding, Encoding::Gb18030);
}

void TestPlainText::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("LF to CR LF") << "a\nb\n" << QByteArray("a\r\nb\r\n");
    QTest::newRow("CR LF stays one") << "a\r\nb" << QByteArray("a\r\nb");
    QTest::newRow("lone CR") << "a\rb" << QByteArray("a\r\nb");
    QTest::newRow("GBK") << "中文，" << QByteArray("\xd6\xd0\xce\xc4\xa3\xac");
    QTest::newRow("euro") << QStringLiteral("\u20AC") << QByteArray("\x80");
    QTest::newRow("private use at 0xFF") << QStringLiteral("\uF8F5") << QByteArray("\xff");
    QTest::newRow("private use at FE50") << QStringLiteral("\uE815") << QByteArray("\xfe\x50");
    QTest::newRow("radical U+2E81") << QStringLiteral("\u2E81") << QByteArray("\x83\x36\xc9\x34");
    QTest::newRow("micro sign") << QStringLiteral("\u00B5") << QByteArray("\x81\x30\x85\x38");
    QTest::newRow("emoji") << QStringLiteral("a\U0001F600b") << QByteArray("a\x94\x39\xfc\x36" "b");
    QTest::newRow("lone surrogates") << QString(QChar(0xD83D)) + "a" + QChar(0xDE00) << QByteArray("?a?");
    QTest::newRow("NUL") << QString(QChar(0)) << QByteArray("\0", 1);
}

void TestPlainText::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(plaintext::encode(text), expected);
}

void TestPlainText::codePageCharactersKeepTheirBytes()
{
    QString text;
    for (char32_t unit = 0x80; unit < 0x10000; ++unit) {
        const char16_t u = char16_t(unit);
        if (!QChar::isSurrogate(unit) && cp936::value(u) != cp936::Unrepresentable)
            text.append(QChar(u));
    }
    QVERIFY(text.size() > 21000);
    QCOMPARE(plaintext::encode(text), codepage::encode(codepage::Gbk, text));
}

void TestPlainText::everyCharacterRoundTrips()
{
    QString text;
    for (char32_t unit = 1; unit < 0x10000; ++unit) {
        if (!QChar::isSurrogate(unit) && unit != u'\r')
            text.append(QChar(char16_t(unit)));
    }
    for (char32_t astral : {0x10000u, 0x1F600u, 0x20BB7u, 0x10FFFFu})
        text.append(QString::fromUcs4(&astral, 1));

    const QByteArray bytes = plaintext::encode(text);
    const plaintext::Decoded decoded = plaintext::decode(bytes);
    QCOMPARE(decoded.encoding, Encoding::Gb18030);
    // The one LF comes back as the only line end, the rest unchanged.
    QCOMPARE(decoded.text, text);
    QCOMPARE(decodeInPieces(bytes, 5).text, text);
}

QTEST_APPLESS_MAIN(TestPlainText)
#include "tst_plaintext.moc"
