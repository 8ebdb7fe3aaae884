#include "text/documenttext.h"
#include "text/rtf/rtfformat.h"
#include "text/rtf/rtfissues.h"
#include "text/rtf/rtfreader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>
#include <QtTest>

using namespace bilan;

namespace {

const QString kCorpus = QStringLiteral("../shared/rtf-corpus/");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString load(const QByteArray &rtf, QTextDocument &document)
{
    rtf::read(rtf, document);
    return documentText(document);
}

QString textOf(const QByteArray &rtf)
{
    QTextDocument document;
    return load(rtf, document);
}

// The format of the first character of the first occurrence of needle.
QTextCharFormat formatAt(QTextDocument &document, const QString &needle)
{
    const QTextCursor found = document.find(needle);
    if (found.isNull())
        return {};
    QTextCursor at(&document);
    at.setPosition(found.selectionStart() + 1);
    return at.charFormat();
}

QTextBlock blockWith(QTextDocument &document, const QString &needle)
{
    const QTextCursor found = document.find(needle);
    return found.isNull() ? QTextBlock() : found.block();
}

QString family(const QTextCharFormat &format)
{
    const QStringList families = format.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

// "b i u s ^ _" for bold, italic, underline, strike, super, sub.
QString flags(const QTextCharFormat &format)
{
    QStringList out;
    if (format.fontWeight() >= QFont::Bold)
        out << QStringLiteral("b");
    if (format.fontItalic())
        out << QStringLiteral("i");
    if (format.fontUnderline())
        out << QStringLiteral("u");
    if (format.fontStrikeOut())
        out << QStringLiteral("s");
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        out << QStringLiteral("^");
    if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        out << QStringLiteral("_");
    return out.join(u' ');
}

QList<QTextImageFormat> images(const QTextDocument &document)
{
    QList<QTextImageFormat> result;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat())
                result.append(format.toImageFormat());
        }
    }
    return result;
}

QTextTable *firstTable(QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (QTextTable *table = QTextCursor(block).currentTable())
            return table;
    }
    return nullptr;
}

QString cellText(QTextTable *table, int row, int column)
{
    QTextCursor cursor = table->cellAt(row, column).firstCursorPosition();
    cursor.setPosition(table->cellAt(row, column).lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selection().toPlainText();
}

} // namespace


class TestRtfReader final : public QObject
{
    Q_OBJECT

private slots:
    void corpus_data();
    void corpus();
    void corpusCharacters_data();
    void corpusCharacters();
    void corpusParagraphs_data();
    void corpusParagraphs();
    void corpusTables_data();
    void corpusTables();
    void corpusPictures_data();
    void corpusPictures();
    void corpusLists();

    void text_data();
    void text();
    void characters_data();
    void characters();
    void byteGrouping_data();
    void byteGrouping();
    void damaged_data();
    void damaged();
    void largeInput();
    void largeTable();
    void tableShapes_data();
    void tableShapes();
    void unknownPicture();
    void lastParagraphWithoutPar();
    void plainText_data();
    void plainText();
};

// ---- The corpus ---------------------------------------------------------

void TestRtfReader::corpus_data()
{
    QTest::addColumn<QString>("rtfPath");
    QTest::addColumn<QString>("expectedPath");
    QFile manifest(kCorpus + QStringLiteral("manifest.jsonl"));
    QVERIFY2(manifest.open(QIODevice::ReadOnly), "the corpus is missing; tests run from the repository's top folder");
    // The long file is generated on demand (gen/make_long.py) and not kept
    // with the corpus; BILAN_RTF_LONG names the folder it was written to.
    const QString longFolder = qEnvironmentVariable("BILAN_RTF_LONG");
    int rows = 0;
    while (!manifest.atEnd()) {
        const QByteArray line = manifest.readLine().trimmed();
        if (line.isEmpty())
            continue;
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        const QString file = entry.value(u"file").toString();
        const QString expected = entry.value(u"expected").toString();
        QVERIFY2(!file.isEmpty() && !expected.isEmpty(), line.constData());
        QString rtfPath = kCorpus + file;
        QString expectedPath = kCorpus + expected;
        if (entry.contains(u"generated_by")) {
            if (!longFolder.isEmpty()) {
                rtfPath = longFolder + u'/' + QFileInfo(file).fileName();
                expectedPath = longFolder + u'/' + QFileInfo(expected).fileName();
            }
            if (!QFile::exists(rtfPath))
                continue;
        }
        QTest::newRow(qPrintable(file)) << rtfPath << expectedPath;
        ++rows;
    }
    QVERIFY(rows >= 20);
}

void TestRtfReader::corpus()
{
    QFETCH(QString, rtfPath);
    QFETCH(QString, expectedPath);
    const QByteArray rtf = readFile(rtfPath);
    QVERIFY(!rtf.isEmpty());
    QString expected = QString::fromUtf8(readFile(expectedPath));
    QVERIFY(expected.endsWith(u'\n'));
    expected.chop(1); // the last paragraph's mark

    QTextDocument document;
    const QString actual = load(rtf, document);
    const QStringList want = expected.split(u'\n');
    const QStringList got = actual.split(u'\n');
    for (qsizetype i = 0; i < std::min(want.size(), got.size()); ++i) {
        if (want.at(i) != got.at(i)) {
            QFAIL(qPrintable(QStringLiteral("line %1 differs:\n  got:      %2\n  expected: %3")
                                 .arg(i + 1)
                                 .arg(got.at(i), want.at(i))));
        }
    }
    QCOMPARE(got.size(), want.size());
}

