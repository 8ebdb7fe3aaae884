#include "support/files.h"
#include "text/documenttext.h"
#include "text/rtf/rtfformat.h"
#include "text/rtf/rtfissues.h"
#include "text/rtf/rtfreader.h"

#include <QtGui>
#include <QtTest>

using namespace bilan;
using bilan::test::readFile;

namespace {

const QString kCorpus = QStringLiteral("../shared/rtf-corpus/");

// RTF given inline, or the corpus file of that base name.
QByteArray source(const QByteArray &rtfOrName)
{
    return rtfOrName.startsWith('{') ? rtfOrName
                                     : readFile(kCorpus + "rtf/" + QString::fromUtf8(rtfOrName) + ".rtf");
}

QString textOf(const QByteArray &rtf)
{
    QTextDocument document;
    rtf::read(rtf, document);
    return documentText(document);
}

QTextCursor find(const QTextDocument &document, const QString &needle)
{
    return document.find(needle, 0, QTextDocument::FindCaseSensitively);
}

// The first character of needle as "family points [b i u s ^ _] [fg=#rrggbb] [bg=#rrggbb]".
QString characterOf(const QTextDocument &document, const QString &needle)
{
    QTextCursor at = find(document, needle);
    if (at.isNull())
        return QStringLiteral("not found");
    at.setPosition(at.selectionStart() + 1);
    const QTextCharFormat f = at.charFormat();
    QString out = f.fontFamilies().toStringList().value(0) + u' ' + QString::number(f.fontPointSize());
    const QTextCharFormat::VerticalAlignment v = f.verticalAlignment();
    const std::pair<bool, const char *> flags[] = {{f.fontWeight() >= QFont::Bold, " b"}, {f.fontItalic(), " i"},
                                                   {f.fontUnderline(), " u"}, {f.fontStrikeOut(), " s"},
                                                   {v == f.AlignSuperScript, " ^"}, {v == f.AlignSubScript, " _"}};
    for (const auto &[on, flag] : flags)
        out += on ? QLatin1StringView(flag) : QLatin1StringView();
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        out += u" fg="_qs + f.foreground().color().name();
    if (f.hasProperty(QTextFormat::BackgroundBrush))
        out += u" bg="_qs + f.background().color().name();
    return out;
}

// The paragraph holding needle as "alignment, exact left, right and first-line twips, left margin and indent".
QString paragraphOf(const QTextDocument &document, const QString &needle)
{
    const QTextCursor found = find(document, needle);
    if (found.isNull())
        return QStringLiteral("not found");
    const QTextBlockFormat f = found.block().blockFormat();
    const int a = int(f.alignment() & Qt::AlignHorizontal_Mask);
    const char *alignment = a == Qt::AlignLeft ? "left" : a == Qt::AlignHCenter ? "centre"
                            : a == Qt::AlignRight ? "right" : a == Qt::AlignJustify ? "justify" : "other";
    return QStringLiteral("%1 %2 %3 %4 %5 %6").arg(alignment).arg(f.intProperty(rtf::LeftIndentTwips))
        .arg(f.intProperty(rtf::RightIndentTwips)).arg(f.intProperty(rtf::FirstLineIndentTwips))
        .arg(f.leftMargin()).arg(f.textIndent());
}

} // namespace

