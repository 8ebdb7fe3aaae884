// The manuscript cipher without a window: the ring over code page 936 and
// the shift of a formatted document in place.

#include "protect/documentcipher.h"
#include "protect/shiftcipher.h"
#include "text/cp936.h"
#include "text/documenttext.h"
#include "text/manuscriptio.h"
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


// A manuscript from a seed: headings and body paragraphs of Chinese, ASCII,
// blanks, tabs, digits and symbols in runs of mixed formats, with a table.
void generateManuscript(QTextDocument &document, quint32 seed)
{
    static const QString pools[] = {
        u"电阻容感压流路板焊接调试第一章源部分降到稳器件小毒取病"_qs,
        u"abcxyzABRVZ"_qs,
        u"  \t\t"_qs,
        u"0123456789"_qs,
        u"，。！？：；（）《》—…%+-=/\\{}<>@#~\x01\u00B0\u00A0"_qs,
    };
    QRandomGenerator random(seed);
    const auto text = [&random] {
        QString out;
        for (int n = 1 + random.bounded(12); n > 0; --n) {
            const QString &pool = pools[random.bounded(int(std::size(pools)))];
            out += pool.at(random.bounded(pool.size()));
        }
        return out;
    };
    const auto format = [&random] {
        QTextCharFormat f;
        f.setFontFamilies({random.bounded(2) ? u"宋体"_qs : u"黑体"_qs});
        f.setFontPointSize(QList<qreal>{9, 10.5, 12, 16}.at(random.bounded(4)));
        f.setFontWeight(random.bounded(3) == 0 ? QFont::Bold : QFont::Normal);
        f.setFontItalic(random.bounded(4) == 0);
        f.setFontUnderline(random.bounded(4) == 0);
        f.setFontStrikeOut(random.bounded(6) == 0);
        if (random.bounded(3) == 0)
            f.setForeground(QColor(random.bounded(2) ? Qt::red : Qt::blue));
        return f;
    };
    QTextCursor cursor(&document);
    const int paragraphs = 1 + random.bounded(6), tableAt = random.bounded(paragraphs);
    for (int p = 0; p < paragraphs; ++p) {
        if (p > 0) {
            QTextBlockFormat block;
            block.setAlignment(random.bounded(3) == 0 ? Qt::AlignHCenter : Qt::AlignLeft);
            cursor.insertBlock(block, format());
        }
        for (int runs = random.bounded(5); runs > 0; --runs)
            cursor.insertText(text(), format());
        if (p == tableAt) {
            QTextTable *table = cursor.insertTable(2, 2);
            for (int c = 0; c < 4; ++c)
                table->cellAt(c / 2, c % 2).firstCursorPosition().insertText(text(), format());
            cursor.movePosition(QTextCursor::End);
        }
    }
}

} // namespace

