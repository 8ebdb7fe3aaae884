// The RTF that the recovery copy makes between keystrokes, paragraph by
// paragraph from what it kept, must be the very bytes a full write of the
// same document gives, however the document was edited in between.

#include "text/rtf/rtfformat.h"
#include "text/rtf/rtfwriter.h"

#include <QtGui>
#include <QtTest>

using namespace bilan;

namespace {

QByteArray pngBytes(const QColor &color)
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void insertPicture(QTextCursor &cursor, const QColor &color)
{
    QTextImageFormat picture;
    picture.setName(QStringLiteral("picture-%1").arg(color.name()));
    picture.setWidth(30);
    picture.setHeight(20);
    picture.setProperty(rtf::PictureData, pngBytes(color));
    cursor.insertImage(picture);
}

void insertTable(QTextCursor &cursor, int rows, int columns)
{
    QTextTableFormat format;
    format.setBorder(1);
    QTextTable *table = cursor.insertTable(rows, columns, format);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            table->cellAt(r, c).firstCursorPosition().insertText(QStringLiteral("格%1").arg(r * columns + c));
    }
    if (rows > 1 && columns > 1) {
        table->mergeCells(0, 0, 2, 1);
        QTextCharFormat shaded = table->cellAt(rows - 1, columns - 1).format();
        shaded.setBackground(QColor(0xdd, 0xee, 0xff));
        table->cellAt(rows - 1, columns - 1).setFormat(shaded);
    }
}

// A manuscript with most of what a document can hold.
void fill(QTextDocument &document)
{
    QTextCursor cursor(&document);
    for (int i = 0; i < 12; ++i) {
        cursor.insertText(QStringLiteral("第%1段：电阻R%1的阻值为10k，{括号}与\\反斜杠\t制表。").arg(i));
        cursor.insertBlock();
    }
    insertPicture(cursor, Qt::red);
    cursor.insertBlock();
    insertTable(cursor, 3, 3);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("列表第一项"));
    cursor.createList(QTextListFormat::ListDecimal);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("列表第二项"));
    cursor.insertBlock();
    cursor.setBlockFormat(QTextBlockFormat());
    cursor.insertText(QStringLiteral("末段"));
}

const QStringList kFamilies = {QStringLiteral("宋体"), QStringLiteral("黑体"), QStringLiteral("Arial")};
const QList<QColor> kColors = {Qt::darkRed, Qt::blue, QColor(0x12, 0x34, 0x56)};

// One random edit of the kinds an author makes, named for the failure
// message.
QString edit(QTextDocument &document, QRandomGenerator &random)
{
    const int end = document.characterCount() - 1;
    QTextCursor cursor(&document);
    cursor.setPosition(random.bounded(end + 1));
    const int length = random.bounded(1, 40);
    const auto select = [&] { cursor.setPosition(std::min(cursor.position() + length, end), QTextCursor::KeepAnchor); };
    switch (random.bounded(12)) {
    case 0:
        cursor.insertText(QStringLiteral("字"));
        return QStringLiteral("type");
    case 1:
        cursor.insertText(QStringLiteral("a{b}\\c 9013 "));
        return QStringLiteral("type ASCII");
    case 2:
        select();
        cursor.removeSelectedText(); // may join paragraphs
        return QStringLiteral("delete");
    case 3:
        cursor.insertBlock();
        return QStringLiteral("split");
    case 4: {
        select();
        QTextCharFormat format;
        format.setFontWeight(random.bounded(2) ? QFont::Bold : QFont::Normal);
        format.setFontItalic(random.bounded(2));
        cursor.mergeCharFormat(format);
        return QStringLiteral("bold or italic");
    }
    case 5: {
        select();
        QTextCharFormat format;
        format.setFontFamilies({kFamilies[random.bounded(kFamilies.size())]});
        format.setFontPointSize(9 + random.bounded(8));
        cursor.mergeCharFormat(format);
        return QStringLiteral("font");
    }
    case 6: {
        select();
        QTextCharFormat format;
        format.setForeground(kColors[random.bounded(kColors.size())]);
        if (random.bounded(2))
            format.setBackground(kColors[random.bounded(kColors.size())]);
        cursor.mergeCharFormat(format);
        return QStringLiteral("colour");
    }
    case 7: {
        QTextBlockFormat format;
        format.setAlignment(random.bounded(2) ? Qt::AlignHCenter : Qt::AlignLeft);
        format.setIndent(random.bounded(3));
        cursor.mergeBlockFormat(format);
        return QStringLiteral("paragraph format");
    }
    case 8:
        insertPicture(cursor, kColors[random.bounded(kColors.size())]);
        return QStringLiteral("picture");
    case 9:
        if (cursor.currentTable())
            return QStringLiteral("nothing");
        insertTable(cursor, 2, 2);
        return QStringLiteral("table");
    case 10:
        document.undo();
        return QStringLiteral("undo");
    default:
        document.redo();
        return QStringLiteral("redo");
    }
}