class TestRtfReader final : public QObject
{
    Q_OBJECT

private slots:
    void corpus_data()
    {
        QTest::addColumn<QString>("rtfPath");
        QTest::addColumn<QString>("expectedPath");
        QFile manifest(kCorpus + QStringLiteral("manifest.jsonl"));
        QVERIFY2(manifest.open(QIODevice::ReadOnly), "the corpus is missing; run from the repository's top folder");
        // The long file is generated on demand (gen/make_long.py) and not kept
        // with the corpus; BILAN_RTF_LONG names the folder it was written to.
        const QString longFolder = qEnvironmentVariable("BILAN_RTF_LONG");
        int rows = 0;
        while (!manifest.atEnd()) {
            const QJsonObject entry = QJsonDocument::fromJson(manifest.readLine()).object();
            const QString file = entry.value(u"file").toString(), expected = entry.value(u"expected").toString();
            if (entry.isEmpty())
                continue;
            QVERIFY2(!file.isEmpty() && !expected.isEmpty(), qPrintable(file));
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

    void corpus()
    {
        QFETCH(QString, rtfPath);
        QFETCH(QString, expectedPath);
        const QByteArray rtf = readFile(rtfPath);
        QVERIFY(!rtf.isEmpty());
        QString expected = QString::fromUtf8(readFile(expectedPath));
        QVERIFY(expected.endsWith(u'\n'));
        expected.chop(1); // the last paragraph's mark

        const QStringList want = expected.split(u'\n'), got = textOf(rtf).split(u'\n');
        for (qsizetype i = 0; i < std::min(want.size(), got.size()); ++i) // the first line that differs
            QCOMPARE(std::pair(i + 1, got.at(i)), std::pair(i + 1, want.at(i)));
        QCOMPARE(got.size(), want.size());
    }

    // Each check is "needle=how its first character looks" or "needle¶its paragraph": alignment, exact left,
    // right and first-line twips, left margin and indent in pixels.
    void formats_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QStringList>("checks");
        const auto row = [](const char *name, const QByteArray &rtf, const QStringList &checks) {
            QTest::newRow(name) << rtf << checks;
        };
        // What the sources (.fodt, .abw, .md, the Wine harness) set on the text.
        // LibreOffice names 宋体 in Shift-JIS under \fcharset128 and gives CJK
        // text its font, size and bold through \dbch\af, \afs, \ab.
        row("lo fonts", "lo_fonts_sizes", {"宋体五号=宋体 10.5", "14磅=Times New Roman 14", "二号标题=黑体 22 b"});
        const QString tnr = QStringLiteral("=Times New Roman 10.5");
        row("lo formats", "lo_char_formats",
            {"常规" + tnr, "bold" + tnr + " b", "斜体italic" + tnr + " i", "下划线underline" + tnr + " u",
             "删除线strike" + tnr + " s", "红色、深蓝" + tnr + " fg=#ff0000", "黄色底纹" + tnr + " bg=#ffff00",
             "3Ω" + tnr + " ^", "CE、" + tnr + " _"});
        row("lo paragraphs", "lo_paragraphs_tabs", {"居中的标题¶centre 0 0 0 0 0", "首行缩进两字¶left 0 0 420 0 28",
            "左缩进1厘米¶left 567 0 0 37.8 0", "右对齐的落款¶right 0 0 0 0 0", "两端对齐¶justify 0 0 0 0 0"});
        row("lo table header", "lo_table", {"代号=黑体 10.5 b"});
        // A list paragraph carries no size; its style (based on Normal) does.
        row("lo list", "lo_headings_lists", {"R1～R5" + tnr, "C4为470pF¶left 720 0 -360 48 -24"});
        // AbiWord: CJK font names as \uN, highlight as \cb with \highlight; the
        // heading's style is not the list item's after it.
        row("abi formats", "abi_fonts_formats", {"宋体五号=宋体 10.5", "黄色底纹=宋体 10.5 bg=#ffff00"});
        row("abi list item", "abi_article", {"R1～R5=宋体 10.5"});
        // Wine: GBK names under \fcharset134; a first-line indent as a negative
        // left indent and a positive first one: the twips stay, the page shows
        // the first line in.
        row("wine", "wine_gbk_manuscript", {"用CD4011=黑体 16 b fg=#000000", "楼道里¶left -420 0 420 0 28"});
        // pandoc: no charsets, a group per run.
        row("pd groups", "pd_formats_paragraphs", {"粗斜体=Helvetica 12 b i", "，下划线=Helvetica 12"});
        row("pd centred cell", "pd_article", {"型号/规格¶centre 0 0 0 0 0"});

        row("groups", R"({\rtf1{\fonttbl{\f0 Arial;}{\f1 Courier New;}}{\b A{\i B}C}D{\f1\fs40 E}F})",
            {"B=Arial 12 b i", "C=Arial 12 b", "E=Courier New 20", "F=Arial 12"});
        row("default font", R"({\rtf1\deff1{\fonttbl{\f0 Arial;}{\f1 Courier New;}}{\f7 X}{Y}{\f0\b\fs30 A\plain B}})",
            {"X=Courier New 12", "Y=Courier New 12", "B=Courier New 12"});
        row("no font table, absurd size", R"({\rtf1 X{\fs99999999999 Y}})", {"X=宋体 12", "Y=宋体 1638"});
        row("regional fonts",
            R"({\rtf1{\fonttbl{\f0 Times;}{\f1\fcharset134 \'cb\'ce\'cc\'e5;}}\loch\f0\dbch\af1\ab{\dbch X}{\loch Y}})",
            {"X=宋体 12 b", "Y=Times 12"});
        row("rtl ignored", R"({\rtf1{\fonttbl{\f0 Times;}{\f1 Arial;}}\f0\rtlch\af1\ab\ltrch\dbch X})", {"X=Times 12"});
        // GBK names under a Western or Japanese charset, Shift-JIS under its own,
        // a Western name with an accent, a lost name with its \falt.
        row("font names", R"({\rtf1{\fonttbl{\f0\fcharset0 \'cb\'ce\'cc\'e5;}{\f1\fcharset128 \'cb\'ce\'cc\'e5;})"
                          R"({\f2\fcharset128 \'91\'76\'91\'cc;}{\f3\fcharset0 Caf\'e9 Sans;})"
                          R"({\f4\fcharset128 ??{\*\falt SimSun};}}\f0 A\f1 B\f2 C\f3 D\f4 E})",
            {"A=宋体 12", "B=宋体 12", "C=宋体 12", "D=Café Sans 12", "E=SimSun 12"});
        // The names are bytes in their fonts' Mac code pages too.
        row("mac font names", R"({\rtf1\mac{\fonttbl\f0\fnil\fcharset78 \'83q\'83\'89\'83M\'83m\'96\'be\'92\'a9 Pro W3;)"
                              R"(\f1\fnil\fcharset80 \'bb\'aa\'ce\'c4\'cb\'ce\'cc\'e5;\f2\fnil\fcharset81 \'c4\'d7\'a7\'ba Pro;)"
                              R"(\f3\fnil\fcharset79 \'be\'d6\'c7\'c3\'b8\'ed\'c1\'b6;}\f0 A\f1 B\f2 C\f3 D})",
            {"A=ヒラギノ明朝 Pro W3 12", "B=华文宋体 12", "C=儷宋 Pro 12", "D=애플명조 12"});
        row("styles", R"({\rtf1{\fonttbl{\f0 Arial;}}{\stylesheet{\s0\f0\fs21 Normal;}{\s5\sbasedon0\b List;})"
                      R"({\s1\fs32\b Heading;}}\pard\plain\s5 A\par\pard\plain\s1 B\par)"
                      R"(\pard C\par\pard\plain\s1\i D\par\pard E})",
            {"A=Arial 10.5 b", "C=Arial 12", "E=Arial 16 b i"});
        // A \* in the middle of a group marks nothing: the character style
        // after it applies (the text was lost, regression).
        row("star after words", R"({\rtf1{\fonttbl{\f0 Times;}{\f2 Arial;}}{\stylesheet{\*\cs7\b Strong;}})"
                                R"(\f0 A{\loch\f2\i0\b0\*\cs7 B}C})", {"A=Times 12", "B=Arial 12 b", "C=Times 12"});
        row("underline, super", R"({\rtf1{\uldb A}{\ulwave B}\uld C\ulnone D{\ulc1 E}\super F\nosupersub G})",
            {"A=宋体 12 u", "B=宋体 12 u", "D=宋体 12", "E=宋体 12", "F=宋体 12 ^", "G=宋体 12"});
        // Regression: the paragraph formatting of a last paragraph that ends with
        // the document rather than a \par was lost (read as left, no indent).
        row("last paragraph without par", R"({\rtf1\ansi \pard\qc A\par \pard\qr\li600 B})",
            {"A¶centre 0 0 0 0 0", "B¶right 600 0 0 40 0"});
    }

    void formats()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QStringList, checks);
        QTextDocument document;
        rtf::read(source(rtf), document);
        for (const QString &check : checks) {
            const QChar kind = check.contains(u'¶') ? u'¶' : u'=';
            const QString needle = check.section(kind, 0, 0);
            QCOMPARE(needle + kind + (kind == u'=' ? characterOf : paragraphOf)(document, needle), check);
        }
    }

    void tables_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QStringList>("cells"); // "row column span text"

        const auto row = [](const char *name, const QByteArray &rtf, const QString &shape, const QStringList &cells) {
            QTest::newRow(name) << rtf << shape << cells;
        };
        const QStringList cells{"0 0 1 代号", "1 2 1 CD4011", "9 0 1 C4", "9 3 1 1"};
        for (const char *file : {"lo_table", "pd_article", "abi_article", "wine_resave_lo_article"})
            row(file, file, "10x4", cells);
        // LibreOffice writes merged cells as one wide cell.
        const QByteArray three = R"({\rtf1\trowd\cellx1000\cellx2000\cellx3000 a\cell b\cell c\cell\row)";
        row("wide cell by its edge", three + R"(\trowd\cellx2000\cellx3000 d\cell e\cell\row})", "2x3",
            {"0 0 1 a", "1 0 2 d", "1 2 1 e"});
        row("last cell takes the rest", three + R"(\trowd\cellx1000\cellx3000 d\cell e\cell\row})", "2x3",
            {"1 0 1 d", "1 1 2 e"});
        row("more cells widen earlier rows", R"({\rtf1\trowd\cellx1000\cellx2000 a\cell b\cell\row)"
                                             R"(\trowd\cellx1000\cellx2000\cellx3000 c\cell d\cell e\cell\row})", "2x3",
            {"0 1 2 b", "1 2 1 e"});
        row("no row definition", R"({\rtf1\intbl a\cell b\cell\row\intbl c\cell\row})", "2x2", {"0 1 1 b", "1 0 2 c"});
    }

    void tables()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, shape);
        QFETCH(QStringList, cells);

        QTextDocument document;
        rtf::read(source(rtf), document);
        QTextTable *table = nullptr;
        for (QTextBlock block = document.begin(); block.isValid() && !table; block = block.next())
            table = QTextCursor(block).currentTable();
        QVERIFY(table);
        QCOMPARE(QStringLiteral("%1x%2").arg(table->rows()).arg(table->columns()), shape);
        for (const QString &cell : cells) {
            const QStringList parts = cell.split(u' ');
            const QTextTableCell found = table->cellAt(parts.at(0).toInt(), parts.at(1).toInt());
            QVERIFY2(found.isValid(), qPrintable(cell));
            QTextCursor text = found.firstCursorPosition();
            text.setPosition(found.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            // pandoc's cells end in an empty paragraph of their own.
            QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(parts.at(0)).arg(found.column()).arg(found.columnSpan())
                         .arg(text.selection().toPlainText().trimmed()), cell);
        }
        // Text after the table is outside it.
        const QTextBlock after = table->lastCursorPosition().block().next();
        QVERIFY(after.isValid() && !QTextCursor(after).currentTable());
    }

    void pictures_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("described"); // "of count: kind, size in pixels, goal width, x scale"
        QTest::addColumn<QByteArray>("data");   // the picture's own bytes, or the whole group kept

        const QByteArray png = readFile(kCorpus + QStringLiteral("source/img/fig_png.png"));
        const QByteArray jpeg = readFile(kCorpus + QStringLiteral("source/img/fig_jpeg.jpg"));
        // Goal size times scale: 2400 twips at 141 % is 225.6 pixels (6 cm). The
        // \nonshppict copies are not pictures of their own.
        QTest::newRow("lo png") << QByteArray("lo_pictures") << 0 << "of 2: 1 225.60x135.36 2400 141" << png;
        QTest::newRow("lo jpeg") << QByteArray("lo_pictures") << 1 << "of 2: 2 188.16x112.80 1920 147" << jpeg;
        QTest::newRow("abi png") << QByteArray("abi_article") << 0 << "of 2: 1 226.06x135.61 3199 106" << png;
        // A metafile is kept as it came and shown as a placeholder of its size;
        // without a goal size, its size is in hundredths of a millimetre.
        const QByteArray wmf = R"({\pict\wmetafile8\picw2540\pich1270\picwgoal1440\pichgoal720 0102ab})";
        const QByteArray emf = R"({\pict\emfblip\picw5080\pich2540 01})";
        QTest::newRow("metafile goal") << "{\\rtf1 a" + wmf + emf + "b}" << 0 << "of 2: 3 96.00x48.00 1440 0" << wmf;
        QTest::newRow("metafile stored") << "{\\rtf1 a" + wmf + emf + "b}" << 1 << "of 2: 3 192.00x96.00 2880 0" << emf;
        // PNG bytes given with \bin are the picture as well as hex is.
        const QByteArray bin = "\\bin" + QByteArray::number(png.size()) + ' ' + png;
        QTest::newRow("png in bin") << R"({\rtf1{\pict\pngblip\picwgoal1500\pichgoal900)" + bin + "}}" << 0
                                    << "of 1: 1 100.00x60.00 1500 0" << png;
    }

    void pictures()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(int, index);
        QFETCH(QString, described);
        QFETCH(QByteArray, data);

        QTextDocument document;
        rtf::read(source(rtf), document);
        QList<QTextImageFormat> pictures;
        for (QTextCursor at = find(document, u"\uFFFC"_qs); !at.isNull(); at = document.find(u"\uFFFC"_qs, at))
            pictures << at.charFormat().toImageFormat();
        QVERIFY(index < pictures.size());
        const QTextImageFormat picture = pictures.at(index);
        const int kind = picture.intProperty(rtf::PictureKindProperty);
        QCOMPARE(QStringLiteral("of %1: %2 %3x%4 %5 %6").arg(pictures.size()).arg(kind).arg(picture.width(), 0, 'f', 2)
                     .arg(picture.height(), 0, 'f', 2).arg(picture.intProperty(rtf::PictureWidthTwips))
                     .arg(picture.intProperty(rtf::PictureScaleXPercent)), described);
        const bool kept = kind == int(rtf::PictureKind::Other);
        QCOMPARE(picture.property(kept ? rtf::RawPictureGroup : rtf::PictureData).toByteArray(), data);
        // What the editor cannot show is drawn as a placeholder; a picture
        // is decoded at the size it is shown, never above its own.
        const QImage shown = document.resource(QTextDocument::ImageResource, QUrl(picture.name())).value<QImage>();
        const QSize own = QImage::fromData(data).size();
        const QSize at(qRound(picture.width()), qRound(picture.height()));
        QCOMPARE(shown.size(), kept ? QSize(16, 16) : at.width() < own.width() ? at : own);
    }

    void corpusLists()
    {
        QTextDocument document;
        rtf::read(source("lo_headings_lists"), document);
        const auto item = [&](const char16_t *needle) { return find(document, QString::fromUtf16(needle)).block(); };

        const QTextBlock bullet = item(u"R1～R5");
        QVERIFY(bullet.textList());
        QCOMPARE(bullet.blockFormat().stringProperty(rtf::ListLabel), u"•"_qs);
        QCOMPARE(bullet.textList()->format().style(), QTextListFormat::ListDisc);
        QCOMPARE(bullet.textList(), item(u"VT1可用").textList());

        const QTextBlock first = item(u"按图2所示");
        const QTextBlock second = item(u"先不接灯泡");
        QVERIFY(first.textList() && first.textList() != bullet.textList());
        QCOMPARE(first.textList(), second.textList());
        QCOMPARE(first.textList()->itemText(first), u"1."_qs);
        QCOMPARE(second.textList()->itemText(second), u"2."_qs);
        QCOMPARE(second.blockFormat().stringProperty(rtf::ListLabel), u"2."_qs);

        const QTextBlock chinese = item(u"焊接电路板");
        QVERIFY(chinese.textList() && chinese.blockFormat().stringProperty(rtf::ListLabel) == u"二、"_qs);
        // A heading whose \listtext holds only a tab is no list item.
        QVERIFY(!item(u"一、电路原理").textList());
    }

    void text_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QByteArray &rtf, const QString &text) {
            QTest::newRow(name) << rtf << text;
        };

        row("uc kept per group", R"({\rtf1\uc2{\uc1\u20013?}\u25991??x})", u"中文x"_qs);
        row("uc0", R"({\rtf1\uc0\u20013?})", u"中?"_qs);
        row("skip ends at a group", R"({\rtf1\uc3\u20013{\b x}})", u"中x"_qs);
        row("u negative, u above 32767", R"({\rtf1\u-24879?\u40657?})", u"黑黑"_qs);
        row("fallback real byte", R"({\rtf1\u8220\'93x})", u"“x"_qs);
        row("fallback control word", R"({\rtf1\u8220\ldblquote x})", u"“x"_qs);
        row("surrogates with fallback", R"({\rtf1\u-10179?\u-8704?})", u"😀"_qs);
        row("surrogates across uc", R"({\rtf1\uc0 \u55357\uc1 \u56832\'3f})", u"😀"_qs);
        row("lone high surrogate", R"({\rtf1\u55357?x})", u"\uFFFDx"_qs);
        row("ansicpg936, font without charset", R"({\rtf1\ansi\ansicpg936{\fonttbl{\f0 Arial;}}\f0\'b5\'e7})", u"电"_qs);
        row("charset over ansicpg", R"({\rtf1\ansi\ansicpg936{\fonttbl{\f0\fcharset0 Arial;}}\f0\'b5\'e7})", u"µç"_qs);
        row("charset 134 in a 1252 file", R"({\rtf1\ansi{\fonttbl{\f0\fcharset134 SimSun;}}\f0\'b5\'e7})", u"电"_qs);
        row("charsets 128, 136", R"({\rtf1{\fonttbl{\f0\fcharset128 J;}{\f1\fcharset136 T;}}\f0\'93\'64\f1\'b9\'71})",
            u"電電"_qs);
        row("font switch, code page", R"({\rtf1{\fonttbl{\f0\fcharset134 A;}{\f1\fcharset0 B;}}\f0\'b5\'e7\f1\'b5})",
            u"电µ"_qs);
        // Regressions: RTF from the Mac's text editor was read as Mac Roman
        // whatever its code page and font charsets said: 日本語 came out as
        // "ì˙ñ{åÍ", 电路 as "µÁ¬∑", 電路 as "πq∏Ù", 전자 as "¿¸¿⁄".
        row("mac: charsets 78 and 77", R"({\rtf1\mac\ansicpg10001{\fonttbl\f0\fnil\fcharset78 Osaka;)"
                                       R"(\f1\fnil\fcharset77 Helvetica;}\f0 \'93\'fa\'96\'7b\'8c\'ea\par\f1 caf\'8e})",
            u"日本語\ncafé"_qs);
        row("mac: charset 80", R"({\rtf1\mac\ansicpg10008{\fonttbl\f0\fcharset80 STSong;}\f0 \'b5\'e7\'c2\'b7})", u"电路"_qs);
        row("mac: charset 81", R"({\rtf1\mac\ansicpg10002{\fonttbl\f0\fcharset81 LiSong;}\f0 \'b9q\'b8\'f4})", u"電路"_qs);
        row("mac: charset 79", R"({\rtf1\mac\ansicpg10003{\fonttbl\f0\fcharset79 AppleMyungjo;}\f0 \'c0\'fc\'c0\'da})",
            u"전자"_qs);
        // Apple's single bytes for no-break space, ©, ™ and …, told apart from
        // the same bytes as the second half of a character (剥 is b0 fe, 王 a4 fd).
        row("mac: Apple's single bytes", R"({\rtf1\mac{\fonttbl\f0\fcharset80 A;\f1\fcharset81 B;\f2\fcharset78 C;})"
                                         R"(\f0\'b0\'fe\'fd\'b5\'e7\'ff\'a0\f1\'a4\'fd\'fd\'fe\f2\'93\'fa\'fe\'ff})",
            u"剥©电…\u00A0王©™日™…"_qs);
        row("mac: code page, font without charset", R"({\rtf1\mac\ansicpg10008{\fonttbl\f0 Songti;}\f0 \'b5\'e7\'d7\'e8})",
            u"电阻"_qs);
        row("mac: charsets in a Windows file", R"({\rtf1\ansi\ansicpg1252{\fonttbl\f0\fcharset80 STSong;)"
                                               R"(\f1\fcharset78 Osaka;}\f0\'b5\'e7\'c8\'dd\f1\'83R\'83\'93})", u"电容コン"_qs);
        row("bin", "{\\rtf1 a\\bin3 {}xb}", u"ab"_qs);
        row("digits glued to a word", R"({\rtf1 x\tab1 y})", u"x\ty"_qs);
        // Wine writes \cellx8640 before a cell that starts with a digit.
        row("digits glued to cellx", R"({\rtf1\trowd\cellx4320\cellx86401\cell 2\cell\row})", u"\n2"_qs);
        row("unknown star destination, unknown word", R"({\rtf1 a{\*\foo b{c}}d{\foo e}f})", u"adef"_qs);
        // Regression: a \* after other words of its group was taken for an
        // ignorable destination, and the group's text vanished ("AC").
        row("star after words", R"({\rtf1{\stylesheet{\*\cs7\b Strong;}}A{\loch\i0\b0\*\cs7 B}C})", u"ABC"_qs);
        row("star after words, unknown destination", R"({\rtf1 a{\b\*\foo c}d})", u"acd"_qs);
        // Regression: list-table groups outside their table spilled their
        // level texts and names into the body ("a•;;Bullets;b", "a.;;b").
        row("stray list", R"({\rtf1 a{\list\listtemplateid1{\listlevel\levelnfc23{\leveltext\'01\u8226 ?;})"
                          R"({\levelnumbers;}\fi-360\li720}{\listname Bullets;}\listid1}b})", u"ab"_qs);
        row("stray list override", R"({\rtf1 a{\listoverride\listid1\listoverridecount0{\lfolevel\listoverridestartat)"
                                   R"({\listlevel{\leveltext\'02\'00.;}{\levelnumbers\'01;}}}\ls1}b})", u"ab"_qs);
        row("field result", R"({\rtf1 p{\field{\*\fldinst PAGE}{\fldrslt 7}}})", u"p7"_qs);
        row("footnote, header, info, stylesheet", R"({\rtf1{\info{\title t}}{\stylesheet{\s1 Heading;}}{\header h})"
                                                  R"({\footer f}a{\super\chftn}{\footnote\pard b\par}c})", u"ac"_qs);
        row("nonshppict, upr", R"({\rtf1 a{\nonshppict{\pict\wmetafile8 0102}}{\upr{ansi}{\*\ud{\u20013?}}}b})",
            u"a中b"_qs);
        row("symbols", R"({\rtf1\~\-\_\emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})",
            u"\u00A0\u00AD\u2011—–•‘’“”"_qs);
        row("breaks", R"({\rtf1 a\par b\line c\tab d\page e\sect f})", u"a\nb\nc\tdef"_qs);
        row("empty paragraphs", R"({\rtf1 a\par\par b\par})", u"a\n\nb"_qs);
        row("empty last paragraph", R"({\rtf1 a\par\par})", u"a\n"_qs);
        row("escapes", R"({\rtf1 \\\{\}})", u"\\{}"_qs);
        row("backslash line end, line ends not text", "{\\rtf1 a\\\nb\r\nc\nd}", u"a\nbcd"_qs);
        row("line ends and NUL are no text", R"({\rtf1\uc0 a\'0ab\u10 c\'0d\u13 d\'00\u0 e})", u"abcde"_qs);
        // Escaped, the other controls are characters (an encrypted blank is
        // U+001F); raw, they are the file's layout.
        row("escaped control characters", R"({\rtf1 a\u31\'1fb\u8\'08c\'1f\'01d\u127\'7fe})",
            u"a\x1f" "b\x08" "c\x1f\x01" "d\x7f" "e"_qs);
        row("raw control characters", "{\\rtf1 a\x1f" "b\x01" "c}", u"abc"_qs);
        row("list labels", R"({\rtf1{\listtext 1.\tab}a\par{\pntext\'b7\tab}{\*\pn\pnlvlblt}b\par})", u"a\nb"_qs);
        row("whole item in listtext", R"({\rtf1{\listtext\pard{\tab}{item\par}}next})", u"\titem\nnext"_qs);
        row("table alone", R"({\rtf1\trowd\cellx1000\cellx2000 a\cell b\cell\row})", u"a\nb"_qs);
        row("table between paragraphs", R"({\rtf1 x\par\trowd\cellx1000\cellx2000\pard\intbl a\cell b\cell\row)"
                                         R"(\trowd\cellx1000\cellx2000\pard\intbl c\cell d\cell\row\pard y\par})",
            u"x\na\nb\nc\nd\ny"_qs);

        // However the bytes of a double-byte character are written, it is read as
        // one character, unless something that ends a run comes between its bytes.
        const QByteArray gbk = R"({\rtf1\ansi{\fonttbl{\f0\fcharset134 SimSun;}}\f0 )";
        row("bytes: hex pairs", gbk + R"(\'b5\'e7\'c2\'b7})", u"电路"_qs);
        row("bytes: hex then raw", gbk + "\\'b5\xe7\xc2\\'b7}", u"电路"_qs);
        row("bytes: line end between", gbk + "\\'b5\r\n\\'e7\\'c2\n\\'b7}", u"电路"_qs);
        row("bytes: unknown word between", gbk + R"(\'b5\kerning1 \'e7\'c2\'b7})", u"电路"_qs);
        row("bytes: bold between", gbk + R"(\'b5\b\'e7})", u"\uFFFD\uFFFD"_qs);
        row("bytes: group between", gbk + R"(\'b5{}\'e7})", u"\uFFFD\uFFFD"_qs);
        row("bytes: unicode between", gbk + R"(\'b5\u30005?\'e7})", u"\uFFFD电\uFFFD"_qs);
        row("bytes: paragraph between", gbk + R"(\'b5\par\'e7})", u"\uFFFD\n\uFFFD"_qs);
    }

    void text()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QCOMPARE(textOf(rtf), expected);
    }

    void damaged_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("issues"); // those that must be reported
        const auto row = [](const char *name, const QByteArray &rtf, const QString &kept, rtf::Issues issues) {
            QTest::newRow(name) << rtf << kept << int(issues.toInt());
        };

        using enum rtf::Issue;
        row("truncated", R"({\rtf1 hello {\b world)", u"hello world"_qs, MissingCloseBrace);
        row("extra closing braces", R"({\rtf1 a}b}c})", u"abc"_qs, ExtraCloseBrace);
        row("close before open", R"(}{\rtf1 a})", u"a"_qs, ExtraCloseBrace | NotRtf);
        const QByteArray open(1'000'000, '{'), close(1'000'000, '}');
        row("million open braces", "{\\rtf1 x" + open + "y", u"xy"_qs, DepthLimit | MissingCloseBrace);
        row("million balanced braces", "{\\rtf1 x" + open + "y" + close + "z}", u"xyz"_qs, DepthLimit);
        row("absurd unicode", R"({\rtf1 a\u-99999?b})", u"a\uFFFDb"_qs, BadUnicode);
        row("huge bin", R"({\rtf1 a\bin99999999999 x})", u"a"_qs, BinaryPastEnd | NumberOutOfRange | MissingCloseBrace);
        row("negative bin", R"({\rtf1 a\bin-5 b})", u"ab"_qs, {});
        row("bad hex", R"({\rtf1 a\'zzb})", u"azzb"_qs, BadHexEscape);
        row("hex at the end", R"({\rtf1 a\')", u"a"_qs, BadHexEscape | MissingCloseBrace);
        row("backslash at the end", R"({\rtf1 a\)", u"a"_qs, MissingCloseBrace);
        row("empty", QByteArray(), QString(), NotRtf);
        row("plain text", "hello", u"hello"_qs, NotRtf);
        row("trailing data", R"({\rtf1 a}xyz)", u"a"_qs, TrailingData);
        row("picture cut off", R"({\rtf1 a{\pict\pngblip 89504e47)", u"a"_qs, MissingCloseBrace | UnreadablePicture);
        row("bad png", R"({\rtf1 a{\pict\pngblip 0102}b})", u"ab"_qs, UnreadablePicture);
        row("long word", "{\\rtf1 a\\" + QByteArray(100'000, 'x') + " b}", u"ab"_qs, {});
        row("long number", "{\\rtf1 a\\fs" + QByteArray(100'000, '9') + " b}", u"ab"_qs, NumberOutOfRange);

        // Random bytes after a good start: whatever they say, the start stays.
        QRandomGenerator random(20240607);
        for (int round = 0; round < 4; ++round) {
            QByteArray garbage(200'000, Qt::Uninitialized);
            for (char &c : garbage)
                c = char(random.bounded(256));
            QTest::addRow("binary garbage %d", round) << "{\\rtf1 start\\par " + garbage << u"start"_qs << 0;
        }
    }

    void damaged()
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
        QVERIFY2(kept.isEmpty() ? text.isEmpty() : text.contains(kept), qPrintable(text.left(80)));
        QCOMPARE(found.toInt() & issues, issues);
    }

    void largeInput()
    {
        // A LibreOffice-like body: a group per script, \uN with a \'3f fallback.
        const QByteArray paragraph = R"(\pard\plain\s0\loch\f0\fs21\dbch\af1{\dbch \u30005\'3f\u36335\'3f\u21407\'3f)"
                                     R"(\u29702\'3f}{\loch CD4011 }{\dbch\ab \u31895\'3f\u20307\'3f}\par )";
        constexpr int paragraphs = 60'000;
        const QByteArray rtf = R"({\rtf1\ansi\deff0{\fonttbl{\f0\fcharset0 Times;}{\f1\fcharset134 \'cb\'ce\'cc\'e5;}})"
                               + paragraph.repeated(paragraphs) + '}';
        QVERIFY(rtf.size() > 8'000'000);

        QElapsedTimer timer;
        timer.start();
        QTextDocument document;
        rtf::read(rtf, document);
        const QStringList lines = documentText(document).split(u'\n');
        // Far above what a release build needs; a reader that is quadratic
        // anywhere does not finish in it.
        QVERIFY2(timer.elapsed() < 60'000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(lines.size(), paragraphs);
        QCOMPARE(lines.last(), u"电路原理CD4011 粗体"_qs);
        QCOMPARE(characterOf(document, u"粗体"_qs), u"宋体 10.5 b"_qs);
    }

    void largeTable()
    {
        // Qt rebuilds a table's grid on every change of shape; a table built a
        // row at a time is quadratic and does not finish in the time below.
        constexpr int rows = 20'000;
        QByteArray rtf(R"({\rtf1 before\par )");
        for (int i = 0; i < rows; ++i)
            rtf += R"(\trowd\cellx1000\cellx2000\cellx3000\cellx4000\pard\intbl r)" + QByteArray::number(i)
                   + R"(\cell b\cell c\cell d\cell\row )";
        rtf += R"(\pard after\par})";

        QElapsedTimer timer;
        timer.start();
        QStringList lines = textOf(rtf).split(u'\n');
        QVERIFY2(timer.elapsed() < 20'000, qPrintable(QString::number(timer.elapsed())));
        lines.removeAll(QString()); // a table this long is kept as several
        QCOMPARE(lines.size(), 2 + 4 * rows);
        QCOMPARE(lines.at(1), u"r0"_qs);
        QCOMPARE(lines.at(lines.size() - 5), QStringLiteral("r%1").arg(rows - 1));
        QCOMPARE(lines.last(), u"after"_qs);
    }
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