// What the sources (.fodt, .abw, .md, the Wine harness) set on the text.
void TestRtfReader::corpusCharacters_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QString>("foreground");
    QTest::addColumn<QString>("background");

    // LibreOffice names 宋体, 黑体 and 楷体 in Shift-JIS under \fcharset128,
    // 仿宋 in GBK, and gives CJK text its font through \dbch\af.
    QTest::newRow("lo 宋体 10.5") << "lo_fonts_sizes" << "宋体五号" << "宋体" << 10.5 << "" << "" << "";
    QTest::newRow("lo 黑体 14") << "lo_fonts_sizes" << "黑体四号" << "黑体" << 14.0 << "" << "" << "";
    QTest::newRow("lo 楷体 12") << "lo_fonts_sizes" << "楷体小四" << "楷体" << 12.0 << "" << "" << "";
    QTest::newRow("lo 仿宋 9") << "lo_fonts_sizes" << "仿宋小五" << "仿宋" << 9.0 << "" << "" << "";
    QTest::newRow("lo latin beside CJK") << "lo_fonts_sizes" << "14磅" << "Times New Roman" << 14.0 << "" << "" << "";
    QTest::newRow("lo Arial 9") << "lo_fonts_sizes" << "Arial 9pt" << "Arial" << 9.0 << "" << "" << "";
    QTest::newRow("lo Courier 10") << "lo_fonts_sizes" << "Courier New 10pt" << "Courier New" << 10.0 << "" << ""
                                   << "";
    QTest::newRow("lo 二号 bold") << "lo_fonts_sizes" << "二号标题" << "黑体" << 22.0 << "b" << "" << "";
    QTest::newRow("lo same paragraph 楷体") << "lo_fonts_sizes" << "楷体Times" << "楷体" << 10.5 << "" << "" << "";
    QTest::newRow("lo bold CJK") << "lo_char_formats" << "粗体bold" << "Times New Roman" << 10.5 << "b" << "" << "";
    QTest::newRow("lo bold latin") << "lo_char_formats" << "bold" << "Times New Roman" << 10.5 << "b" << "" << "";
    QTest::newRow("lo plain") << "lo_char_formats" << "常规" << "Times New Roman" << 10.5 << "" << "" << "";
    QTest::newRow("lo italic") << "lo_char_formats" << "斜体italic" << "Times New Roman" << 10.5 << "i" << "" << "";
    QTest::newRow("lo bold italic") << "lo_char_formats" << "粗斜体" << "Times New Roman" << 10.5 << "b i" << "" << "";
    QTest::newRow("lo underline") << "lo_char_formats" << "下划线underline" << "Times New Roman" << 10.5 << "u"
                                  << "" << "";
    QTest::newRow("lo strike") << "lo_char_formats" << "删除线strike" << "Times New Roman" << 10.5 << "s" << "" << "";
    QTest::newRow("lo red") << "lo_char_formats" << "红色、深蓝" << "Times New Roman" << 10.5 << "" << "#ff0000" << "";
    QTest::newRow("lo dark blue") << "lo_char_formats" << "深蓝" << "Times New Roman" << 10.5 << "" << "#1f3864" << "";
    QTest::newRow("lo shading") << "lo_char_formats" << "黄色底纹" << "Times New Roman" << 10.5 << "" << ""
                                << "#ffff00";
    QTest::newRow("lo red bold underline") << "lo_char_formats" << "红色粗体" << "Times New Roman" << 10.5 << "b u"
                                           << "#c00000" << "";
    QTest::newRow("lo super") << "lo_char_formats" << "3Ω" << "Times New Roman" << 10.5 << "^" << "" << "";
    QTest::newRow("lo sub") << "lo_char_formats" << "CE、" << "Times New Roman" << 10.5 << "_" << "" << "";
    QTest::newRow("lo grey strike") << "lo_char_formats" << "已淘汰的" << "Times New Roman" << 10.5 << "s"
                                    << "#808080" << "";
    QTest::newRow("lo table header") << "lo_table" << "代号" << "黑体" << 10.5 << "b" << "" << "";
    // A list paragraph carries no size; its style (based on Normal) does.
    QTest::newRow("lo list item size") << "lo_headings_lists" << "R1～R5" << "Times New Roman" << 10.5 << "" << ""
                                       << "";

    // AbiWord: CJK font names as \uN, highlight as \cb with \highlight.
    QTest::newRow("abi 宋体") << "abi_fonts_formats" << "宋体五号" << "宋体" << 10.5 << "" << "" << "";
    QTest::newRow("abi 黑体") << "abi_fonts_formats" << "黑体四号" << "黑体" << 14.0 << "" << "" << "";
    QTest::newRow("abi 仿宋") << "abi_fonts_formats" << "仿宋小五" << "仿宋" << 9.0 << "" << "" << "";
    QTest::newRow("abi bold") << "abi_fonts_formats" << "粗体bold" << "宋体" << 10.5 << "b" << "" << "";
    QTest::newRow("abi red") << "abi_fonts_formats" << "红色、" << "宋体" << 10.5 << "" << "#ff0000" << "";
    QTest::newRow("abi highlight") << "abi_fonts_formats" << "黄色底纹" << "宋体" << 10.5 << "" << "" << "#ffff00";
    QTest::newRow("abi sub") << "abi_fonts_formats" << "CE、" << "宋体" << 10.5 << "_" << "" << "";
    // The heading's style is not the list item's after it.
    QTest::newRow("abi list item") << "abi_article" << "R1～R5" << "宋体" << 10.5 << "" << "" << "";

    // Wine: GBK names and text under \fcharset134.
    QTest::newRow("wine title") << "wine_gbk_manuscript" << "用CD4011" << "黑体" << 16.0 << "b" << "#000000" << "";
    QTest::newRow("wine body") << "wine_gbk_manuscript" << "楼道里" << "宋体" << 10.5 << "" << "#000000" << "";
    QTest::newRow("wine italic") << "wine_gbk_manuscript" << "1N4002" << "宋体" << 10.5 << "i" << "#000000" << "";

    // pandoc: no charsets, a group per run.
    QTest::newRow("pd bold") << "pd_formats_paragraphs" << "粗体bold" << "Helvetica" << 12.0 << "b" << "" << "";
    QTest::newRow("pd nested bold italic") << "pd_formats_paragraphs" << "粗斜体" << "Helvetica" << 12.0 << "b i"
                                           << "" << "";
    QTest::newRow("pd after groups") << "pd_formats_paragraphs" << "，下划线" << "Helvetica" << 12.0 << "" << ""
                                     << "";
    QTest::newRow("pd heading") << "pd_article" << "一、电路原理" << "Helvetica" << 16.0 << "b" << "" << "";
}

void TestRtfReader::corpusCharacters()
{
    QFETCH(QString, file);
    QFETCH(QString, needle);
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(QString, flags);
    QFETCH(QString, foreground);
    QFETCH(QString, background);

    QTextDocument document;
    rtf::read(readFile(kCorpus + QStringLiteral("rtf/%1.rtf").arg(file)), document);
    QVERIFY2(!document.find(needle, 0, QTextDocument::FindCaseSensitively).isNull(), qPrintable(needle));
    const QTextCharFormat format = formatAt(document, needle);
    QCOMPARE(::family(format), family);
    QCOMPARE(format.fontPointSize(), points);
    QCOMPARE(::flags(format), flags);
    QCOMPARE(format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color().name() : QString(),
             foreground);
    QCOMPARE(format.hasProperty(QTextFormat::BackgroundBrush) ? format.background().color().name() : QString(),
             background);
}

