// Plain-text manuscripts: decoding by byte-order mark and by likelihood,
// whole and in pieces, and the bytes written back.

#include "support/files.h"
#include "text/codepage.h"
#include "text/plaintext.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>

using namespace bilan;
using plaintext::Encoding;

Q_DECLARE_METATYPE(plaintext::Encoding)

namespace {

const QString corpusFolder = QStringLiteral("../shared/rtf-corpus/text");

const QString article = QStringLiteral(
    "本文介绍一款简单易制的声光控制楼道灯电路，它白天不亮，夜间有人走过或者发出声音时自动点亮，"
    "延时约一分钟后自行熄灭，既方便又省电，很适合初学者动手制作。一、工作原理：交流电经二极管整流后，"
    "由电阻降压、电容滤波并经稳压管稳压，得到约十二伏的直流电压，供给整个控制电路使用。白天光敏电阻受到光照，"
    "阻值很小，与非门的一个输入端保持低电平，无论有没有声音，输出端都不会翻转，电灯始终熄灭。夜间光敏电阻阻值变大，"
    "这时驻极体话筒拾取到脚步声或者拍手声，经三极管放大后送到与非门，使单向可控硅导通，电灯点亮。\n"
    "二、制作与调试：全部元件焊接在一块小小的印制电路板上，装入塑料外壳即可。调试时只需改变定时电容的容量，就能调整点亮时间的长短。\n");

QByteArray contents(const QString &name) { return test::readFile(QDir(corpusFolder).filePath(name)); }

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
    void decode_data()
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
        // Bytes that are both UTF-8 and GB go to the likelier reading.
        const auto gb = [](const QString &text) { return codepage::encode(codepage::Gbk, text); };
        row("小英 in GBK (UTF-8 would be СӢ)", gb("小英"), "小英");
        row("article in GBK", gb(article).replace("\n", "\r\n"), article);
        row("article in UTF-8", article.toUtf8(), article, Utf8);
        row("小英 in UTF-8", QString("小英").toUtf8(), "小英", Utf8);
        row("Russian in UTF-8", QString("Привет, мир").toUtf8(), "Привет, мир", Utf8);
        row("accented Latin words in UTF-8", QString("café résumé").toUtf8(), "café résumé", Utf8);
        row("accent not after a Latin letter is GB", gb("2媒 r"), "2媒 r");
        row("UTF-8 that is as much everyday GB reads as GB", QString("да").toUtf8(),
            codepage::decode(codepage::Gbk, QString("да").toUtf8()));
        row("a character beyond GB2312 decides for UTF-8", hex("c380c3a9"), "Àé", Utf8);
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

    void decode()
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

    void encode()
    {
        QCOMPARE(plaintext::encode(QString(QChar(0)) + "a\nb\r\nc\rd"), QByteArray("\0a\r\nb\r\nc\r\nd", 11));
        QCOMPARE(plaintext::encode(QString(QChar(0xD83D)) + "a" + QChar(0xDE00)), QByteArray("?a?"));

        // Every character comes back from the bytes written. (That those of
        // code page 936 are written as its bytes is the GB rows of decode.)
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
        checkAllCuts(bytes, decoded);
    }

    void writtenTextReadsBack_data()
    {
        QTest::addColumn<bool>("alsoUtf8Only");
        QTest::addColumn<bool>("withAscii");
        QTest::newRow("GB2312 characters with ASCII") << false << true;
        QTest::newRow("characters whose bytes are also UTF-8, with ASCII") << true << true;
        QTest::newRow("characters whose bytes are also UTF-8, alone") << true << false;
    }

    // Random texts of the kind an author writes, saved as the editor saves
    // them, must read back as they were: runs of one to four Chinese
    // characters, with ASCII words, part numbers, blanks, punctuation and line
    // ends between them or not. The hard cases are the characters whose two
    // GBK bytes are also one UTF-8 character (小 is D0 A1, UTF-8's С).
    void writtenTextReadsBack()
    {
        QFETCH(bool, alsoUtf8Only);
        QFETCH(bool, withAscii);

        QString pool;
        for (int lead = 0xB0; lead <= 0xF7; ++lead) {
            for (int trail = 0xA1; trail <= 0xFE; ++trail) {
                if (alsoUtf8Only && (lead < 0xC2 || lead > 0xDF || trail > 0xBF))
                    continue;
                const char pair[2] = {char(lead), char(trail)};
                const QString character = codepage::decode(codepage::Gbk, QByteArrayView(pair, 2));
                if (character.size() == 1 && character[0].script() == QChar::Script_Han)
                    pool.append(character);
            }
        }
        QVERIFY(pool.size() >= (alsoUtf8Only ? 600 : 6763));
        const QStringList ascii{"R1", "10k", "LED", "CD4011", "V", "a", "Hz", "9013", " ", ", ", ".", "(", ")", "\n"};

        constexpr int Texts = 3000;
        QRandomGenerator random(250611);
        int wellFormedUtf8 = 0;
        for (int i = 0; i < Texts; ++i) {
            QString text;
            const int wanted = random.bounded(3, 30);
            for (int chinese = 0; chinese < wanted;) {
                if (withAscii && random.bounded(2))
                    text += ascii[random.bounded(ascii.size())];
                for (int run = random.bounded(1, 5); run > 0; --run, ++chinese)
                    text += pool[random.bounded(pool.size())];
            }
            const QByteArray bytes = plaintext::encode(text);
            QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
            (void)utf8.decode(bytes);
            wellFormedUtf8 += !utf8.hasError();

            const plaintext::Decoded read = plaintext::decode(bytes);
            QVERIFY2(read.text == text, qPrintable(QString("text %1: %2 read as %3").arg(i).arg(text, read.text)));
            QCOMPARE(read.encoding, Encoding::Gb18030);
            if (i % 16 == 0)
                checkAllCuts(bytes, read);
        }
        // The texts really were ones that UTF-8 could claim.
        if (alsoUtf8Only)
            QCOMPARE(wellFormedUtf8, Texts);
    }
};

QTEST_APPLESS_MAIN(TestPlainText)
#include "tst_plaintext.moc"
