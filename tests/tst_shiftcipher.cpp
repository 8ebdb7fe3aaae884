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

// Every character of code page 936 that a paragraph can hold, in lines of
// 63, in runs of seven that are plain and bold in turn. The vertical tab is
// left out: it encrypts onto the line feed, a paragraph break, by design.
void everyCharacter(QTextDocument &document)
{
    QString all;
    for (char32_t u = 1; u < 0x10000; ++u) {
        if (!QChar::isSurrogate(u) && cp936::character(cp936::value(char16_t(u))) == u
            && !QStringView(u"\n\v\r").contains(QChar(u)))
            all += QChar(char16_t(u));
    }
    QTextCharFormat plain, bold;
    bold.setFontWeight(QFont::Bold);
    QTextCursor cursor(&document);
    for (qsizetype at = 0; at < all.size(); at += 7) {
        if (at > 0 && at % 63 == 0)
            cursor.insertBlock();
        cursor.insertText(all.mid(at, 7), at / 7 % 2 ? bold : plain);
    }
}

QStringList corpusFiles()
{
    const QDir folder(u"../shared/rtf-corpus/rtf"_qs);
    QStringList files;
    for (const QString &file : folder.entryList({u"*.rtf"_qs}, QDir::Files, QDir::Name))
        files << folder.filePath(file);
    return files;
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

    // Over every 16-bit unit: encrypt and decrypt are each other's inverse
    // and a bijection, so nothing encrypted is ever lost; a ring character
    // whose neighbour by value is in the ring moves exactly one code lower
    // (encrypting) or higher (decrypting), as text encrypted by earlier
    // builds expects; everything else stays.
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
            if (value > -32768 && inRing(value - 1))
                QCOMPARE(int(cp936::value(e)), value - 1);
            if (value < 32767 && inRing(value + 1))
                QCOMPARE(int(cp936::value(d)), value + 1);
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

    void manuscriptComesBack_data()
    {
        QTest::addColumn<QString>("file"); // empty: every character
        QTest::newRow("every character") << QString();
        for (const QString &file : corpusFiles())
            QTest::newRow(qPrintable(QFileInfo(file).fileName())) << file;
    }

    // Every paragraph, picture, table and list stays with its formats;
    // line by line the text alone decides; each command is one undo step.
    // Encrypted, saved, opened and decrypted, a manuscript comes back as
    // the same manuscript saved and opened does: as RTF with every format,
    // as plain text line for line.
    void manuscriptComesBack()
    {
        QFETCH(QString, file);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const ShiftCipher cipher(kPunctuation);
        const auto fill = [&file](QTextDocument &document) {
            QFile source(file);
            if (file.isEmpty())
                everyCharacter(document);
            else if (source.open(QIODevice::ReadOnly))
                rtf::read(source.readAll(), document);
            document.clearUndoRedoStacks();
        };
        const auto throughFile = [&](const QTextDocument &document, manuscript::Format format, QTextDocument &back) {
            const QString path = folder.filePath(format == manuscript::Format::Rtf ? u"稿.rtf"_qs : u"稿.txt"_qs);
            const QString saved = manuscript::save(path, document, format).error;
            return saved + manuscript::load(path, back).error;
        };
        QTextDocument original, encrypted;
        fill(original);
        fill(encrypted);
        QVERIFY(!original.isEmpty());
        const QString html = original.toHtml();
        QStringList lines = documentText(original).split(u'\n');
        for (QString &line : lines)
            line = cipher.apply(line, Direction::Encrypt);

        shiftDocument(encrypted, cipher, Direction::Encrypt);
        QVERIFY(encrypted.toHtml() != html);
        QCOMPARE(encrypted.blockCount(), original.blockCount());
        QCOMPARE(documentText(encrypted), lines.join(u'\n'));
        for (const manuscript::Format format : {manuscript::Format::Rtf, manuscript::Format::PlainText}) {
            QTextDocument plain, back;
            QCOMPARE(throughFile(original, format, plain), QString());
            QCOMPARE(throughFile(encrypted, format, back), QString());
            shiftDocument(back, cipher, Direction::Decrypt);
            QCOMPARE(documentText(back), documentText(file.isEmpty() ? original : plain));
            QCOMPARE(back.toHtml(), plain.toHtml()); // what the file keeps of the formats
        }

        shiftDocument(encrypted, cipher, Direction::Decrypt);
        QCOMPARE(encrypted.toHtml(), html);
        encrypted.undo();
        QCOMPARE(documentText(encrypted), lines.join(u'\n'));
        encrypted.undo();
        QCOMPARE(encrypted.toHtml(), html);
        QVERIFY(!encrypted.isUndoAvailable());
    }
};

QTEST_MAIN(TestShiftCipher)
#include "tst_shiftcipher.moc"