void TestRtfReader::corpusParagraphs_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("first");
    QTest::addColumn<double>("leftPixels");
    QTest::addColumn<double>("indentPixels");

    const int l = Qt::AlignLeft, c = Qt::AlignHCenter, r = Qt::AlignRight, j = Qt::AlignJustify;
    QTest::newRow("lo centred") << "lo_paragraphs_tabs" << "居中的标题" << c << 0 << 0 << 0 << 0.0 << 0.0;
    QTest::newRow("lo first line") << "lo_paragraphs_tabs" << "首行缩进两字" << l << 0 << 0 << 420 << 0.0 << 28.0;
    QTest::newRow("lo left 1cm") << "lo_paragraphs_tabs" << "左缩进1厘米" << l << 567 << 0 << 0 << 37.8 << 0.0;
    QTest::newRow("lo right") << "lo_paragraphs_tabs" << "右对齐的落款" << r << 0 << 0 << 0 << 0.0 << 0.0;
    QTest::newRow("lo justified") << "lo_paragraphs_tabs" << "两端对齐" << j << 0 << 0 << 0 << 0.0 << 0.0;
    QTest::newRow("lo list hanging") << "lo_headings_lists" << "C4为470pF" << l << 720 << 0 << -360 << 48.0 << -24.0;
    QTest::newRow("pd hanging") << "pd_article" << "R1～R5" << l << 360 << 0 << -360 << 24.0 << -24.0;
    QTest::newRow("pd centred cell") << "pd_article" << "型号/规格" << c << 0 << 0 << 0 << 0.0 << 0.0;
    QTest::newRow("abi first line") << "abi_article" << "楼道里" << l << 0 << 0 << 420 << 0.0 << 28.0;
    QTest::newRow("abi centred") << "abi_article" << "用CD4011" << c << 0 << 0 << 0 << 0.0 << 0.0;
    // Wine writes a first-line indent as a negative left indent and a
    // positive first one: the twips stay, the page shows the first line in.
    QTest::newRow("wine first line") << "wine_gbk_manuscript" << "楼道里" << l << -420 << 0 << 420 << 0.0 << 28.0;
    QTest::newRow("wine centred") << "wine_gbk_manuscript" << "用CD4011" << c << 0 << 0 << 0 << 0.0 << 0.0;
}

void TestRtfReader::corpusParagraphs()
{
    QFETCH(QString, file);
    QFETCH(QString, needle);
    QFETCH(int, alignment);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(int, first);
    QFETCH(double, leftPixels);
    QFETCH(double, indentPixels);

    QTextDocument document;
    rtf::read(readFile(kCorpus + QStringLiteral("rtf/%1.rtf").arg(file)), document);
    const QTextBlock block = blockWith(document, needle);
    QVERIFY2(block.isValid(), qPrintable(needle));
    const QTextBlockFormat format = block.blockFormat();
    QCOMPARE(int(format.alignment() & Qt::AlignHorizontal_Mask), alignment);
    QCOMPARE(format.intProperty(rtf::LeftIndentTwips), left);
    QCOMPARE(format.intProperty(rtf::RightIndentTwips), right);
    QCOMPARE(format.intProperty(rtf::FirstLineIndentTwips), first);
    QCOMPARE(format.leftMargin(), leftPixels);
    QCOMPARE(format.textIndent(), indentPixels);
}

void TestRtfReader::corpusTables_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QStringList>("cells"); // (0,0), (1,2), (last,0), (last,3)

    const QStringList cells{"代号", "CD4011", "C4", "1"};
    QTest::newRow("LibreOffice") << "lo_table" << 10 << 4 << cells;
    QTest::newRow("LibreOffice article") << "lo_article" << 10 << 4 << cells;
    QTest::newRow("pandoc") << "pd_article" << 10 << 4 << cells;
    QTest::newRow("AbiWord") << "abi_article" << 10 << 4 << cells;
    QTest::newRow("Wine") << "wine_resave_lo_article" << 10 << 4 << cells;
}

void TestRtfReader::corpusTables()
{
    QFETCH(QString, file);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QStringList, cells);

    QTextDocument document;
    rtf::read(readFile(kCorpus + QStringLiteral("rtf/%1.rtf").arg(file)), document);
    QTextTable *table = firstTable(document);
    QVERIFY(table);
    QCOMPARE(table->rows(), rows);
    QCOMPARE(table->columns(), columns);
    // pandoc's cells end in an empty paragraph of their own.
    QCOMPARE(cellText(table, 0, 0).trimmed(), cells.at(0));
    QCOMPARE(cellText(table, 1, 2).trimmed(), cells.at(1));
    QCOMPARE(cellText(table, rows - 1, 0).trimmed(), cells.at(2));
    QCOMPARE(cellText(table, rows - 1, 3).trimmed(), cells.at(3));
    // Text after the table is outside it.
    const QTextBlock after = table->lastCursorPosition().block().next();
    QVERIFY(after.isValid());
    QVERIFY(!QTextCursor(after).currentTable());
}

void TestRtfReader::corpusPictures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("goalWidth");
    QTest::addColumn<int>("scaleX");
    QTest::addColumn<QString>("original");

    const int png = int(rtf::PictureKind::Png), jpeg = int(rtf::PictureKind::Jpeg);
    const QString pngFile = QStringLiteral("source/img/fig_png.png");
    const QString jpegFile = QStringLiteral("source/img/fig_jpeg.jpg");
    // Goal size times scale: 2400 twips at 141 % is 225.6 pixels (6 cm).
    QTest::newRow("lo png") << "lo_pictures" << 0 << png << 225.6 << 135.36 << 2400 << 141 << pngFile;
    QTest::newRow("lo jpeg") << "lo_pictures" << 1 << jpeg << 188.16 << 112.8 << 1920 << 147 << jpegFile;
    QTest::newRow("abi png") << "abi_article" << 0 << png << 226.0627 << 135.6093 << 3199 << 106 << pngFile;
    QTest::newRow("abi jpeg") << "abi_article" << 1 << jpeg << 187.7333 << 112.996 << 2560 << 110 << jpegFile;
}

void TestRtfReader::corpusPictures()
{
    QFETCH(QString, file);
    QFETCH(int, index);
    QFETCH(int, kind);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(int, goalWidth);
    QFETCH(int, scaleX);
    QFETCH(QString, original);

    QTextDocument document;
    rtf::read(readFile(kCorpus + QStringLiteral("rtf/%1.rtf").arg(file)), document);
    const QList<QTextImageFormat> pictures = images(document);
    QCOMPARE(pictures.size(), 2); // the \nonshppict copies are not pictures of their own
    const QTextImageFormat picture = pictures.at(index);
    QCOMPARE(picture.intProperty(rtf::PictureKindProperty), kind);
    QVERIFY2(qAbs(picture.width() - width) < 0.01, qPrintable(QString::number(picture.width())));
    QVERIFY2(qAbs(picture.height() - height) < 0.01, qPrintable(QString::number(picture.height())));
    QCOMPARE(picture.intProperty(rtf::PictureWidthTwips), goalWidth);
    QCOMPARE(picture.intProperty(rtf::PictureScaleXPercent), scaleX);
    const QByteArray bytes = readFile(kCorpus + original);
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(picture.property(rtf::PictureData).toByteArray(), bytes);
    const QImage shown = document.resource(QTextDocument::ImageResource, QUrl(picture.name())).value<QImage>();
    QCOMPARE(shown.size(), QImage::fromData(bytes).size());
    // A picture alone in its paragraph is an empty line of text.
    QVERIFY(documentText(document).contains(QStringLiteral("\n\n")));
}

