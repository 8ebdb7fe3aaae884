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

// The punctuation the shipped exempt-character file keeps readable.
const QString kPunctuation = QStringLiteral("，。、；：？“”‘’（）《》—");

QString units(std::initializer_list<char16_t> list)
{
    QString s;
    for (char16_t u : list)
        s.append(QChar(u));
    return s;
}

// A value takes part when it names a character that converts back to it
// and that character is not kept as it is.
bool inRing(int value, const std::bitset<0x10000> &kept)
{
    const char16_t c = cp936::character(value);
    return c != cp936::Replacement && cp936::value(c) == value && !kept.test(c);
}

void addFormattedSample(QTextDocument &document)
{
    QTextCursor cursor(&document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    QTextCharFormat heading;
    heading.setFontWeight(QFont::Bold);
    heading.setFontPointSize(16);
    cursor.setBlockFormat(centred);
    cursor.insertText(QStringLiteral("三极管放大电路"), heading);

    QTextCharFormat red;
    red.setForeground(QColor(Qt::red));
    red.setFontFamilies({QStringLiteral("黑体")});
    QTextCharFormat italic;
    italic.setFontItalic(true);
    italic.setFontUnderline(true);
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.insertText(QStringLiteral("电阻R1接"));
    cursor.insertText(QStringLiteral("9013的集电极，"), red);
    cursor.insertText(QStringLiteral("LED亮。\t"), italic);
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("circuit.png")), picture);
    QTextImageFormat image;
    image.setName(QStringLiteral("circuit.png"));
    cursor.insertImage(image); // ends the paragraph: its format is no text's
    // Body paragraphs alike in their formats, an empty one among them.
    const auto body = [&cursor] { cursor.insertBlock(QTextBlockFormat(), QTextCharFormat()); };
    body();
    cursor.insertText(QStringLiteral("竖排\x0b制表符与换页\x0c"), red);
    body();
    cursor.insertText(QStringLiteral("第二段 abc"));
    body();
    body();

    QTextTable *table = cursor.insertTable(2, 2);
    table->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("元件"));
    QTextCursor cell = table->cellAt(0, 1).firstCursorPosition();
    cell.insertText(QStringLiteral("第一行"), red);
    cell.insertBlock();
    cell.insertText(QStringLiteral("第二行"));
    table->cellAt(1, 1).firstCursorPosition().insertText(QStringLiteral("10kΩ"));
    cursor.movePosition(QTextCursor::End);
    cursor.insertList(QTextListFormat::ListDecimal);
    cursor.insertText(QStringLiteral("焊接"));
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("调试"));
}

// Every position's character format, and what sits there when it is no
// ordinary character.
QStringList layout(const QTextDocument &document)
{
    QStringList out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            out << QStringLiteral("%1+%2 %3 %4")
                       .arg(f.position())
                       .arg(f.length())
                       .arg(f.charFormat().isImageFormat() ? f.charFormat().toImageFormat().name() : QString())
                       .arg(f.charFormat().properties().size());
        }
    }
    return out;
}

} // namespace

class TestShiftCipher final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void ringOverEveryCharacter_data();
    void ringOverEveryCharacter();
    void examples_data();
    void examples();
    void randomTextsComeBack();
    void plainManuscriptLineFeedsBecomeTabs();
    void formattingPicturesAndTablesSurvive();
    void oneUndoStep();
    void corpusComesBack_data();
    void corpusComesBack();
};

void TestShiftCipher::initTestCase()
{
    if (!cp936::isAvailable())
        QSKIP("no GBK converter on this system");
}

void TestShiftCipher::ringOverEveryCharacter_data()
{
    QTest::addColumn<QString>("exempt");
    QTest::newRow("built-in only") << QString();
    QTest::newRow("shipped punctuation") << kPunctuation;
    // Neighbours of one another, and the ends of the ring.
    QTest::newRow("runs and ends") << QStringLiteral("abc长偿") + units({0xE4C5, 0x0000, 0xF8F5, 0x4E02});
}

