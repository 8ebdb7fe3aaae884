// Delimited-field reading of the small data files, and how their bytes
// become text.

#include "support/files.h"
#include "text/fields.h"
#include "text/plaintext.h"

#include <QTemporaryDir>
#include <QTest>

using namespace bilan;

namespace {

// "E" for empty, "N:<number>" and "T:<text>", so a table row can say both
// the kind and the value; "-" when the read gave nothing.
QString describe(const std::optional<fields::Value> &value)
{
    if (!value)
        return QStringLiteral("-");
    if (const double *number = std::get_if<double>(&*value))
        return "N:" + QString::number(*number);
    const QString *text = std::get_if<QString>(&*value);
    return text ? "T:" + *text : QStringLiteral("E");
}

} // namespace

class TestFields final : public QObject
{
    Q_OBJECT

private slots:
    void reads_data()
    {
        QTest::addColumn<bool>("asValues");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QStringList>("expected"); // as values: "E" empty, "N:" number, "T:" text
        const auto text = [](const char *tag, const QString &data, const QStringList &fields) {
            QTest::newRow(tag) << false << data << fields;
        };
        text("nothing", QString(), {});
        // LF, lone CR, CR LF twice, a blank line, LF CR, no line end at the end.
        text("line ends", "a\nb\rc\r\n\r\n \t \r\nd\n\re", {"a", "b", "c", "", "", "d", "", "e"});
        text("blanks; full-width commas and quotes are text", " \t x \t,\" a \",  \"y\",甲，乙“丙”\r\n",
             {"x \t", " a ", "y", "甲，乙“丙”"});
        text("blanks at the end are the field's own", "abc \r\n电阻  ,x\t\n \r\n", {"abc ", "电阻  ", "x\t", ""});
        text("quoted, then junk to the comma or line end", "\"a,b\"junk,\"c\" x\r\n\"d\r\ne\"\r\nf",
             {"a,b", "c", "d\r\ne", "f"});
        text("quotes inside unquoted, unclosed quote", "ab\"c,d\",\"e,f\r\ng", {"ab\"c", "d\"", "e,f\r\ng"});
        text("empty fields: first, between commas, before a line end, last", ",a,,\r\nb,", {"", "a", "", "", "b", ""});
        text("author record", "\"张三\",\"北京市, 海淀区\",\"100080\",\"\",\"\",\"a@b.cn\",\"\"\r\n",
             {"张三", "北京市, 海淀区", "100080", "", "", "a@b.cn", ""});
        QTest::newRow("numbers") << true << "12,-3.5,+.5,7.,1e3,2E-1,  7 \t\r\n"
                                 << QStringList{"N:12", "N:-3.5", "N:0.5", "N:7", "N:1000", "N:0.2", "N:7"};
        QTest::newRow("quoted is text") << true << "\"12\",\" \",\",\",,\"\"" << QStringList{"T:12", "T: ", "T:,", "E", "T:"};
        QTest::newRow("not numbers") << true << "abc,12abc,1e,.,-,1.2.3,１"
                                     << QStringList{"T:abc", "T:12abc", "T:1e", "T:.", "T:-", "T:1.2.3", "T:１"};
    }

    void reads()
    {
        QFETCH(bool, asValues);
        QFETCH(QString, data);
        QFETCH(QStringList, expected);
        fields::Reader reader(data);
        QStringList got;
        while (!reader.atEnd() && got.size() <= expected.size())
            got.append(asValues ? describe(reader.nextValue()) : reader.nextText().value_or("<atEnd() lied>"));
        QCOMPARE(got, expected);
        // The end stays the end, and is not an empty field.
        QVERIFY(!reader.nextText() && !reader.nextValue());
    }