void TestRtfReader::corpusLists()
{
    QTextDocument document;
    rtf::read(readFile(kCorpus + QStringLiteral("rtf/lo_headings_lists.rtf")), document);
    const auto item = [&](const QString &needle) { return blockWith(document, needle); };

    const QTextBlock bullet = item(QStringLiteral("R1～R5"));
    QVERIFY(bullet.textList());
    QCOMPARE(bullet.blockFormat().stringProperty(rtf::ListLabel), QStringLiteral("•"));
    QCOMPARE(bullet.textList()->format().style(), QTextListFormat::ListDisc);
    QCOMPARE(bullet.textList(), item(QStringLiteral("VT1可用")).textList());

    const QTextBlock first = item(QStringLiteral("按图2所示"));
    const QTextBlock second = item(QStringLiteral("先不接灯泡"));
    QVERIFY(first.textList());
    QVERIFY(first.textList() != bullet.textList());
    QCOMPARE(first.textList(), second.textList());
    QCOMPARE(first.textList()->itemText(first), QStringLiteral("1."));
    QCOMPARE(second.textList()->itemText(second), QStringLiteral("2."));
    QCOMPARE(second.blockFormat().stringProperty(rtf::ListLabel), QStringLiteral("2."));

    const QTextBlock chinese = item(QStringLiteral("焊接电路板"));
    QVERIFY(chinese.textList());
    QCOMPARE(chinese.blockFormat().stringProperty(rtf::ListLabel), QStringLiteral("二、"));

    // A heading whose \listtext holds only a tab is no list item, and no
    // label is text.
    QVERIFY(!item(QStringLiteral("一、电路原理")).textList());
    QVERIFY(!documentText(document).contains(QStringLiteral("•")));

    // AbiWord's whole items inside \listtext are body text, tab and all.
    QTextDocument abi;
    rtf::read(readFile(kCorpus + QStringLiteral("rtf/abi_article.rtf")), abi);
    const QTextBlock abiItem = blockWith(abi, QStringLiteral("R1～R5"));
    QVERIFY(!abiItem.textList());
    QVERIFY(abiItem.text().startsWith(QStringLiteral("\tR1～R5")));
}

// ---- Small files ---------------------------------------------------------

