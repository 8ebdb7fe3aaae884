#include "text/chinesefonts.h"
#include "text/documenttext.h"
#include "text/rtf/rtfformat.h"
#include "text/rtf/rtfissues.h"
#include "text/rtf/rtfreader.h"
#include "text/rtf/rtfwriter.h"

#include <QtGui>
#include <QtTest>

using namespace bilan;

namespace {

const QString kCorpus = QStringLiteral("../shared/rtf-corpus");

// Font, size and the rest as the user sees them, defaults filled in.
QString runStyle(const QTextCharFormat &f, const QTextDocument &document)
{
    const auto color = [&f](int p) {
        return f.hasProperty(p) && f.brushProperty(p).style() != Qt::NoBrush ? f.brushProperty(p).color().name()
                                                                             : u"auto"_qs;
    };
    const QFont fallback = document.defaultFont();
    QString style = QStringLiteral("%1 %2pt").arg(f.fontFamilies().toStringList().value(0, fallback.family()))
                        .arg(f.fontPointSize() > 0 ? f.fontPointSize() : fallback.pointSizeF());
    const QTextCharFormat::VerticalAlignment v = f.verticalAlignment();
    const std::pair<bool, const char *> flags[] = {
        {f.fontWeight() >= QFont::DemiBold, " b"}, {f.fontItalic(), " i"}, {f.underlineStyle() != f.NoUnderline, " u"},
        {f.fontStrikeOut(), " s"}, {v == f.AlignSuperScript, " sup"}, {v == f.AlignSubScript, " sub"}};
    for (const auto &[on, flag] : flags)
        style += on ? QLatin1StringView(flag) : QLatin1StringView();
    return style + u" fg="_qs + color(QTextFormat::ForegroundBrush) + u" bg="_qs + color(QTextFormat::BackgroundBrush);
}

QString pictureLine(const QTextImageFormat &f, const QTextDocument &document)
{
    const QByteArray raw = f.property(rtf::RawPictureGroup).toByteArray();
    if (!raw.isEmpty())
        return u"kept picture "_qs + QString::fromLatin1(raw.left(40));
    const QImage image = qvariant_cast<QImage>(document.resource(QTextDocument::ImageResource, QUrl(f.name())))
                             .convertToFormat(QImage::Format_ARGB32);
    const QByteArrayView pixels(image.constBits(), image.sizeInBytes());
    const QByteArray hash = QCryptographicHash::hash(pixels, QCryptographicHash::Md5);
    return QStringLiteral("picture %1x%2 of %3x%4 %5").arg(qRound(f.width())).arg(qRound(f.height()))
        .arg(image.width()).arg(image.height()).arg(QString::fromLatin1(hash.toHex()));
}

// What the writer must carry over, one line per paragraph, run and cell,
// so that a failure names the first line that differs.
QStringList describe(const QTextBlock &block)
{
    const QTextDocument &document = *block.document();
    const QTextBlockFormat f = block.blockFormat();
    const Qt::Alignment a = f.alignment();
    QString line = u"paragraph "_qs + QLatin1StringView((a & Qt::AlignHCenter) ? "centre" : (a & Qt::AlignJustify)
                                                        ? "justify" : (a & Qt::AlignRight) ? "right" : "left");
    if (const QTextList *list = block.textList()) {
        // Where the text starts: a reader may put a list's indent in the
        // list or in the paragraph's margin.
        const qreal start = f.leftMargin() + list->format().indent() * document.indentWidth();
        // The label a reader shows: the one the file gave, else the list's own.
        static const QHash<int, QString> bullets{{QTextListFormat::ListDisc, u"\u2022"_qs},
                                                 {QTextListFormat::ListCircle, u"\u25e6"_qs},
                                                 {QTextListFormat::ListSquare, u"\u25aa"_qs}};
        const QString label = f.property(rtf::ListLabel).toString();
        line += QStringLiteral(" list %1 at %2 %3").arg(int(list->format().style())).arg(qRound(start * 15))
                    .arg(!label.isEmpty() ? label : bullets.value(list->format().style(), list->itemText(block)));
    } else {
        line += QStringLiteral(" li=%1 fi=%2").arg(qRound(f.leftMargin() * 15)).arg(qRound(f.textIndent() * 15));
    }
    QStringList lines{line + QStringLiteral(" ri=%1").arg(qRound(f.rightMargin() * 15))};
    if (block.length() == 1)
        lines << u"  empty, mark "_qs + runStyle(block.charFormat(), document);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        const QString run = u"  "_qs + runStyle(format, document) + u": "_qs;
        if (format.isImageFormat()) {
            for (qsizetype i = 0; i < it.fragment().length(); ++i)
                lines << u"  "_qs + pictureLine(format.toImageFormat(), document);
        } else if (lines.last().startsWith(run)) { // the run goes on
            lines.last() += it.fragment().text();
        } else {
            lines << run + it.fragment().text();
        }
    }
    return lines;
}