// Encrypt and decrypt are each other's inverse over every 16-bit unit, each
// moves a ring character to its nearest ring neighbour by value (so the old
// one-lower, one-higher step wherever that neighbour is in the ring), and
// everything else stays where it is.
void TestShiftCipher::ringOverEveryCharacter()
{
    QFETCH(QString, exempt);
    const ShiftCipher cipher(exempt);
    std::bitset<0x10000> kept;
    for (QChar c : builtInExemptCharacters().toString() + exempt + u'\r')
        kept.set(c.unicode());

    std::bitset<0x10000> images;
    int moved = 0;
    for (int u = 0; u < 0x10000; ++u) {
        const char16_t unit = char16_t(u);
        const char16_t e = cipher.shift(unit, Direction::Encrypt);
        const char16_t d = cipher.shift(unit, Direction::Decrypt);
        QCOMPARE(int(cipher.shift(e, Direction::Decrypt)), u);
        QCOMPARE(int(cipher.shift(d, Direction::Encrypt)), u);
        QVERIFY2(!images.test(e), qPrintable(QString::number(u, 16)));
        images.set(e);

        const int value = cp936::value(unit);
        const bool member = cp936::character(value) == unit && inRing(value, kept);
        if (!member) {
            QCOMPARE(int(e), u);
            QCOMPARE(int(d), u);
            continue;
        }
        ++moved;
        int below = value;
        do
            below = below == -32768 ? 32767 : below - 1;
        while (!inRing(below, kept));
        int above = value;
        do
            above = above == 32767 ? -32768 : above + 1;
        while (!inRing(above, kept));
        QCOMPARE(int(cp936::value(e)), below);
        QCOMPARE(int(cp936::value(d)), above);
    }
    QCOMPARE(moved, cipher.ringSize());
    QVERIFY2(moved > 21000, qPrintable(QString::number(moved)));
}

void TestShiftCipher::examples_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("exempt");
    QTest::addColumn<QString>("encrypted");

    QTest::newRow("b to a") << "b" << "" << "a";
    QTest::newRow("line feed to tab") << "\n" << "" << "\t";
    QTest::newRow("blank and digits") << " 10" << "" << units({0x1F, u'0', u'/'});
    QTest::newRow("Chinese, one code lower") << "电啊" << "" << "垫盃";
    QTest::newRow("built-in exempt") << "小毒取病！" << "" << "小毒取病！";
    QTest::newRow("comma exempt by file") << "，，" << "，" << "，，";
    QTest::newRow("comma not exempt") << "，" << "" << "＋";
    QTest::newRow("steps over 场并尝") << "长" << "" << "碃";
    QTest::newRow("steps over an exempt ASCII letter") << "c" << "b" << "a";
    QTest::newRow("steps over the carriage return") << "\x0e" << "" << "\x0c";
    QTest::newRow("gap below 8140 wraps to 0xFF") << units({0x4E02}) << "" << units({0xF8F5});
    QTest::newRow("0 wraps to FEFE") << units({0}) << "" << units({0xE4C5});
    QTest::newRow("euro 0x80 to DEL") << "€" << "" << "\x7f";
    QTest::newRow("outside code page 936") << "µ😀" << "" << "µ😀";
    QTest::newRow("lone surrogate") << units({0xD83D, u'b'}) << "" << units({0xD83D, u'a'});
}

void TestShiftCipher::examples()
{
    QFETCH(QString, text);
    QFETCH(QString, exempt);
    QFETCH(QString, encrypted);
    const ShiftCipher cipher(exempt);
    QCOMPARE(cipher.apply(text, Direction::Encrypt), encrypted);
    QCOMPARE(cipher.apply(encrypted, Direction::Decrypt), text);
}

void TestShiftCipher::randomTextsComeBack()
{
    QRandomGenerator random(20030905);
    const ShiftCipher cipher(kPunctuation);
    for (int round = 0; round < 200; ++round) {
        QString text;
        const int length = int(random.bounded(200));
        while (text.size() < length) {
            switch (random.bounded(4)) {
            case 0: text.append(QChar(char16_t(random.bounded(0x80)))); break;
            case 1: text.append(QChar(char16_t(0x4E00 + random.bounded(0x5200)))); break;
            case 2: text.append(QChar::fromUcs4(0x1F300 + random.bounded(0x300))); break;
            default: text.append(QChar(char16_t(random.bounded(0x10000)))); break;
            }
        }
        const QString encrypted = cipher.apply(text, Direction::Encrypt);
        QCOMPARE(cipher.apply(encrypted, Direction::Decrypt), text);
        QCOMPARE(cipher.apply(cipher.apply(text, Direction::Decrypt), Direction::Encrypt), text);
    }
}