void TestRtfReader::text_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");

    QTest::newRow("uc kept per group") << QByteArray(R"({\rtf1\uc2{\uc1\u20013?}\u25991??x})") << u"中文x"_qs;
    QTest::newRow("uc0") << QByteArray(R"({\rtf1\uc0\u20013?})") << u"中?"_qs;
    QTest::newRow("skip ends at a group") << QByteArray(R"({\rtf1\uc3\u20013{\b x}})") << u"中x"_qs;
    QTest::newRow("u negative") << QByteArray(R"({\rtf1\u-24879?})") << u"黑"_qs;
    QTest::newRow("u above 32767") << QByteArray(R"({\rtf1\u40657?})") << u"黑"_qs;
    QTest::newRow("fallback real byte") << QByteArray(R"({\rtf1\u8220\'93x})") << u"“x"_qs;
    QTest::newRow("fallback control word") << QByteArray(R"({\rtf1\u8220\ldblquote x})") << u"“x"_qs;
    QTest::newRow("fallback look-alike") << QByteArray(R"({\rtf1\u65292,x})") << u"，x"_qs;
    QTest::newRow("fallback is binary") << QByteArray("{\\rtf1\\u20013\\bin2 xyz}") << u"中z"_qs;
    QTest::newRow("surrogates with fallback") << QByteArray(R"({\rtf1\u-10179?\u-8704?})") << u"😀"_qs;
    QTest::newRow("surrogates without") << QByteArray(R"({\rtf1\uc0\u55357\u56832})") << u"😀"_qs;
    QTest::newRow("surrogates across uc") << QByteArray(R"({\rtf1\uc0 \u55357\uc1 \u56832\'3f})") << u"😀"_qs;
    QTest::newRow("lone high surrogate") << QByteArray(R"({\rtf1\u55357?x})") << u"\uFFFDx"_qs;
    QTest::newRow("ansicpg936, font without charset")
        << QByteArray(R"({\rtf1\ansi\ansicpg936{\fonttbl{\f0 Arial;}}\f0\'b5\'e7})") << u"电"_qs;
    QTest::newRow("ansicpg936, no font table") << QByteArray(R"({\rtf1\ansi\ansicpg936 \'b5\'e7})") << u"电"_qs;
    QTest::newRow("font charset over ansicpg")
        << QByteArray(R"({\rtf1\ansi\ansicpg936{\fonttbl{\f0\fcharset0 Arial;}}\f0\'b5\'e7})") << u"µç"_qs;
    QTest::newRow("charset 134 in a 1252 file")
        << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\fcharset134 SimSun;}}\f0\'b5\'e7})") << u"电"_qs;
    QTest::newRow("charset 128") << QByteArray(R"({\rtf1{\fonttbl{\f0\fcharset128 Mincho;}}\f0\'93\'64})")
                                 << u"電"_qs;
    QTest::newRow("charset 136") << QByteArray(R"({\rtf1{\fonttbl{\f0\fcharset136 MingLiU;}}\f0\'b9\'71})")
                                 << u"電"_qs;
    QTest::newRow("font switch changes code page")
        << QByteArray(R"({\rtf1{\fonttbl{\f0\fcharset134 A;}{\f1\fcharset0 B;}}\f0\'b5\'e7\f1\'b5})") << u"电µ"_qs;
    QTest::newRow("bin") << QByteArray("{\\rtf1 a\\bin3 {}xb}") << u"ab"_qs;
    QTest::newRow("digits glued to a word") << QByteArray(R"({\rtf1 x\tab1 y})") << u"x\ty"_qs;
    // Wine writes \cellx8640 before a cell that starts with a digit.
    QTest::newRow("digits glued to cellx") << QByteArray(R"({\rtf1\trowd\cellx4320\cellx86401\cell 2\cell\row})")
                                           << u"\n2"_qs;
    QTest::newRow("unknown star destination") << QByteArray(R"({\rtf1 a{\*\foo b{c}}d})") << u"ad"_qs;
    QTest::newRow("unknown word") << QByteArray(R"({\rtf1 a\foo b})") << u"ab"_qs;
    QTest::newRow("unknown word's group") << QByteArray(R"({\rtf1 a{\foo b}c})") << u"abc"_qs;
    QTest::newRow("footnote") << QByteArray(R"({\rtf1 a{\super\chftn}{\footnote\pard b\par}c})") << u"ac"_qs;
    QTest::newRow("field result") << QByteArray(R"({\rtf1 p{\field{\*\fldinst PAGE}{\fldrslt 7}}})") << u"p7"_qs;
    QTest::newRow("header, info, stylesheet")
        << QByteArray(R"({\rtf1{\info{\title t}}{\stylesheet{\s1 Heading;}}{\header h}{\footer f}y})") << u"y"_qs;
    QTest::newRow("upr") << QByteArray(R"({\rtf1{\upr{ansi}{\*\ud{\u20013?}}}})") << u"中"_qs;
    QTest::newRow("nonshppict") << QByteArray(R"({\rtf1 a{\nonshppict{\pict\wmetafile8 0102}}b})") << u"ab"_qs;
    QTest::newRow("symbols") << QByteArray(R"({\rtf1\~\-\_\emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})")
                             << u"\u00A0\u00AD\u2011—–•‘’“”"_qs;
    QTest::newRow("breaks") << QByteArray(R"({\rtf1 a\par b\line c\tab d\page e\sect f})") << u"a\nb\nc\tdef"_qs;
    QTest::newRow("empty paragraphs") << QByteArray(R"({\rtf1 a\par\par b\par})") << u"a\n\nb"_qs;
    QTest::newRow("escapes") << QByteArray(R"({\rtf1 \\\{\}})") << u"\\{}"_qs;
    QTest::newRow("backslash line end") << QByteArray("{\\rtf1 a\\\nb}") << u"a\nb"_qs;
    QTest::newRow("line ends are not text") << QByteArray("{\\rtf1 a\r\nb\nc}") << u"abc"_qs;
    QTest::newRow("control characters") << QByteArray(R"({\rtf1\uc0 a\'0ab\u10 c})") << u"abc"_qs;
    QTest::newRow("list label") << QByteArray(R"({\rtf1{\listtext 1.\tab}item\par})") << u"item"_qs;
    QTest::newRow("pntext label") << QByteArray(R"({\rtf1{\pntext\'b7\tab}{\*\pn\pnlvlblt}item\par})") << u"item"_qs;
    QTest::newRow("whole item in listtext") << QByteArray(R"({\rtf1{\listtext\pard{\tab}{item\par}}next})")
                                            << u"\titem\nnext"_qs;
    QTest::newRow("trailing NUL") << QByteArray("{\\rtf1 a\\par}\0", 15) << u"a"_qs;
    QTest::newRow("garbage after the last brace") << QByteArray(R"({\rtf1 a}xyz)") << u"a"_qs;
    QTest::newRow("table alone") << QByteArray(R"({\rtf1\trowd\cellx1000\cellx2000 a\cell b\cell\row})")
                                 << u"a\nb"_qs;
    QTest::newRow("table between paragraphs")
        << QByteArray(R"({\rtf1 x\par\trowd\cellx1000\cellx2000\pard\intbl a\cell b\cell\row)"
                      R"(\trowd\cellx1000\cellx2000\pard\intbl c\cell d\cell\row\pard y\par})")
        << u"x\na\nb\nc\nd\ny"_qs;
    QTest::newRow("row with a wide cell")
        << QByteArray(R"({\rtf1\trowd\cellx1000\cellx2000\cellx3000 a\cell b\cell c\cell\row)"
                      R"(\trowd\cellx1000\cellx3000 d\cell e\cell\row\pard z})")
        << u"a\nb\nc\nd\ne\nz"_qs;
    QTest::newRow("row with more cells")
        << QByteArray(R"({\rtf1\trowd\cellx1000\cellx2000 a\cell b\cell\row)"
                      R"(\trowd\cellx1000\cellx2000\cellx3000 c\cell d\cell e\cell\row\pard z})")
        << u"a\nb\nc\nd\ne\nz"_qs;
}

void TestRtfReader::text()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(textOf(rtf), expected);
}