QByteArray writtenInPieces(const rtf::Snapshot &snapshot, int *pieces)
{
    QByteArray all;
    *pieces = 0;
    const bool ok = snapshot.write([&](QByteArrayView piece) {
        ++*pieces;
        all.append(piece);
        return true;
    });
    return ok ? all : QByteArray("(write failed)");
}

} // namespace

class TestRtfSnapshot : public QObject
{
    Q_OBJECT

private slots:
    void sameBytesAsAFullWriteAfterEveryEdit_data()
    {
        QTest::addColumn<quint32>("seed");
        // Laid out, as in the window, the document tells of each change
        // and unchanged paragraphs are taken without being read; bare, it
        // tells nothing and every paragraph is read again.
        QTest::addColumn<bool>("laidOut");
        for (quint32 seed : {1u, 2u, 3u, 4u}) {
            QTest::addRow("seed %u, laid out", seed) << seed << true;
            QTest::addRow("seed %u, bare", seed) << seed << false;
        }
    }

    void sameBytesAsAFullWriteAfterEveryEdit()
    {
        QFETCH(quint32, seed);
        QFETCH(bool, laidOut);
        QRandomGenerator random(seed);
        QTextDocument document;
        if (laidOut)
            document.documentLayout();
        fill(document);
        rtf::IncrementalWriter writer;
        QStringList edits;
        int reused = 0;
        for (int step = 0; step < 150; ++step) {
            // Several edits between two copies at times, one at others.
            for (int k = random.bounded(1, 4); k > 0; --k)
                edits.append(edit(document, random));
            const QByteArray full = rtf::write(document);
            if (writer.write(document).bytes() != full)
                QFAIL(qPrintable(QStringLiteral("differs after %1 edits, the last: ").arg(edits.size())
                                 + edits.mid(edits.size() - 6).join(u", "_qs)));
            reused += writer.reused();
        }
        // The kept paragraphs were used, not only made again each time.
        QVERIFY(reused > 0);
    }

    // What a write makes anew after one edit, in a document of 200
    // paragraphs: only the edited paragraph while the font and colour
    // tables stay as they were, everything once they change.
    void makesOnlyWhatChanged_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("made");
        QTest::addRow("a character typed") << "type" << 1;
        QTest::addRow("a paragraph split") << "split" << 2;
        QTest::addRow("two paragraphs joined") << "join" << 1;
        QTest::addRow("a word made bold") << "bold" << 1;
        QTest::addRow("a paragraph centred") << "centre" << 1;
        QTest::addRow("a colour new to the document") << "colour" << 200;
        QTest::addRow("nothing") << "nothing" << 0;
    }

    void makesOnlyWhatChanged()
    {
        QFETCH(QString, change);
        QFETCH(int, made);
        QTextDocument document;
        document.documentLayout();
        QTextCursor cursor(&document);
        for (int i = 0; i < 200; ++i) {
            if (i > 0)
                cursor.insertBlock();
            cursor.insertText(QStringLiteral("段落%1，三极管9013导通。").arg(i));
        }
        rtf::IncrementalWriter writer;
        writer.write(document);
        QCOMPARE(writer.made(), 200);

        cursor.setPosition(document.findBlockByNumber(100).position() + 2);
        if (change == u"type") {
            cursor.insertText(QStringLiteral("电"));
        } else if (change == u"split") {
            cursor.insertBlock();
        } else if (change == u"join") {
            cursor.movePosition(QTextCursor::EndOfBlock);
            cursor.deleteChar();
        } else if (change == u"bold" || change == u"colour") {
            cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 2);
            QTextCharFormat format;
            if (change == u"bold")
                format.setFontWeight(QFont::Bold);
            else
                format.setForeground(Qt::darkGreen);
            cursor.mergeCharFormat(format);
        } else if (change == u"centre") {
            QTextBlockFormat format;
            format.setAlignment(Qt::AlignHCenter);
            cursor.mergeBlockFormat(format);
        }
        const rtf::Snapshot snapshot = writer.write(document);
        QCOMPARE(writer.made(), made);
        QCOMPARE(writer.reused() + writer.made(), document.blockCount());
        // Paragraphs away from the change are not even read.
        if (made < 200)
            QVERIFY2(writer.unread() >= document.blockCount() - 4, qPrintable(QString::number(writer.unread())));
        int pieces = 0;
        QCOMPARE(writtenInPieces(snapshot, &pieces), rtf::write(document));
        // Gathered into few large writes, not one per paragraph.
        QCOMPARE(pieces, 1);
    }

    void aFailedPutStopsTheWrite()
    {
        QTextDocument document;
        QTextCursor cursor(&document);
        insertPicture(cursor, Qt::red);
        cursor.insertText(QString(1'000'000, QChar(u'字'))); // some 14 MB of RTF: several pieces
        rtf::IncrementalWriter writer;
        int calls = 0;
        QVERIFY(!writer.write(document).write([&calls](QByteArrayView) { return ++calls < 2; }));
        QCOMPARE(calls, 2);
    }
};

QTEST_MAIN(TestRtfSnapshot)
#include "tst_rtfsnapshot.moc"
