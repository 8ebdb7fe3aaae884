#include "text/codepage.h"
#include "text/cp936.h"
#include "text/plaintext.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTest>

using namespace bilan;
using plaintext::Encoding;

Q_DECLARE_METATYPE(plaintext::Encoding)

namespace {

const QString corpusFolder = QStringLiteral("../shared/rtf-corpus/text");

QByteArray contents(const QString &name)
{
    QFile file(QDir(corpusFolder).filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable " + name.toUtf8() + '>');
}

// Every decoding of the same bytes must agree, however they were cut: in
// pieces of 1, 2, 3, 5 and 7 bytes, then of random sizes, with empty ones
// between. One decoder serves them all, so that whatever one use left
// behind in it would show in the next.
void checkAllCuts(QByteArrayView bytes, const plaintext::Decoded &whole)
{
    static plaintext::Decoder decoder;
    const int sizes[] = {1, 2, 3, 5, 7};
    QRandomGenerator random(4011);
    for (int round = 0; round < 25; ++round) {
        for (qsizetype at = 0, size = 0; at < bytes.size(); at += size) {
            size = std::min<qsizetype>(round < 5 ? sizes[round] : random.bounded(1, 12), bytes.size() - at);
            decoder.feed({});
            decoder.feed(bytes.sliced(at, size));
        }
        const plaintext::Decoded pieces = decoder.finish();
        QCOMPARE(pieces.text, whole.text);
        QCOMPARE(pieces.encoding, whole.encoding);
        QCOMPARE(pieces.binary, whole.binary);
    }
}

} // namespace

class TestPlainText final : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void encode();
};

void TestPlainText::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<bool>("binary");
    using enum Encoding;
    const QString x(QChar(0xFFFD));
    const auto gbk = [](const char *bytes) { return codepage::decode(codepage::Gbk, bytes); };
    const auto hex = [](const char *digits) { return QByteArray::fromHex(digits); };
    const auto row = [](const char *tag, QByteArray bytes, QString text, Encoding e = Gb18030, bool binary = false) {
        QTest::newRow(tag) << bytes << text << e << binary;
    };

    row("empty", {}, {});
    row("CR, LF, CR LF, CR CR LF, LF CR, CR at the end", "a\rb\nc\r\nd\r\r\ne\n\rf\r", "a\nb\nc\nd\n\ne\n\nf\n");
    row("GBK single bytes 0x80 and 0xFF", "5\x80\xff", QStringLiteral("5\u20AC\uF8F5"));
    row("FE50 as code page 936 reads it", "\xfe\x50", QStringLiteral("\uE815"));
    row("four-byte runs, GBK mixed", hex("813085389439fc36d6d081308130"), QStringLiteral("\u00B5\U0001F600中\u0080"));
    row("four-byte code of a private-use character is its radical", "\x83\x36\xc9\x34", QStringLiteral("\u2E81"));
    row("four-byte byte-order mark is a character", "\x84\x31\x95\x33" "a", QStringLiteral("\uFEFFa"));
    row("lead byte before a blank", "\x81 x", x + " x");
    row("four-byte with a bad third byte", "\x81\x30\x20\x20", x + "0  ");
    row("four-byte and lead byte cut short at the end", "\x81\x30\x81", x + "0" + x);
    row("four-byte beyond the last code", "\x84\x31\xa5\x30" "a\xe3\x32\x9a\x36", x + "a" + x);
    row("two mark bytes", "\xef\xbb", gbk("\xef\xbb"));
    row("UTF-8 cut short is GBK", "a\xe5\xb0", gbk("a\xe5\xb0"));
    row("overlong UTF-8 is GBK", "\xc0\xaf", gbk("\xc0\xaf"));
    row("UTF-8 surrogate is GBK", "\xed\xa0\x80", gbk("\xed\xa0\x80"));
    row("UTF-8 past U+10FFFF is GBK", "\xf4\x90\x80\x80", gbk("\xf4\x90\x80\x80"));
    row("GBK after valid UTF-8", "\xe5\xb0\x8f\xd6\xd0", "灏徶" + x);
    row("UTF-8 mark only", "\xef\xbb\xbf", {}, Utf8Bom);
    row("second mark is a character", "\xef\xbb\xbf\xef\xbb\xbf" "a", QStringLiteral("\uFEFFa"), Utf8Bom);
    row("bad bytes after a UTF-8 mark", "\xef\xbb\xbf" "a\xd6\xd0" "b", "a" + x + x + "b", Utf8Bom);
    row("UTF-16 LE", hex("fffe2d4e0d000a00"), "中\n", Utf16Le);
    row("UTF-16 BE, high half at the end", hex("feff4e2d000dd83d"), "中\n" + x, Utf16Be);
    row("UTF-16 pair, lone halves, odd byte", hex("fffe3dd800de3dd8610000de62"),
        QStringLiteral("\U0001F600") + x + "a" + x + x, Utf16Le);
    row("UTF-16 holds NUL, not binary", hex("fffe0000"), QString(QChar(0)), Utf16Le);
    row("UTF-16 without mark is binary", hex("61006200"), {}, Gb18030, true);
    row("NUL after GBK is binary", hex("d6d000"), {}, Gb18030, true);
    row("NUL after a UTF-8 mark is binary", hex("efbbbf00"), {}, Utf8Bom, true);

    // Every manuscript of the corpus (GBK, UTF-8 with and without a mark, GB18030).
    // The expected texts have LF line ends, one after every line.
    const QHash<QString, Encoding> encodings{
        {"gbk", Gb18030}, {"gb18030", Gb18030}, {"utf-8", Utf8}, {"utf-8 with BOM", Utf8Bom}};
    for (const QByteArray &line : contents(QStringLiteral("manifest.jsonl")).trimmed().split('\n')) {
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        const QString file = entry["file"].toString();
        QVERIFY2(file.endsWith(".txt") && encodings.contains(entry["encoding"].toString()), line.constData());
        row(qPrintable(file), contents(file), QString::fromUtf8(contents(file.chopped(4) + ".expected.utf8.txt")),
            encodings[entry["encoding"].toString()]);
    }
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
    // Undamaged GB text is written back as it was read, with CR LF line ends.
    if (encoding == Encoding::Gb18030 && !binary && !expected.contains(QChar(0xFFFD)))
        QCOMPARE(plaintext::encode(whole.text),
                 QByteArray(bytes).replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n"));
}

void TestPlainText::encode()
{
    QCOMPARE(plaintext::encode(QString(QChar(0)) + "a\nb\r\nc\rd"), QByteArray("\0a\r\nb\r\nc\r\nd", 11));
    QCOMPARE(plaintext::encode(QString(QChar(0xD83D)) + "a" + QChar(0xDE00)), QByteArray("?a?"));

    // Every character code page 936 has keeps its bytes there.
    QString text;
    for (char32_t unit = 0x80; unit < 0x10000; ++unit) {
        if (!QChar::isSurrogate(unit) && cp936::value(char16_t(unit)) != cp936::Unrepresentable)
            text.append(QChar(char16_t(unit)));
    }
    QVERIFY(text.size() > 21000);
    QCOMPARE(plaintext::encode(text), codepage::encode(codepage::Gbk, text));

    // Every character comes back from the bytes written.
    text.clear();
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
    checkAllCuts(bytes, decoded);
}

QTEST_APPLESS_MAIN(TestPlainText)
#include "tst_plaintext.moc"