void TestRtfReader::characters_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<QString>("flags");

    const QByteArray nested(R"({\rtf1{\fonttbl{\f0 Arial;}{\f1 Courier New;}}{\b A{\i B}C}D{\f1\fs40 E}F})");
    QTest::newRow("group sets") << nested << "A" << "Arial" << 12.0 << "b";
    QTest::newRow("nested group adds") << nested << "B" << "Arial" << 12.0 << "b i";
    QTest::newRow("nested group restores") << nested << "C" << "Arial" << 12.0 << "b";
    QTest::newRow("outer group restores") << nested << "D" << "Arial" << 12.0 << "";
    QTest::newRow("font and size") << nested << "E" << "Courier New" << 20.0 << "";
    QTest::newRow("font restored") << nested << "F" << "Arial" << 12.0 << "";
    const QByteArray fonts(R"({\rtf1\deff1{\fonttbl{\f0 Arial;}{\f1 Courier New;}})");
    QTest::newRow("missing font number") << fonts + R"(\f7 X})" << "X" << "Courier New" << 12.0 << "";
    QTest::newRow("no font given") << fonts + R"( X})" << "X" << "Courier New" << 12.0 << "";
    QTest::newRow("plain") << fonts + R"(\f0\b\fs30 A\plain B})" << "B" << "Courier New" << 12.0 << "";
    QTest::newRow("no font table") << QByteArray(R"({\rtf1 X})") << "X" << "宋体" << 12.0 << "";
    QTest::newRow("absurd size") << QByteArray(R"({\rtf1\fs99999999999 X})") << "X" << "宋体" << 1638.0 << "";
    const QByteArray regions(R"({\rtf1{\fonttbl{\f0 Times;}{\f1\fcharset134 \'cb\'ce\'cc\'e5;}}\loch\f0\dbch\af1\ab)");
    QTest::newRow("double-byte font") << regions + R"({\dbch X}{\loch Y}})" << "X" << "宋体" << 12.0 << "b";
    QTest::newRow("low-ANSI font") << regions + R"({\dbch X}{\loch Y}})" << "Y" << "Times" << 12.0 << "";
    QTest::newRow("right-to-left ignored")
        << QByteArray(R"({\rtf1{\fonttbl{\f0 Times;}{\f1 Arial;}}\f0\rtlch\af1\ab\ltrch\dbch X})") << "X" << "Times"
        << 12.0 << "";
    const auto named = [](const char *entry) {
        return QByteArray(R"({\rtf1{\fonttbl{\f0)") + entry + R"(}}\f0 X})";
    };
    QTest::newRow("GBK name under charset 0") << named(R"(\fcharset0 \'cb\'ce\'cc\'e5;)") << "X" << "宋体" << 12.0
                                              << "";
    QTest::newRow("GBK name under charset 128") << named(R"(\fcharset128 \'cb\'ce\'cc\'e5;)") << "X" << "宋体"
                                                << 12.0 << "";
    QTest::newRow("Shift-JIS name under 128") << named(R"(\fcharset128 \'91\'76\'91\'cc;)") << "X" << "宋体" << 12.0
                                              << "";
    QTest::newRow("Western name kept") << named(R"(\fcharset0 Caf\'e9 Sans;)") << "X" << "Café Sans" << 12.0 << "";
    QTest::newRow("lost name, falt") << named(R"(\fcharset128 ??{\*\falt SimSun};)") << "X" << "SimSun" << 12.0
                                     << "";
    QTest::newRow("name in unicode") << named(R"(\uc1 \u-24879 ?\u20307 ?;)") << "X" << "黑体" << 12.0 << "";
    const QByteArray styles(R"({\rtf1{\fonttbl{\f0 Arial;}}{\stylesheet{\s0\f0\fs21 Normal;}{\s5\sbasedon0\b List;})"
                            R"({\s1\fs32\b Heading;}})");
    QTest::newRow("style and its base") << styles + R"(\pard\plain\s5 X\par})" << "X" << "Arial" << 10.5 << "b";
    QTest::newRow("style ends at pard") << styles + R"(\pard\plain\s1 X\par\pard Y})" << "Y" << "Arial" << 12.0 << "";
    QTest::newRow("explicit outlives pard") << styles + R"(\pard\plain\s1\i X\par\pard Y})" << "Y" << "Arial"
                                            << 16.0 << "b i";
    QTest::newRow("underline kinds") << QByteArray(R"({\rtf1{\uldb X}{\ulwave Y}})") << "Y" << "宋体" << 12.0 << "u";
    QTest::newRow("ulnone") << QByteArray(R"({\rtf1\uld X\ulnone Y})") << "Y" << "宋体" << 12.0 << "";
    QTest::newRow("underline colour is no underline") << QByteArray(R"({\rtf1\ulc1 X})") << "X" << "宋体" << 12.0
                                                      << "";
    QTest::newRow("super, nosupersub") << QByteArray(R"({\rtf1\super X\nosupersub Y})") << "X" << "宋体" << 12.0
                                       << "^";
}

void TestRtfReader::characters()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, needle);
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(QString, flags);

    QTextDocument document;
    rtf::read(rtf, document);
    QVERIFY2(!document.find(needle, 0, QTextDocument::FindCaseSensitively).isNull(), qPrintable(needle));
    const QTextCharFormat format = formatAt(document, needle);
    QCOMPARE(::family(format), family);
    QCOMPARE(format.fontPointSize(), points);
    QCOMPARE(::flags(format), flags);
}

// However the bytes of a double-byte character are written, it is read as
// one character, unless something that ends a run comes between its bytes.
void TestRtfReader::byteGrouping_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("hex pairs") << QByteArray(R"(\'b5\'e7\'c2\'b7)") << u"电路"_qs;
    QTest::newRow("raw bytes") << QByteArray("\xb5\xe7\xc2\xb7") << u"电路"_qs;
    QTest::newRow("hex then raw") << QByteArray("\\'b5\xe7\xc2\\'b7") << u"电路"_qs;
    QTest::newRow("line end between") << QByteArray("\\'b5\r\n\\'e7\\'c2\n\\'b7") << u"电路"_qs;
    QTest::newRow("language word between") << QByteArray(R"(\'b5\lang2052\'e7\'c2\'b7)") << u"电路"_qs;
    QTest::newRow("unknown word between") << QByteArray(R"(\'b5\kerning1 \'e7\'c2\'b7)") << u"电路"_qs;
    QTest::newRow("pair split across pairs") << QByteArray(R"(\'b5\'e7\'c2\'b7\'b5\'e7)") << u"电路电"_qs;
    QTest::newRow("bold between") << QByteArray(R"(\'b5\b\'e7)") << u"\uFFFD\uFFFD"_qs;
    QTest::newRow("group between") << QByteArray(R"(\'b5{}\'e7)") << u"\uFFFD\uFFFD"_qs;
    QTest::newRow("unicode between") << QByteArray(R"(\'b5\u30005?\'e7)") << u"\uFFFD电\uFFFD"_qs;
    QTest::newRow("paragraph between") << QByteArray(R"(\'b5\par\'e7)") << u"\uFFFD\n\uFFFD"_qs;
}

void TestRtfReader::byteGrouping()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    const QByteArray rtf = R"({\rtf1\ansi{\fonttbl{\f0\fcharset134 SimSun;}}\f0 )" + body + "}";
    QCOMPARE(textOf(rtf), expected);
}

// ---- Damaged files -------------------------------------------------------