QStringList describe(QTextFrame::iterator it)
{
    QStringList lines;
    for (; !it.atEnd(); ++it) {
        const auto *table = qobject_cast<QTextTable *>(it.currentFrame());
        if (!table) {
            lines += it.currentFrame() ? describe(it.currentFrame()->begin()) : describe(it.currentBlock());
            continue;
        }
        lines << QStringLiteral("table %1x%2").arg(table->rows()).arg(table->columns());
        for (int i = 0, columns = table->columns(); i < table->rows() * columns; ++i) {
            const QTextTableCell cell = table->cellAt(i / columns, i % columns);
            if (cell.row() * columns + cell.column() == i) // where a cell that spans others begins
                lines << QStringLiteral("cell %1,%2").arg(cell.row()).arg(cell.column()) << describe(cell.begin());
        }
        lines << u"end of table"_qs;
    }
    return lines;
}

// With BILAN_RTF_EXPORT set, each written file goes there with its text
// and description, for scripts/check-interop.sh to compare with
// LibreOffice's reading of it.
void exportForInterop(const QString &name, const QByteArray &rtf, const QTextDocument &document)
{
    const QString folder = qEnvironmentVariable("BILAN_RTF_EXPORT");
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return;
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_]"));
    const QString base = QDir(folder).filePath(QString(name).replace(unsafe, u"_"_qs));
    const std::pair<const char *, QByteArray> files[] = {
        {".rtf", rtf}, {".expected.txt", documentText(document).toUtf8() + '\n'},
        {".described.txt", describe(document.rootFrame()->begin()).join(u'\n').toUtf8() + '\n'}};
    for (const auto &[suffix, bytes] : files) {
        QFile file(base + QLatin1StringView(suffix));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
}

QTextCharFormat font(const QString &family, qreal size = 10.5)
{
    QTextCharFormat f;
    f.setFontFamilies({family});
    f.setFontPointSize(size);
    return f;
}

const QTextCharFormat kSong = font(u"宋体"_qs);

// The text read back, or the issues met reading it: braces that do not
// balance, data after the document's group, an escape cut short.
QString reread(const QByteArray &rtf, QTextDocument &document)
{
    const rtf::Issues issues = rtf::readReporting(rtf, document);
    return issues ? QStringLiteral("issues 0x%1").arg(issues.toInt(), 0, 16) : documentText(document);
}

// Every BMP character a manuscript can hold, then one from each 4096 of
// the planes above it. Left out: what QTextDocument itself turns into
// structure (line ends, paragraph ends, frame marks, the object mark), NUL
// and non-characters. The controls are in: the manuscript cipher makes
// them of blanks and tabs.
void everyCharacter(QTextCursor &c)
{
    QString text;
    for (char32_t u = 0x01; u <= 0x10ffff; u += u < 0x10000 ? 1 : 0x1000) {
        if (u == u'\n' || u == u'\r' || u == 0x2029 || u == 0xfffc || (u >= 0xfdd0 && u <= 0xfdef)
            || (u >= 0xd800 && u <= 0xdfff) || (u & 0xfffe) == 0xfffe)
            continue;
        text += QString::fromUcs4(&u, 1);
        if (text.size() % 120 == 0)
            text += QChar(QChar::LineSeparator);
    }
    c.insertText(text + u"\t\\{}"_qs, font(u"宋体"_qs, 12));
}