Q_DECLARE_METATYPE(bilan::protect::Direction)

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
        for (QChar c : builtInExemptCharacters().toString() + exempt + u'\r' + QChar(0))
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
        // NUL, which no manuscript file holds, is out of the ring.
        QTest::newRow("1 steps over NUL, wraps to FEFE") << units({1, 0}) << "" << units({0xE4C5, 0});
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
        QTextCharFormat heading, red;
        heading.setFontWeight(QFont::Bold);
        heading.setFontPointSize(16);
        red.setForeground(QColor(Qt::red));
        cursor.setBlockFormat(centred);
        cursor.insertText(u"三极管放大"_qs, heading);
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertText(u"电阻R1接"_qs);
        cursor.insertText(u"9013，\t"_qs, red);
        QTextImageFormat picture;
        picture.setName(u"circuit.png"_qs);
        cursor.insertImage(picture);
        cursor.insertBlock();
        QTextTable *table = cursor.insertTable(1, 2);
        table->cellAt(0, 0).firstCursorPosition().insertText(u"元件"_qs);
        QTextCursor cell = table->cellAt(0, 1).firstCursorPosition();
        cell.insertBlock(); // after an empty first line, whose format is the cell's
        cell.insertText(u"二"_qs);
        cursor.movePosition(QTextCursor::End);
        cursor.insertList(QTextListFormat::ListDecimal);
        cursor.insertText(u"焊接"_qs);
        cursor.insertBlock();
        cursor.insertText(u"调试"_qs);
        document.clearUndoRedoStacks();
        const QString html = document.toHtml(), text = documentText(document);
        const int blocks = document.blockCount();
        const ShiftCipher cipher(kPunctuation);

        shiftDocument(document, cipher, Direction::Encrypt);
        // Line by line the text alone decides: every paragraph stays, with
        // its format, and so do the characters' formats.
        QCOMPARE(document.blockCount(), blocks);
        QStringList lines = text.split(u'\n');
        for (QString &line : lines)
            line = cipher.apply(line, Direction::Encrypt);
        QCOMPARE(documentText(document), lines.join(u'\n'));
        QCOMPARE(document.begin().blockFormat().alignment(), Qt::AlignHCenter);
        QTextCursor tab(&document);
        tab.setPosition(document.toPlainText().indexOf(u"\uFFFC"_qs));
        QCOMPARE(tab.charFormat(), QTextCharFormat(red));

        shiftDocument(document, cipher, Direction::Decrypt);
        QCOMPARE(document.toHtml(), html);
        // Each command is one undo step.
        document.undo();
        QCOMPARE(documentText(document), lines.join(u'\n'));
        document.undo();
        QCOMPARE(document.toHtml(), html);
        QVERIFY(!document.isUndoAvailable());
    }

    // Characters that shift onto a line feed: decrypting, the tab with which
    // earlier builds joined paragraphs; encrypting, the vertical tab. Both
    // become a paragraph break in the paragraph's formats.
    void shiftsOntoLineFeed_data()
    {
        QTest::addColumn<Direction>("direction");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shifted");
        QTest::newRow("earlier build's tab") << Direction::Decrypt << u"`a\tbc"_qs << u"ab\ncd"_qs;
        QTest::newRow("vertical tab") << Direction::Encrypt << u"ab\x0b" "cd"_qs << u"`a\nbc"_qs;
    }

    void shiftsOntoLineFeed()
    {
        QFETCH(Direction, direction);
        QFETCH(QString, text);
        QTextDocument document;
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        QTextCursor(&document).setBlockFormat(right);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        QTextCursor(&document).insertText(text, bold);
        shiftDocument(document, ShiftCipher(), direction);
        QTEST(document.toPlainText(), "shifted");
        QCOMPARE(document.lastBlock().blockFormat().alignment(), Qt::AlignRight);
        QCOMPARE(QTextCursor(document.lastBlock()).charFormat().fontWeight(), int(QFont::Bold));
    }

    // Encrypted, saved, opened and decrypted, any manuscript comes back: as
    // RTF with every format, as plain text line for line.
    void encryptedManuscriptSurvivesItsFiles()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const ShiftCipher cipher(kPunctuation);
        const QString rtfPath = folder.filePath(u"稿.rtf"_qs), txtPath = folder.filePath(u"稿.txt"_qs);
        const auto throughFile = [&](const QTextDocument &document, manuscript::Format format, QTextDocument &back) {
            const QString &path = format == manuscript::Format::Rtf ? rtfPath : txtPath;
            const manuscript::Outcome saved = manuscript::save(path, document, format);
            const manuscript::Outcome loaded = manuscript::load(path, back);
            return saved.error + loaded.error;
        };
        for (quint32 seed = 1; seed <= 60; ++seed) {
            QTextDocument original, encrypted;
            generateManuscript(original, seed);
            generateManuscript(encrypted, seed);
            shiftDocument(encrypted, cipher, Direction::Encrypt);
            for (const manuscript::Format format : {manuscript::Format::Rtf, manuscript::Format::PlainText}) {
                QTextDocument plain, back;
                QCOMPARE(throughFile(original, format, plain), QString());
                QCOMPARE(throughFile(encrypted, format, back), QString());
                shiftDocument(back, cipher, Direction::Decrypt);
                const QByteArray where = "seed " + QByteArray::number(seed)
                                         + (format == manuscript::Format::Rtf ? " rtf" : " txt");
                QVERIFY2(documentText(back) == documentText(original), where);
                QVERIFY2(back.toHtml() == plain.toHtml(), where); // what the file keeps of the formats
            }
        }
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