void TestRtfReader::damaged_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<int>("issues"); // those that must be reported

    using I = rtf::Issue;
    QTest::newRow("truncated") << QByteArray(R"({\rtf1 hello {\b world)") << u"hello world"_qs
                               << int(I::MissingCloseBrace);
    QTest::newRow("extra closing braces") << QByteArray(R"({\rtf1 a}b}c})") << u"abc"_qs << int(I::ExtraCloseBrace);
    QTest::newRow("close before open") << QByteArray(R"(}{\rtf1 a})") << u"a"_qs
                                       << int(I::ExtraCloseBrace | I::NotRtf);
    QTest::newRow("million open braces") << "{\\rtf1 x" + QByteArray(1'000'000, '{') + "y" << u"xy"_qs
                                         << int(I::DepthLimit | I::MissingCloseBrace);
    QTest::newRow("million balanced braces")
        << "{\\rtf1 x" + QByteArray(1'000'000, '{') + "y" + QByteArray(1'000'000, '}') + "z}" << u"xyz"_qs
        << int(I::DepthLimit);
    QTest::newRow("absurd size") << QByteArray(R"({\rtf1 a\fs99999999999 b})") << u"ab"_qs
                                 << int(I::NumberOutOfRange);
    QTest::newRow("absurd unicode") << QByteArray(R"({\rtf1 a\u-99999?b})") << u"a\uFFFDb"_qs << int(I::BadUnicode);
    QTest::newRow("absurd bin") << QByteArray(R"({\rtf1 a\bin99999999999 xyz})") << u"a"_qs
                                << int(I::BinaryPastEnd | I::NumberOutOfRange | I::MissingCloseBrace);
    QTest::newRow("negative bin") << QByteArray(R"({\rtf1 a\bin-5 b})") << u"ab"_qs << 0;
    QTest::newRow("bad hex") << QByteArray(R"({\rtf1 a\'zzb})") << u"azzb"_qs << int(I::BadHexEscape);
    QTest::newRow("hex at the end") << QByteArray(R"({\rtf1 a\')") << u"a"_qs
                                    << int(I::BadHexEscape | I::MissingCloseBrace);
    QTest::newRow("backslash at the end") << QByteArray(R"({\rtf1 a\)") << u"a"_qs << int(I::MissingCloseBrace);
    QTest::newRow("empty") << QByteArray() << QString() << int(I::NotRtf);
    QTest::newRow("plain text") << QByteArray("hello") << u"hello"_qs << int(I::NotRtf);
    QTest::newRow("trailing data") << QByteArray(R"({\rtf1 a}xyz)") << u"a"_qs << int(I::TrailingData);
    QTest::newRow("picture cut off") << QByteArray(R"({\rtf1 a{\pict\pngblip 89504e47)") << u"a"_qs
                                     << int(I::MissingCloseBrace | I::UnreadablePicture);
    QTest::newRow("bad png") << QByteArray(R"({\rtf1 a{\pict\pngblip 0102}b})") << u"ab"_qs
                             << int(I::UnreadablePicture);
    QTest::newRow("long word") << "{\\rtf1 a\\" + QByteArray(100'000, 'x') + " b}" << u"ab"_qs << 0;
    QTest::newRow("long number") << "{\\rtf1 a\\fs" + QByteArray(100'000, '9') + " b}" << u"ab"_qs
                                 << int(I::NumberOutOfRange);

    // Random bytes after a good start: whatever they say, the start stays.
    QRandomGenerator random(20240607);
    for (int round = 0; round < 4; ++round) {
        QByteArray garbage(200'000, Qt::Uninitialized);
        for (char &c : garbage)
            c = char(random.bounded(256));
        QTest::addRow("binary garbage %d", round) << "{\\rtf1 start\\par " + garbage << u"start"_qs << 0;
    }
}

void TestRtfReader::damaged()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, kept);
    QFETCH(int, issues);

    QElapsedTimer timer;
    timer.start();
    QTextDocument document;
    const rtf::Issues found = rtf::readReporting(rtf, document);
    const QString text = documentText(document);
    QVERIFY2(timer.elapsed() < 10'000, "reading damaged input must not take long");
    if (kept.isEmpty())
        QCOMPARE(text, kept);
    else
        QVERIFY2(text.contains(kept), qPrintable(text.left(80)));
    QCOMPARE(found.toInt() & issues, issues);
}

void TestRtfReader::largeInput()
{
    // A LibreOffice-like body: a group per script, \uN with a \'3f fallback.
    QByteArray rtf(R"({\rtf1\ansi\deff0{\fonttbl{\f0\fcharset0 Times;}{\f1\fcharset134 \'cb\'ce\'cc\'e5;}})");
    const QByteArray paragraph = R"(\pard\plain\s0\loch\f0\fs21\dbch\af1{\dbch \u30005\'3f\u36335\'3f\u21407\'3f)"
                                 R"(\u29702\'3f}{\loch CD4011 }{\dbch\ab \u31895\'3f\u20307\'3f}\par )";
    constexpr int paragraphs = 60'000;
    rtf.reserve(rtf.size() + paragraph.size() * paragraphs + 1);
    for (int i = 0; i < paragraphs; ++i)
        rtf += paragraph;
    rtf += '}';
    QVERIFY(rtf.size() > 8'000'000);

    QElapsedTimer timer;
    timer.start();
    QTextDocument document;
    const QString text = load(rtf, document);
    // Far above what a release build needs; a reader that is quadratic
    // anywhere does not finish in it.
    QVERIFY2(timer.elapsed() < 60'000, qPrintable(QString::number(timer.elapsed())));
    const QStringList lines = text.split(u'\n');
    QCOMPARE(lines.size(), paragraphs);
    QCOMPARE(lines.last(), u"电路原理CD4011 粗体"_qs);
    QCOMPARE(::family(formatAt(document, u"粗体"_qs)), u"宋体"_qs);
    QCOMPARE(::flags(formatAt(document, u"粗体"_qs)), u"b"_qs);
}

void TestRtfReader::largeTable()
{
    // Qt rebuilds a table's grid on every change of shape; a table built a
    // row at a time is quadratic and does not finish in the time below.
    constexpr int rows = 20'000;
    QByteArray rtf(R"({\rtf1 before\par )");
    for (int i = 0; i < rows; ++i) {
        rtf += R"(\trowd\cellx1000\cellx2000\cellx3000\cellx4000\pard\intbl r)" + QByteArray::number(i)
               + R"(\cell b\cell c\cell d\cell\row )";
    }
    rtf += R"(\pard after\par})";

    QElapsedTimer timer;
    timer.start();
    QTextDocument document;
    const QString text = load(rtf, document);
    QVERIFY2(timer.elapsed() < 20'000, qPrintable(QString::number(timer.elapsed())));
    QStringList lines = text.split(u'\n');
    lines.removeAll(QString()); // a table this long is kept as several
    QCOMPARE(lines.size(), 2 + 4 * rows);
    QCOMPARE(lines.at(1), u"r0"_qs);
    QCOMPARE(lines.at(lines.size() - 5), QStringLiteral("r%1").arg(rows - 1));
    QCOMPARE(lines.last(), u"after"_qs);
}

void TestRtfReader::tableShapes_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QStringList>("cells"); // "row column span text"

    // LibreOffice writes merged cells as one wide cell.
    QTest::newRow("wide cell by its edge")
        << QByteArray(R"({\rtf1\trowd\cellx1000\cellx2000\cellx3000 a\cell b\cell c\cell\row)"
                      R"(\trowd\cellx2000\cellx3000 d\cell e\cell\row})")
        << 3 << QStringList{"0 0 1 a", "1 0 2 d", "1 2 1 e"};
    QTest::newRow("last cell takes the rest")
        << QByteArray(R"({\rtf1\trowd\cellx1000\cellx2000\cellx3000 a\cell b\cell c\cell\row)"
                      R"(\trowd\cellx1000\cellx3000 d\cell e\cell\row})")
        << 3 << QStringList{"1 0 1 d", "1 1 2 e"};
    QTest::newRow("more cells widen earlier rows")
        << QByteArray(R"({\rtf1\trowd\cellx1000\cellx2000 a\cell b\cell\row)"
                      R"(\trowd\cellx1000\cellx2000\cellx3000 c\cell d\cell e\cell\row})")
        << 3 << QStringList{"0 1 2 b", "1 2 1 e"};
    QTest::newRow("no row definition") << QByteArray(R"({\rtf1\intbl a\cell b\cell\row\intbl c\cell\row})") << 2
                                       << QStringList{"0 1 1 b", "1 0 2 c"};
}

void TestRtfReader::tableShapes()
{
    QFETCH(QByteArray, rtf);
    QFETCH(int, columns);
    QFETCH(QStringList, cells);

    QTextDocument document;
    rtf::read(rtf, document);
    QTextTable *table = firstTable(document);
    QVERIFY(table);
    QCOMPARE(table->columns(), columns);
    for (const QString &cell : cells) {
        const QStringList parts = cell.split(u' ');
        const QTextTableCell found = table->cellAt(parts.at(0).toInt(), parts.at(1).toInt());
        QVERIFY2(found.isValid(), qPrintable(cell));
        QCOMPARE(found.column(), parts.at(1).toInt());
        QCOMPARE(found.columnSpan(), parts.at(2).toInt());
        QCOMPARE(cellText(table, found.row(), found.column()), parts.at(3));
    }
}

void TestRtfReader::unknownPicture()
{
    // A metafile is kept as it came and shown as a placeholder of its size.
    const QByteArray group = R"({\pict\wmetafile8\picw2540\pich1270\picwgoal1440\pichgoal720 0102ab})";
    QTextDocument document;
    rtf::read(R"({\rtf1 a)" + group + R"({\pict\emfblip\picw5080\pich2540 01}b})", document);
    QCOMPARE(documentText(document), u"ab"_qs);
    const QList<QTextImageFormat> pictures = images(document);
    QCOMPARE(pictures.size(), 2);
    QCOMPARE(pictures.at(0).intProperty(rtf::PictureKindProperty), int(rtf::PictureKind::Other));
    QCOMPARE(pictures.at(0).property(rtf::RawPictureGroup).toByteArray(), group);
    QCOMPARE(pictures.at(0).width(), 96.0);
    QCOMPARE(pictures.at(0).height(), 48.0);
    // Without a goal size, a metafile's size is in hundredths of a millimetre.
    QCOMPARE(pictures.at(1).width(), 192.0);
    QCOMPARE(pictures.at(1).height(), 96.0);
    QVERIFY(!document.resource(QTextDocument::ImageResource, QUrl(pictures.at(0).name())).value<QImage>().isNull());

    // PNG bytes given with \bin are the picture as well as hex is.
    const QByteArray png = readFile(kCorpus + QStringLiteral("source/img/fig_png.png"));
    QVERIFY(!png.isEmpty());
    QTextDocument binary;
    rtf::read(R"({\rtf1{\pict\pngblip\picwgoal1500\pichgoal900\bin)" + QByteArray::number(png.size()) + " " + png
                  + "}}",
              binary);
    const QList<QTextImageFormat> binaryPictures = images(binary);
    QCOMPARE(binaryPictures.size(), 1);
    QCOMPARE(binaryPictures.at(0).property(rtf::PictureData).toByteArray(), png);
    QCOMPARE(binaryPictures.at(0).width(), 100.0);
}

// ---- Plain text of a document ----------------------------------------------

void TestRtfReader::plainText_data()
{
    QTest::addColumn<int>("recipe");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no-break space kept") << 0 << u"a\u00A0b"_qs;
    QTest::newRow("line break") << 1 << u"a\nb"_qs;
    QTest::newRow("picture-only paragraph") << 2 << u"x\n\ny"_qs;
    QTest::newRow("table first") << 3 << u"a\nb\nz"_qs;
    QTest::newRow("table last") << 4 << u"x\na\nb"_qs;
    QTest::newRow("list labels") << 5 << u"a\nb"_qs;
    QTest::newRow("empty document") << 6 << QString();
    QTest::newRow("empty last paragraph") << 7 << u"a\n"_qs;
}

void TestRtfReader::plainText()
{
    QFETCH(int, recipe);
    QFETCH(QString, expected);

    QTextDocument document;
    QTextCursor cursor(&document);
    switch (recipe) {
    case 0: cursor.insertText(u"a\u00A0b"_qs); break;
    case 1: cursor.insertText(u"a\u2028b"_qs); break;
    case 2: {
        cursor.insertText(u"x"_qs);
        cursor.insertBlock();
        QTextImageFormat image;
        image.setName(u"none"_qs);
        cursor.insertImage(image);
        cursor.insertBlock();
        cursor.insertText(u"y"_qs);
        break;
    }
    case 3: {
        QTextTable *table = cursor.insertTable(1, 2);
        table->cellAt(0, 0).firstCursorPosition().insertText(u"a"_qs);
        table->cellAt(0, 1).firstCursorPosition().insertText(u"b"_qs);
        QTextCursor end(&document);
        end.movePosition(QTextCursor::End);
        end.insertText(u"z"_qs);
        break;
    }
    case 4: {
        cursor.insertText(u"x"_qs);
        cursor.insertBlock();
        QTextTable *table = cursor.insertTable(1, 2);
        table->cellAt(0, 0).firstCursorPosition().insertText(u"a"_qs);
        table->cellAt(0, 1).firstCursorPosition().insertText(u"b"_qs);
        // The paragraph Qt keeps after the table stays empty.
        QTextCursor before(&document);
        before.movePosition(QTextCursor::Start);
        before.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        if (before.selectedText() == u"x\u2029"_qs) {
            before.clearSelection();
            before.movePosition(QTextCursor::Start);
            before.movePosition(QTextCursor::EndOfBlock);
            before.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
            before.removeSelectedText(); // the empty paragraph insertBlock made
        }
        break;
    }
    case 5: {
        cursor.insertText(u"a"_qs);
        QTextListFormat list;
        list.setStyle(QTextListFormat::ListDecimal);
        cursor.createList(list);
        cursor.insertBlock();
        cursor.insertText(u"b"_qs);
        break;
    }
    case 6: break;
    case 7:
        cursor.insertText(u"a"_qs);
        cursor.insertBlock();
        break;
    }
    QCOMPARE(documentText(document), expected);
}

// Regression: the paragraph formatting of a last paragraph that ends with
// the document rather than a \par was lost (read as left, no indent).
void TestRtfReader::lastParagraphWithoutPar()
{
    QTextDocument document;
    bilan::rtf::read(QByteArrayView(R"({\rtf1\ansi \pard\qc A\par \pard\qr\li600 B})"), document);
    const QTextBlock last = document.lastBlock();
    QCOMPARE(last.text(), QStringLiteral("B"));
    QCOMPARE(last.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(last.blockFormat().leftMargin(), 40.0);
    QCOMPARE(last.blockFormat().intProperty(bilan::rtf::LeftIndentTwips), 600);
    QCOMPARE(document.firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