// Documents as the editor makes them; the corpus round trip covers those
// the reader makes.
const std::pair<const char *, void (*)(QTextCursor &)> kBuilders[] = {
    {"empty document", [](QTextCursor &) {}},
    {"every character", everyCharacter},
    {"sizes", [](QTextCursor &c) {
         for (qreal size : {5.0, 7.5, 9.0, 10.5, 12.0, 14.0, 15.0, 22.0, 26.0, 42.0, 72.0})
             c.insertText(u"字号 "_qs, font(u"宋体"_qs, size));
     }},
    {"paragraphs", [](QTextCursor &c) {
         // Alignment, left, first-line and right indents in pixels, exact left
         // twips: those that pixels cannot hold survive as they are, and give
         // way once the margin no longer agrees with them.
         const std::tuple<Qt::Alignment, qreal, qreal, qreal, int> rows[] = {
             {Qt::AlignHCenter, 0, 0, 0, 0}, {Qt::AlignJustify, 56, -28, 14, 0},
             {Qt::AlignLeft, 425 / 15.0, 0, 0, 425}, {Qt::AlignLeft, 40, 0, 0, 425}};
         for (const auto &[alignment, left, first, right, exactLeft] : rows) {
             QTextBlockFormat b;
             b.setAlignment(alignment);
             b.setLeftMargin(left);
             b.setTextIndent(first);
             b.setRightMargin(right);
             if (exactLeft)
                 b.setProperty(rtf::LeftIndentTwips, exactLeft);
             c.insertBlock(); // the first paragraph stays empty
             c.setBlockFormat(b);
             c.insertText(u"段落格式"_qs, kSong);
         }
     }},
    {"empty paragraphs and last one empty", [](QTextCursor &c) {
         c.insertText(u"甲"_qs, kSong);
         c.insertBlock(QTextBlockFormat(), font(u"黑体"_qs, 16));
         c.insertBlock(QTextBlockFormat(), kSong);
         c.insertText(u"乙"_qs, kSong);
         c.insertBlock(QTextBlockFormat(), kSong);
     }},
    {"picture without its bytes", [](QTextCursor &c) {
         QImage image(20, 10, QImage::Format_RGB32);
         for (int i = 0; i < 200; ++i)
             image.setPixel(i % 20, i / 20, qRgb(i % 20 * 12, i / 20 * 25, 128));
         c.document()->addResource(QTextDocument::ImageResource, QUrl(u"png"_qs), image);
         QTextImageFormat png;
         png.setName(u"png"_qs);
         png.setWidth(40);
         png.setHeight(20);
         c.insertText(u"图1："_qs, kSong);
         c.insertImage(png);
         c.insertText(u"后"_qs, kSong);
     }},
    {"table", [](QTextCursor &c) {
         c.insertText(u"元件表"_qs, kSong);
         QTextTable *table = c.insertTable(3, 2);
         // The last cell holds two paragraphs.
         const char16_t *cells[] = {u"元件", u"数值", u"R1", u"10kΩ", u"C1", u"100μF\n电解"};
         for (int i = 0; i < 6; ++i)
             table->cellAt(i / 2, i % 2).firstCursorPosition().insertText(QString::fromUtf16(cells[i]), kSong);
         c.movePosition(QTextCursor::End);
         c.insertText(u"表后"_qs, kSong);
     }},
    {"lists", [](QTextCursor &c) {
         c.insertText(u"步骤"_qs, kSong);
         for (const auto style : {QTextListFormat::ListDecimal, QTextListFormat::ListDisc}) {
             c.insertBlock();
             c.createList(style);
             c.insertText(u"焊接\n调试"_qs, kSong);
         }
         c.insertBlock(QTextBlockFormat());
         c.insertText(u"完"_qs, kSong);
     }},
};

// Written, the document reads back the same, from bytes any reader takes.
void checkRoundTrip(const QString &name, const QTextDocument &original)
{
    const QByteArray rtf = rtf::write(original);
    exportForInterop(name, rtf, original);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936"));
    // The editor shows a negative left indent (Wine writes them) at the
    // margin, and the file says what the author saw.
    QVERIFY(!rtf.contains("\\li-"));
    // A control character is always escaped: raw, a reader takes it for
    // the file's own layout.
    const auto raw = std::find_if(rtf.begin(), rtf.end(),
                                  [](char b) { return static_cast<unsigned char>(b) < 0x20 && b != '\r' && b != '\n'; });
    QCOMPARE(raw - rtf.begin(), rtf.size());
    // Lines stay short enough for any editor or mail program.
    for (const QByteArray &line : rtf.split('\n'))
        QVERIFY2(line.size() <= 260, line.left(80).constData());
    QTextDocument back;
    const QString before = documentText(original), after = reread(rtf, back);
    // Where the text first differs, rather than two screens of text.
    const qsizetype at = std::mismatch(before.begin(), before.end(), after.begin(), after.end()).first - before.begin();
    QCOMPARE(std::pair(at, after.mid(at, 12)), std::pair(at, before.mid(at, 12)));
    QCOMPARE(describe(back.rootFrame()->begin()), describe(original.rootFrame()->begin()));
}

} // namespace

