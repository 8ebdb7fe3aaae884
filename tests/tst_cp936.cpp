// Code-936 values of characters and back: the tables against the
// platform's converter, and the conversions of whole texts.

#include "text/codepage.h"
#include "text/cp936.h"

#include <QTest>

using namespace bilan;

// The value of a double-byte code, lead byte first.
constexpr int code(std::uint16_t bytes) { return std::int16_t(bytes); }

class TestCp936 final : public QObject
{
    Q_OBJECT

private slots:
    void valueAndCharacter_data()
    {
        // A character and its value, both ways; 63 only from the character, and
        // no character (-1) for a value outside 16 bits. Values inside them that
        // name nothing are tablesMatchTheConverter's.
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("value");

        QTest::newRow("private use at 0xFF") << 0xF8F5 << 255;
        QTest::newRow("first code 8140") << 0x4E02 << code(0x8140);
        QTest::newRow("last code FEFE") << 0xE4C5 << code(0xFEFE);
        QTest::newRow("middle dot U+00B7") << 0x00B7 << code(0xA1A4);
        QTest::newRow("katakana middle dot") << 0x30FB << 63;
        QTest::newRow("em dash") << 0x2014 << code(0xA1AA);
        QTest::newRow("horizontal bar") << 0x2015 << code(0xA844);
        QTest::newRow("user-defined area") << 0xE000 << code(0xAAA1);
        QTest::newRow("micro sign, GB18030 only") << 0x00B5 << 63;
        QTest::newRow("soft hyphen, dropped by the converter") << 0x00AD << 63;
        QTest::newRow("32768, out of range") << -1 << 32768;
        QTest::newRow("-32769, out of range") << -1 << -32769;
    }

    void valueAndCharacter()
    {
        QFETCH(int, unit);
        QFETCH(int, value);
        if (unit >= 0)
            QCOMPARE(int(cp936::value(char16_t(unit))), value);
        if (value != cp936::Unrepresentable)
            QCOMPARE(int(cp936::character(value)), unit >= 0 ? unit : int(cp936::Replacement));
    }

    void tablesMatchTheConverter()
    {
        // The tables come from one big conversion cut at separators; a slip in
        // the cutting would shift every value after it.
        QStringList wrong;
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            const char16_t u = char16_t(unit);
            const QByteArray bytes = QChar::isSurrogate(unit) ? QByteArray() : codepage::encode(codepage::Gbk, {&u, 1});
            const int expected = bytes.size() == 1 ? std::uint8_t(bytes[0])
                : bytes.size() == 2 ? code(std::uint8_t(bytes[0]) << 8 | std::uint8_t(bytes[1])) : cp936::Unrepresentable;
            if (cp936::value(u) != expected)
                wrong.append(QStringLiteral("U+%1 is %2").arg(unsigned(unit), 0, 16).arg(cp936::value(u)));
        }
        // Every value that names a character is that character's value, and its
        // bytes read as the character: the ASCII bytes, 0x80, 0xFF and every
        // double-byte code (lead 81 to FE, trail 40 to FE but 7F).
        int named = 0;
        for (int value = -32768; value < 32768; ++value) {
            const char16_t c = cp936::character(value);
            if (c == cp936::Replacement)
                continue;
            ++named;
            if (cp936::value(c) != value || codepage::decode(codepage::Gbk, cp936::bytes(std::int16_t(value))) != QChar(c))
                wrong.append(QStringLiteral("%1 does not come back").arg(std::uint16_t(value), 0, 16));
        }
        QCOMPARE(wrong, QStringList());
        QCOMPARE(named, 0x80 + 2 + 126 * 190);
    }

    // One value per unit, as the word count reads them: a character outside
    // the Basic Multilingual Plane is two units, each 63. As many as fit are
    // written, and no more.
    void texts()
    {
        const QString text = QStringLiteral("a中\u20AC\U0001F600，");
        std::array<std::int16_t, 7> out{{0, 0, 0, 0, 0, 0, 7}};
        cp936::values(text, std::span<std::int16_t>(out).first(6));
        QCOMPARE(out, (std::array<std::int16_t, 7>{{97, code(0xD6D0), 128, 63, 63, code(0xA3AC), 7}}));
        out.fill(0);
        cp936::values(text, std::span<std::int16_t>(out).first(2));
        QCOMPARE(out, (std::array<std::int16_t, 7>{{97, code(0xD6D0), 0, 0, 0, 0, 0}}));
    }
};

QTEST_APPLESS_MAIN(TestCp936)
#include "tst_cp936.moc"