    void mixedReads()
    {
        // The exempt-character file: values across lines, then one field always
        // as text; the rest is not read.
        fields::Reader reader(QStringLiteral("\"的\",5,,长文字,\"，\"\r\n\" \",1.5,\"人\"\r\n12,\"多余\"\r\n"));
        QStringList got;
        for (int i = 0; i < 8; ++i)
            got.append(describe(reader.nextValue()));
        got.append(reader.nextText().value_or("-"));
        QCOMPARE(got, (QStringList{"T:的", "N:5", "E", "T:长文字", "T:，", "T: ", "N:1.5", "T:人", "12"}));
        QVERIFY(!reader.atEnd());
    }

    void dataFileBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const auto hex = [](const char *digits) { return QByteArray::fromHex(digits); };

        QTest::newRow("GBK") << QByteArray("\"\xd5\xc5\xc8\xfd\",\"\xa3\xac\"\r\n") << QStringLiteral("\"张三\",\"，\"\n");
        // Well-formed UTF-8 as well, as "СӢ".
        QTest::newRow("password 小英") << QByteArray("\xd0\xa1\xd3\xa2\r\n") << QStringLiteral("小英\n");
        // 小, 印, 选, 英, 省, 住, 注 and 失: every field also well-formed UTF-8.
        QTest::newRow("exempt characters that look like UTF-8")
            << hex("22d0a1222c22d3a1222c22d1a1222c22d3a2222c22caa1222c22d7a1222c22d7a2222c22caa7220d0a")
            << QStringLiteral("\"小\",\"印\",\"选\",\"英\",\"省\",\"住\",\"注\",\"失\"\n");
        QTest::newRow("UTF-8 without a mark is GB") << QByteArray("\xe5\xb0\x8f,a") << QStringLiteral("灏\uFFFD,a");
        QTest::newRow("UTF-8 mark") << QByteArray("\xef\xbb\xbf\xe5\xb0\x8f\r\n") << QStringLiteral("小\n");
        QTest::newRow("UTF-16 LE mark") << hex("fffe0f5c2c000d000a00") << QStringLiteral("小,\n");
        QTest::newRow("UTF-16 BE mark") << hex("feff5c0f002c") << QStringLiteral("小,");
        QTest::newRow("NUL kept") << QByteArray("a\0b\r\n", 5) << QStringLiteral("a") + QChar(0) + "b\n";
    }

    void dataFileBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(fields::decodeDataFile(bytes), expected);
    }

    void storedLineReadsBack_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("blanks at the end") << QStringLiteral("天线 \t ");
        QTest::newRow("characters that look like UTF-8") << QStringLiteral("小英选注 ");
        QTest::newRow("empty") << QString();
    }

    void storedLineReadsBack()
    {
        // Written as the phrase and password files are, one line in the
        // system code page, then read by the first-field rule.
        QFETCH(QString, value);
        fields::Reader reader(fields::decodeDataFile(plaintext::encode(value + "\n")));
        QCOMPARE(reader.nextText(), std::optional<QString>(value));
        QVERIFY(reader.atEnd());
    }

    void dataFiles()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QCOMPARE(fields::readDataFile(dir.filePath(QStringLiteral("none.txt"))).status, fields::FileStatus::Missing);
        QCOMPARE(fields::readDataFile(QString()).status, fields::FileStatus::Missing);
        QCOMPARE(fields::readDataFile(dir.path()).status, fields::FileStatus::Unreadable);

        const QString path = dir.filePath(QStringLiteral("author.txt"));
        QVERIFY(test::writeFile(path, "\"\xd5\xc5\xc8\xfd\",\xd0\xa1\xd3\xa2 \r\n"));
        const fields::DataFile read = fields::readDataFile(path);
        QCOMPARE(read.status, fields::FileStatus::Ok);
        QCOMPARE(read.text, QStringLiteral("\"张三\",小英 \n"));

        // Only the first mebibyte is read.
        QVERIFY(test::writeFile(path, QByteArray(3 * 1024 * 1024, 'x')));
        QCOMPARE(fields::readDataFile(path).text.size(), 1024 * 1024);
    }
};

QTEST_APPLESS_MAIN(TestFields)
#include "tst_fields.moc"