class TestRtfRoundTrip final : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kBuilders)); ++i)
            QTest::newRow(kBuilders[i].first) << i;
    }

    void roundTrip()
    {
        QFETCH(int, index);
        QTextDocument original;
        QTextCursor cursor(&original);
        kBuilders[index].second(cursor);
        checkRoundTrip(u"built_"_qs + QLatin1StringView(kBuilders[index].first), original);
    }

    // What is written for a text in a font, then in a bold 黑体 run in a
    // group of its own (where the skip count is scoped), then for an "x";
    // and what a reader that knows \u reads, and one that knows none and
    // shows the fallback bytes in the font's code page.
    void writes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("oldReader"); // of the text itself, when not what a \u reader reads
        QTest::addColumn<QString>("family");
        const auto row = [](const char *name, const QString &text, const QByteArray &expected,
                            const QString &oldReader = {}, const QString &family = u"宋体"_qs) {
            QTest::newRow(name) << text << expected << oldReader << family;
        };
        row("backslash and braces", u"a\\b{c}d"_qs, "a\\\\b\\{c\\}d");
        // 路 is U+8DEF: above 32767, so written as a negative number.
        row("N above 32767", u"路"_qs, "\\u-29201\\'c2\\'b7");
        row("N below 32768", u"电"_qs, "\\u30005\\'b5\\'e7");
        row("one-byte fallback", u"€"_qs, "\\u8364\\'80");
        row("surrogate pair", u"\U0001F600"_qs, "\\u-10179?\\u-8704?", u"??"_qs);
        row("not in 936", u"한"_qs, "\\u-10916?", u"?"_qs);
        row("tab before a letter", u"\tb"_qs, "\\tab b");
        row("tab before a digit", u"\t1"_qs, "\\tab 1");
        row("tab before a space", u"\t x"_qs, "\\tab  x");
        row("tab before a hyphen", u"\t-"_qs, "\\tab -");
        row("no-break space", u"1\u00a02"_qs, "1\\~2");
        row("line separator", u"a\u2028b"_qs, "\\line b");
        // The encrypted blank, tab and U+0001, which readers without \u
        // also take as characters.
        row("control characters", u"\x1f\x08\x01"_qs, "\\u31\\'1f\\u8\\'08\\u1\\'01");
        row("skip count changes", u"电\U0001F600b€c路1"_qs, "", u"电??b€c路1"_qs);
        row("not in 936 then digits", u"한123"_qs, "", u"?123"_qs);
        row("after a tab and a brace", u"Ж\t{路}"_qs, "");
        row("fallbacks that look like text", u"：，。1"_qs, "");
        // Word reads a font name as bytes in the font's charset: GBK for 134;
        // the other Chinese faces' names go the same way (their \falt below).
        row("font 宋体", u"字"_qs, "{\\f1\\fnil\\fcharset134\\'cb\\'ce\\'cc\\'e5{\\*\\falt SimSun};}");
        row("font SimSun", u"字"_qs, "{\\f1\\fnil\\fcharset134 SimSun;}", {}, u"SimSun"_qs);
        row("font Times New Roman", u"Ab"_qs, "{\\f1\\froman\\fcharset0 Times New Roman;}", {}, u"Times New Roman"_qs);
        row("font with RTF characters", u"Ab"_qs, "{\\f1\\fnil\\fcharset0 X\\'7by\\'7d\\'5cz;}", {}, u"X{y}\\z"_qs);
        // A name code page 936 cannot hold goes in as \u with '?' fallbacks.
        row("font name not in 936", u"字"_qs, "{\\f1\\fnil\\fcharset134\\u-17967?\\u-14528?;}", {}, u"맑은"_qs);
        // Each of the Chinese faces the window knows: its Latin name for Word
        // on an English system, and that name taken as Chinese.
        for (const chinesefonts::Font &face : chinesefonts::all()) {
            if (!face.latin)
                continue;
            const QByteArray latin(face.latin);
            QTest::addRow("falt %s", latin.constData()) << u"字"_qs << "{\\*\\falt " + latin + "};}" << QString()
                                                      << QString::fromUtf16(face.name);
            QTest::addRow("Latin %s", latin.constData()) << u"字"_qs << "\\fcharset134 " + latin + ";}" << QString()
                                                       << QString::fromLatin1(latin);
        }
    }

    void writes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QFETCH(QString, oldReader);
        QFETCH(QString, family);
        QTextDocument document, back;
        document.setDefaultFont(QFont(u"Default Font"_qs));
        QTextCursor cursor(&document);
        cursor.insertText(text, font(family));
        QTextCharFormat bold = font(u"黑体"_qs);
        bold.setFontWeight(QFont::Bold);
        cursor.insertText(text, bold);
        cursor.insertText(u"x"_qs, font(family));
        const QByteArray rtf = rtf::write(document);
        QVERIFY2(rtf.contains(expected), rtf.constData());
        QCOMPARE(reread(rtf, back), documentText(document));
        QCOMPARE(back.begin().begin().fragment().charFormat().fontFamilies().toStringList().value(0), family);
        static const QRegularExpression unicodeWord(QStringLiteral("\\\\u-?[0-9]+"));
        QCOMPARE(reread(QString::fromLatin1(rtf).remove(unicodeWord).toLatin1(), back),
                 oldReader.isEmpty() ? documentText(document) : oldReader + oldReader + u"x"_qs);
    }

    void keptPictureGroup_data()
    {
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<bool>("kept");
        QTest::newRow("metafile") << QByteArray("{\\pict\\wmetafile8\\picw10\\pich10 0102ff}") << true;
        QTest::newRow("binary with braces") << QByteArray("{\\pict\\wmetafile8\\bin4 {}}{}") << true;
        QTest::newRow("unbalanced") << QByteArray("{\\pict\\wmetafile8 {0102}") << false;
        QTest::newRow("two groups") << QByteArray("{\\pict 01}{\\pict 02}") << false;
        QTest::newRow("binary past the end") << QByteArray("{\\pict\\bin99 01}") << false;
    }

    void keptPictureGroup()
    {
        QFETCH(QByteArray, group);
        QFETCH(bool, kept);
        QTextDocument document, back;
        QTextCursor cursor(&document);
        cursor.insertText(u"前"_qs, kSong);
        QTextImageFormat picture;
        picture.setName(u"kept"_qs);
        picture.setProperty(rtf::RawPictureGroup, group);
        cursor.insertImage(picture);
        cursor.insertText(u"后"_qs, kSong);
        const QByteArray rtf = rtf::write(document);
        QCOMPARE(rtf.contains(group), kept);
        QCOMPARE(reread(rtf, back), u"前后"_qs);
    }

    void corpus_data()
    {
        QTest::addColumn<QString>("file");
        QFile manifest(kCorpus + u"/manifest.jsonl"_qs);
        QVERIFY2(manifest.open(QIODevice::ReadOnly), qPrintable(manifest.fileName()));
        while (!manifest.atEnd()) {
            const QString file = QJsonDocument::fromJson(manifest.readLine()).object().value(u"file").toString();
            if (!file.isEmpty())
                QTest::newRow(qPrintable(file)) << file;
        }
    }

    // The reader's own suite compares the first reading with the expected text.
    void corpus()
    {
        QFETCH(QString, file);
        QFile source(kCorpus + u'/' + file);
        if (!source.exists())
            QSKIP("not generated (gen/make_long.py writes it)");
        QVERIFY(source.open(QIODevice::ReadOnly));
        QTextDocument document;
        rtf::read(source.readAll(), document);
        checkRoundTrip(u"corpus_"_qs + QFileInfo(file).completeBaseName(), document);
    }
};

QTEST_MAIN(TestRtfRoundTrip)
#include "tst_rtfroundtrip.moc"
