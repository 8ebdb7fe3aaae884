// The manuscript cipher without a window: the ring over code page 936 and
// the shift of a formatted document in place.

#include "protect/documentcipher.h"
#include "protect/shiftcipher.h"
#include "text/cp936.h"
#include "text/rtf/rtfreader.h"

#include <QtGui>
#include <QtTest>

#include <bitset>

using namespace bilan;
using namespace bilan::protect;

namespace {

const QString kPunctuation = QStringLiteral("，。、；：？“”‘’（）《》—"); // the shipped file's

QString units(std::initializer_list<char16_t> list)
{
    return QString(reinterpret_cast<const QChar *>(list.begin()), qsizetype(list.size()));
}

} // namespace

class TestShiftCipher final : public QObject
{
    Q_OBJECT

private slots:
    void ringOverEveryCharacter_data()
    {
        QTest::addColumn<QString>("exempt");
        QTest::newRow("built-in only") << QString();
        QTest::newRow("neighbours and the ring's ends")
            << kPunctuation + u"abc长偿"_qs + units({0xE4C5, 0, 0xF8F5, 0x4E02});
    }

    // Over every 16-bit unit: encrypt and decrypt are each other's inverse and
    // a bijection; a ring character moves to its nearest ring neighbour by
    // value, which is exactly one code lower / higher wherever that
    // neighbour is in the ring; everything else stays.
    void ringOverEveryCharacter()
    {
        QFETCH(QString, exempt);
        const ShiftCipher cipher(exempt);
        std::bitset<0x10000> kept, images;
        for (QChar c : builtInExemptCharacters().toString() + exempt + u'\r')
            kept.set(c.unicode());
        const auto inRing = [&kept](int value) {
            const char16_t c = cp936::character(value);
            return c != cp936::Replacement && cp936::value(c) == value && !kept.test(c);
        };
        const auto step = [](int value, int by) {
            return value + by > 32767 ? -32768 : value + by < -32768 ? 32767 : value + by;
        };

        int moved = 0;
        for (int u = 0; u < 0x10000; ++u) {
            const char16_t e = cipher.shift(char16_t(u), Direction::Encrypt);
            const char16_t d = cipher.shift(char16_t(u), Direction::Decrypt);
            QCOMPARE(int(cipher.shift(e, Direction::Decrypt)), u);
            QCOMPARE(int(cipher.shift(d, Direction::Encrypt)), u);
            QVERIFY(!images.test(e));
            images.set(e);
            const int value = cp936::value(char16_t(u));
            if (cp936::character(value) != u || !inRing(value)) {
                QCOMPARE(int(e), u); // outside the ring: unchanged both ways
                QCOMPARE(int(d), u);
                continue;
            }
            ++moved;
            int below = step(value, -1), above = step(value, 1);
            while (!inRing(below))
                below = step(below, -1);
            while (!inRing(above))
                above = step(above, 1);
            QCOMPARE(int(cp936::value(e)), below);
            QCOMPARE(int(cp936::value(d)), above);
        }
        QCOMPARE(moved, cipher.ringSize());
        QVERIFY(moved > 21000);
    }