void TestShiftCipher::plainManuscriptLineFeedsBecomeTabs()
{
    const ShiftCipher cipher(kPunctuation);
    QTextDocument document;
    document.setPlainText(QStringLiteral("ab\n\ncd，\t"));
    shiftDocument(document, cipher, Direction::Encrypt);
    QCOMPARE(document.toPlainText(), QStringLiteral("`a\t\tbc，\x08"));
    QCOMPARE(document.blockCount(), 1);
    shiftDocument(document, cipher, Direction::Decrypt);
    QCOMPARE(document.toPlainText(), QStringLiteral("ab\n\ncd，\t"));
    QCOMPARE(document.blockCount(), 3);

    // Decrypting first and encrypting after gives it back just as well.
    shiftDocument(document, cipher, Direction::Decrypt);
    QCOMPARE(document.toPlainText(), cipher.apply(QStringLiteral("ab\n\ncd，\t"), Direction::Decrypt));
    shiftDocument(document, cipher, Direction::Encrypt);
    QCOMPARE(document.toPlainText(), QStringLiteral("ab\n\ncd，\t"));
}

void TestShiftCipher::formattingPicturesAndTablesSurvive()
{
    const ShiftCipher cipher(kPunctuation);
    QTextDocument document;
    addFormattedSample(document);
    const QString html = document.toHtml();
    const QStringList before = layout(document);
    const int length = document.characterCount();
    const int blocks = document.blockCount();

    shiftDocument(document, cipher, Direction::Encrypt);
    QCOMPARE(document.characterCount(), length);
    const QString shown = document.toPlainText();
    QVERIFY(shown.contains(cipher.apply(QStringLiteral("三极管放大电路"), Direction::Encrypt)));
    QVERIFY(!shown.contains(QStringLiteral("电阻")));
    QVERIFY(shown.contains(QChar::ObjectReplacementCharacter));
    // The body paragraphs and the empty ones after them are one now, split
    // where the vertical tab was, and so are the list's two items; the
    // break after the heading and the table's cells stay, and so do the
    // formats of the characters.
    QCOMPARE(document.blockCount(), blocks - 5 + 1);
    QCOMPARE(layout(document).mid(0, 4), before.mid(0, 4));
    QTextCursor cursor(&document);
    cursor.setPosition(1);
    QCOMPARE(cursor.charFormat().fontPointSize(), 16.0);
    QTextFrame *root = document.rootFrame();
    QCOMPARE(root->childFrames().size(), 1);
    auto *table = qobject_cast<QTextTable *>(root->childFrames().constFirst());
    QVERIFY(table);
    QCOMPARE(table->cellAt(0, 1).firstCursorPosition().block().text(),
             cipher.apply(QStringLiteral("第一行"), Direction::Encrypt));

    shiftDocument(document, cipher, Direction::Decrypt);
    QCOMPARE(layout(document), before);
    QCOMPARE(document.toHtml(), html);
}

void TestShiftCipher::oneUndoStep()
{
    const ShiftCipher cipher;
    QTextDocument document;
    document.setPlainText(QStringLiteral("第一行\n第二行"));
    document.clearUndoRedoStacks();
    shiftDocument(document, cipher, Direction::Encrypt);
    QVERIFY(document.isUndoAvailable());
    document.undo();
    QCOMPARE(document.toPlainText(), QStringLiteral("第一行\n第二行"));
    QVERIFY(!document.isUndoAvailable());
}

void TestShiftCipher::corpusComesBack_data()
{
    QTest::addColumn<QString>("file");
    const QDir folder(QStringLiteral("../shared/rtf-corpus/rtf"));
    const QStringList files = folder.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        QSKIP("the shared RTF corpus is not there");
    for (const QString &file : files)
        QTest::newRow(qPrintable(file)) << folder.filePath(file);
}

void TestShiftCipher::corpusComesBack()
{
    QFETCH(QString, file);
    QFile source(file);
    QVERIFY(source.open(QIODevice::ReadOnly));
    QTextDocument document;
    rtf::read(source.readAll(), document);
    const QString html = document.toHtml();
    const QString text = document.toPlainText();
    const ShiftCipher cipher(kPunctuation);

    shiftDocument(document, cipher, Direction::Encrypt);
    if (text.contains(QStringLiteral("的")))
        QVERIFY(!document.toPlainText().contains(QStringLiteral("的")));
    shiftDocument(document, cipher, Direction::Decrypt);
    QCOMPARE(document.toPlainText(), text);
    QCOMPARE(document.toHtml(), html);
}

QTEST_MAIN(TestShiftCipher)
#include "tst_shiftcipher.moc"
