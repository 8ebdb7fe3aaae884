#include "text/fields.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace bilan;

namespace {

QStringList readAllText(const QString &text)
{
    fields::Reader reader(text);
    QStringList out;
    while (const std::optional<QString> field = reader.nextText())
        out.append(*field);
    return out;
}

// "E" for empty, "N:<number>" and "T:<text>", so a table row can say both
// the kind and the value.
QString describe(const fields::Value &value)
{
    if (std::holds_alternative<fields::Empty>(value))
        return QStringLiteral("E");
    if (const double *number = std::get_if<double>(&value))
        return QStringLiteral("N:") + QString::number(*number);
    return QStringLiteral("T:") + std::get<QString>(value);
}

} // namespace

class TestFields final : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void values_data();
    void values();
    void exemptCharacterFile();
    void mixedReads();
    void dataFileBytes_data();
    void dataFileBytes();
    void readDataFile();
};

void TestFields::text_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("nothing") << QString() << QStringList();
    QTest::newRow("commas and CR LF") << "a,b,c\r\n" << QStringList{"a", "b", "c"};
    QTest::newRow("LF") << "a\nb\n" << QStringList{"a", "b"};
    QTest::newRow("lone CR") << "a\rb\r" << QStringList{"a", "b"};
    QTest::newRow("CR LF is one line end") << "a\r\n\r\nb" << QStringList{"a", "", "b"};
    QTest::newRow("LF CR is two") << "a\n\rb" << QStringList{"a", "", "b"};
    QTest::newRow("empty line") << "\r\n" << QStringList{""};
    QTest::newRow("blank line") << " \t \r\n" << QStringList{""};
    QTest::newRow("missing last line end") << "a\r\nb" << QStringList{"a", "b"};
    QTest::newRow("leading blanks") << " \t x\r\n" << QStringList{"x"};
    QTest::newRow("trailing blanks") << "x \t,y  \r\n" << QStringList{"x", "y"};
    QTest::newRow("quoted with comma") << "\"a,b\",c" << QStringList{"a,b", "c"};
    QTest::newRow("quoted keeps blanks") << "\" a \"" << QStringList{" a "};
    QTest::newRow("blanks before quote") << "  \"x\"" << QStringList{"x"};
    QTest::newRow("after closing quote") << "\"a\"junk,b" << QStringList{"a", "b"};
    QTest::newRow("after closing quote to line end") << "\"a\" x\r\nb" << QStringList{"a", "b"};
    QTest::newRow("quoted across lines") << "\"a\r\nb\"\r\nc" << QStringList{"a\r\nb", "c"};
    QTest::newRow("unclosed quote") << "\"abc,d\r\ne" << QStringList{"abc,d\r\ne"};
    QTest::newRow("quote inside unquoted") << "ab\"c,d\"" << QStringList{"ab\"c", "d\""};
    QTest::newRow("trailing comma") << "a," << QStringList{"a", ""};
    QTest::newRow("comma then line end") << "a,\r\nb" << QStringList{"a", "", "b"};
    QTest::newRow("commas only") << ",," << QStringList{"", "", ""};
    QTest::newRow("full-width comma and quotes are text")
        << "甲，乙“丙”\r\n" << QStringList{"甲，乙“丙”"};
    QTest::newRow("author record")
        << "\"张三\",\"北京市, 海淀区\",\"100080\",\"\",\"\",\"a@b.cn\",\"\"\r\n"
        << QStringList{"张三", "北京市, 海淀区", "100080", "", "", "a@b.cn", ""};
}

void TestFields::text()
{
    QFETCH(QString, data);
    QFETCH(QStringList, expected);

    fields::Reader reader(data);
    QStringList got;
    while (!reader.atEnd()) {
        const std::optional<QString> field = reader.nextText();
        QVERIFY2(field, "atEnd() said more was to come");
        got.append(*field);
    }
    QCOMPARE(got, expected);
    // The end stays the end, and is not an empty field.
    QVERIFY(!reader.nextText());
    QVERIFY(!reader.nextValue());
    QCOMPARE(readAllText(data), expected);
}