    void examples_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("exempt");
        QTest::addColumn<QString>("encrypted");
        QTest::newRow("b to a, line feed to tab") << "b\n" << "" << "a\t";
        QTest::newRow("blank and digits") << " 10" << "" << units({0x1F, u'0', u'/'});
        QTest::newRow("one code lower") << "电啊，" << "" << "垫盃＋";
        QTest::newRow("exempt, built in and by file") << "小毒取病！，" << "，" << "小毒取病！，";
        QTest::newRow("steps over exempt 场并尝") << "长" << "" << "碃";
        QTest::newRow("steps over the carriage return") << "\x0e" << "" << "\x0c";
        QTest::newRow("gap below 8140 wraps to 0xFF") << units({0x4E02}) << "" << units({0xF8F5});
        QTest::newRow("0 wraps to FEFE") << units({0}) << "" << units({0xE4C5});
        QTest::newRow("outside code page 936, pairs and lone halves") << "µ😀" + units({0xD83D}) << ""
                                                                       << "µ😀" + units({0xD83D});
    }

    void examples()
    {
        QFETCH(QString, text);
        QFETCH(QString, exempt);
        const ShiftCipher cipher(exempt);
        QTEST(cipher.apply(text, Direction::Encrypt), "encrypted");
        QFETCH(QString, encrypted);
        QCOMPARE(cipher.apply(encrypted, Direction::Decrypt), text);
    }

    void formattedDocumentComesBack()
    {
        QTextDocument document;
        QTextCursor cursor(&document);
        QTextBlockFormat centred;
        centred.setAlignment(Qt::AlignHCenter);
        QTextCharFormat bold, red;
        bold.setFontWeight(QFont::Bold);
        red.setForeground(QColor(Qt::red));
        const auto body = [&cursor] { cursor.insertBlock(QTextBlockFormat(), QTextCharFormat()); };
        cursor.setBlockFormat(centred);
        cursor.insertText(u"三极管放大"_qs, bold);
        body();
        cursor.insertText(u"电阻R1接"_qs);
        cursor.insertText(u"9013，\t"_qs, red);
        QTextImageFormat picture;
        picture.setName(u"circuit.png"_qs);
        cursor.insertImage(picture); // ends the paragraph: a joining tab must not become a picture
        body();
        cursor.insertText(u"竖排\x0b制表"_qs, red); // the vertical tab shifts onto a line feed
        body();
        QTextTable *table = cursor.insertTable(1, 2);
        table->cellAt(0, 0).firstCursorPosition().insertText(u"元\x0b件"_qs);
        QTextCursor cell = table->cellAt(0, 1).firstCursorPosition();
        cell.insertBlock(); // after an empty first line, whose format is the cell's
        cell.insertText(u"二"_qs);
        cursor.movePosition(QTextCursor::End);
        cursor.insertList(QTextListFormat::ListDecimal);
        cursor.insertText(u"焊接"_qs);
        cursor.insertBlock();
        cursor.insertText(u"调试"_qs);
        document.clearUndoRedoStacks();
        const QString html = document.toHtml();
        const int blocks = document.blockCount();
        const ShiftCipher cipher(kPunctuation);

        shiftDocument(document, cipher, Direction::Encrypt);
        // Body paragraphs join (split at the vertical tab), and so do the two
        // list items and the lines of a cell; the heading, the table's cells and
        // the characters' formats stay.
        QCOMPARE(document.blockCount(), blocks - 4 + 2);
        QCOMPARE(document.begin().text(), cipher.apply(u"三极管放大"_qs, Direction::Encrypt));
        QCOMPARE(table->cellAt(0, 0).firstCursorPosition().block().next().text(),
                 cipher.apply(u"件"_qs, Direction::Encrypt));
        QCOMPARE(table->cellAt(0, 1).firstCursorPosition().block().text(), cipher.apply(u"\n二"_qs, Direction::Encrypt));
        QCOMPARE(document.toPlainText().count(u'\t'), 4);
        QTextCursor joint(&document);
        joint.setPosition(document.toPlainText().indexOf(u"\uFFFC\t"_qs) + 2);
        QCOMPARE(joint.charFormat(), QTextCharFormat(red));

        shiftDocument(document, cipher, Direction::Decrypt);
        QCOMPARE(document.toHtml(), html);
        // Each command is one undo step.
        document.undo();
        QCOMPARE(document.blockCount(), blocks - 4 + 2);
        document.undo();
        QCOMPARE(document.toHtml(), html);
        QVERIFY(!document.isUndoAvailable());
    }

    void corpusComesBack_data()
    {
        QTest::addColumn<QString>("file");
        const QDir folder(u"../shared/rtf-corpus/rtf"_qs);
        for (const QString &file : folder.entryList({u"*.rtf"_qs}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(file)) << folder.filePath(file);
        if (folder.isEmpty())
            QSKIP("the shared RTF corpus is not there");
    }

    void corpusComesBack()
    {
        QFETCH(QString, file);
        QFile source(file);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QTextDocument document;
        rtf::read(source.readAll(), document);
        const QString html = document.toHtml();
        const ShiftCipher cipher(kPunctuation);
        shiftDocument(document, cipher, Direction::Encrypt);
        QVERIFY(document.toHtml() != html || document.isEmpty());
        shiftDocument(document, cipher, Direction::Decrypt);
        QCOMPARE(document.toHtml(), html);
    }
};

QTEST_MAIN(TestShiftCipher)
#include "tst_shiftcipher.moc"