void TestFields::values_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("integer") << "12" << QStringList{"N:12"};
    QTest::newRow("signs and decimals") << "-3.5,+.5,7." << QStringList{"N:-3.5", "N:0.5", "N:7"};
    QTest::newRow("exponent") << "1e3,2E-1" << QStringList{"N:1000", "N:0.2"};
    QTest::newRow("blanks around a number") << "  7 \t\r\n" << QStringList{"N:7"};
    QTest::newRow("quoted number is text") << "\"12\"" << QStringList{"T:12"};
    QTest::newRow("quoted digit, blank, comma") << "\"1\",\" \",\",\"" << QStringList{"T:1", "T: ", "T:,"};
    QTest::newRow("empty and empty quoted") << ",\"\"" << QStringList{"E", "T:"};
    QTest::newRow("empty line") << "\r\nx" << QStringList{"E", "T:x"};
    QTest::newRow("not numbers")
        << "abc,12abc,1e,.,-,1.2.3,１"
        << QStringList{"T:abc", "T:12abc", "T:1e", "T:.", "T:-", "T:1.2.3", "T:１"};
    QTest::newRow("one character") << "小,!" << QStringList{"T:小", "T:!"};
}

void TestFields::values()
{
    QFETCH(QString, data);
    QFETCH(QStringList, expected);

    fields::Reader reader(data);
    QStringList got;
    while (const std::optional<fields::Value> value = reader.nextValue())
        got.append(describe(*value));
    QCOMPARE(got, expected);
}

void TestFields::exemptCharacterFile()
{
    // Fourteen values of any kind and a fifteenth always as text; the rest
    // is not read.
    const QString data = QStringLiteral("\"的\",\"了\",5,,\"5\",长文字,\"，\"\r\n"
                                        "\" \",\",\",是,在,有,1.5,\"人\"\r\n"
                                        "12,\"多余\"\r\n");
    fields::Reader reader(data);
    QStringList got;
    for (int i = 0; i < 14; ++i) {
        const std::optional<fields::Value> value = reader.nextValue();
        QVERIFY(value);
        got.append(describe(*value));
    }
    const std::optional<QString> last = reader.nextText();
    QVERIFY(last);
    got.append(QStringLiteral("T:") + *last);
    QCOMPARE(got, (QStringList{"T:的", "T:了", "N:5", "E", "T:5", "T:长文字", "T:，", "T: ", "T:,", "T:是",
                               "T:在", "T:有", "N:1.5", "T:人", "T:12"}));
    QVERIFY(!reader.atEnd());
}

void TestFields::mixedReads()
{
    // The password file: its first field, whatever follows.
    fields::Reader reader(QStringLiteral("  Secret,2\r\n"));
    QCOMPARE(reader.nextText(), std::optional<QString>(QStringLiteral("Secret")));
    QCOMPARE(reader.nextValue(), std::optional<fields::Value>(2.0));
    QVERIFY(reader.atEnd());
}

void TestFields::dataFileBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("code page 936") << QByteArray("\"\xd5\xc5\xc8\xfd\",\"\xa3\xac\"\r\n")
                                   << QStringLiteral("\"张三\",\"，\"\n");
    QTest::newRow("UTF-8 with mark") << QByteArray("\xef\xbb\xbf\xe5\xb0\x8f\r\n") << QStringLiteral("小\n");
    QTest::newRow("UTF-8 without mark") << QByteArray("\xe5\xb0\x8f,a") << QStringLiteral("小,a");
    QTest::newRow("NUL kept") << QByteArray("a\0b\r\n", 5) << QString(QStringLiteral("a") + QChar(0) + "b\n");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestFields::dataFileBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(fields::decodeDataFile(bytes), expected);
}

void TestFields::readDataFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    const fields::DataFile missing = fields::readDataFile(dir.filePath(QStringLiteral("none.txt")));
    QCOMPARE(missing.status, fields::FileStatus::Missing);
    QCOMPARE(fields::readDataFile(QString()).status, fields::FileStatus::Missing);
    QCOMPARE(fields::readDataFile(dir.path()).status, fields::FileStatus::Unreadable);

    const QString path = dir.filePath(QStringLiteral("author.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\"\xd5\xc5\xc8\xfd\",\"\"\r\n");
    file.close();
    const fields::DataFile read = fields::readDataFile(path);
    QCOMPARE(read.status, fields::FileStatus::Ok);
    QCOMPARE(readAllText(read.text), (QStringList{"张三", ""}));

    // Only the first mebibyte is read.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(3 * 1024 * 1024, 'x'));
    file.close();
    QCOMPARE(fields::readDataFile(path).text.size(), 1024 * 1024);
}

QTEST_APPLESS_MAIN(TestFields)
#include "tst_fields.moc"
