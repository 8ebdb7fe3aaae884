#include "text/codepage.h"
#include "text/documenttext.h"
#include "text/rtf/rtfformat.h"
#include "text/rtf/rtfreader.h"
#include "text/rtf/rtftokenizer.h"
#include "text/rtf/rtfwriter.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QtTest>

#include <functional>

using namespace bilan;

namespace {

const QString kCorpus = QStringLiteral("../shared/rtf-corpus");

QString colorName(const QTextFormat &format, int property)
{
    const QBrush brush = format.brushProperty(property);
    return format.hasProperty(property) && brush.style() != Qt::NoBrush ? brush.color().name()
                                                                         : QStringLiteral("auto");
}

QString familyOf(const QTextCharFormat &format, const QTextDocument &document)
{
    const QStringList families = format.fontFamilies().toStringList();
    return families.isEmpty() ? document.defaultFont().family() : families.front();
}

// Font, size and the rest as the user sees them, defaults filled in.
QString runStyle(const QTextCharFormat &f, const QTextDocument &document)
{
    const qreal size = f.fontPointSize() > 0 ? f.fontPointSize() : document.defaultFont().pointSizeF();
    QString style = QStringLiteral("%1 %2pt").arg(familyOf(f, document)).arg(size);
    const QList<QPair<bool, const char *>> flags = {
        {f.fontWeight() >= QFont::DemiBold, " b"},
        {f.fontItalic(), " i"},
        {f.underlineStyle() != QTextCharFormat::NoUnderline, " u"},
        {f.fontStrikeOut(), " s"},
        {f.verticalAlignment() == QTextCharFormat::AlignSuperScript, " sup"},
        {f.verticalAlignment() == QTextCharFormat::AlignSubScript, " sub"},
    };
    for (const auto &[on, flag] : flags)
        style += on ? QLatin1StringView(flag) : QLatin1StringView();
    return style + QStringLiteral(" fg=%1 bg=%2").arg(colorName(f, QTextFormat::ForegroundBrush),
                                                       colorName(f, QTextFormat::BackgroundBrush));
}

QString pictureLine(const QTextImageFormat &f, const QTextDocument &document)
{
    const QByteArray raw = f.property(rtf::RawPictureGroup).toByteArray();
    if (!raw.isEmpty())
        return QStringLiteral("kept picture ") + QString::fromLatin1(raw.left(40));
    const QImage image = qvariant_cast<QImage>(document.resource(QTextDocument::ImageResource, QUrl(f.name())))
                             .convertToFormat(QImage::Format_ARGB32);
    const QByteArrayView pixels(image.constBits(), image.isNull() ? 0 : image.sizeInBytes());
    return QStringLiteral("picture %1x%2 of %3x%4 %5")
        .arg(qRound(f.width()))
        .arg(qRound(f.height()))
        .arg(image.width())
        .arg(image.height())
        .arg(QString::fromLatin1(QCryptographicHash::hash(pixels, QCryptographicHash::Md5).toHex()));
}

// The label a reader shows: the one the file gave, else the list's own.
QString labelOf(const QTextBlock &block)
{
    const QString kept = block.blockFormat().property(rtf::ListLabel).toString();
    if (!kept.isEmpty())
        return kept;
    switch (block.textList()->format().style()) {
    case QTextListFormat::ListDisc: return QStringLiteral("\u2022");
    case QTextListFormat::ListCircle: return QStringLiteral("\u25e6");
    case QTextListFormat::ListSquare: return QStringLiteral("\u25aa");
    default: return block.textList()->itemText(block);
    }
}

// What the writer must carry over, one line per paragraph, run and cell,
// so that a failure names the first line that differs.
void describeBlock(const QTextBlock &block, const QTextDocument &document, QStringList &lines)
{
    const QTextBlockFormat f = block.blockFormat();
    const Qt::Alignment a = f.alignment();
    QString line = QStringLiteral("paragraph ") + QLatin1StringView((a & Qt::AlignHCenter)   ? "centre"
                                                                    : (a & Qt::AlignJustify) ? "justify"
                                                                    : (a & Qt::AlignRight)   ? "right"
                                                                                             : "left");
    if (const QTextList *list = block.textList()) {
        // Where the text starts: a reader may put a list's indent in the
        // list or in the paragraph's margin.
        const qreal start = f.leftMargin() + list->format().indent() * block.document()->indentWidth();
        line += QStringLiteral(" list %1 at %2 %3")
                    .arg(int(list->format().style()))
                    .arg(qRound(start * 15))
                    .arg(labelOf(block));
    } else {
        line += QStringLiteral(" li=%1 fi=%2").arg(qRound(f.leftMargin() * 15)).arg(qRound(f.textIndent() * 15));
    }
    line += QStringLiteral(" ri=%1").arg(qRound(f.rightMargin() * 15));
    lines << line;
    if (block.length() == 1)
        lines << QStringLiteral("  empty, mark %1").arg(runStyle(block.charFormat(), document));
    QString style;
    QString text;
    auto flush = [&] {
        if (!text.isEmpty())
            lines << QStringLiteral("  %1: %2").arg(style, text);
        text.clear();
    };
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        if (format.isImageFormat()) {
            flush();
            for (qsizetype i = 0; i < fragment.length(); ++i)
                lines << QStringLiteral("  ") + pictureLine(format.toImageFormat(), document);
            continue;
        }
        const QString fragmentStyle = runStyle(format, document);
        if (fragmentStyle != style)
            flush();
        style = fragmentStyle;
        text += fragment.text();
    }
    flush();
}

void describeFrame(QTextFrame::iterator it, const QTextDocument &document, QStringList &lines)
{
    for (; !it.atEnd(); ++it) {
        if (QTextFrame *frame = it.currentFrame()) {
            if (auto *table = qobject_cast<QTextTable *>(frame)) {
                lines << QStringLiteral("table %1x%2").arg(table->rows()).arg(table->columns());
                for (int r = 0; r < table->rows(); ++r) {
                    for (int c = 0; c < table->columns(); ++c) {
                        const QTextTableCell cell = table->cellAt(r, c);
                        if (cell.row() != r || cell.column() != c)
                            continue;
                        lines << QStringLiteral("cell %1,%2").arg(r).arg(c);
                        describeFrame(cell.begin(), document, lines);
                    }
                }
                lines << QStringLiteral("end of table");
            } else {
                describeFrame(frame->begin(), document, lines);
            }
            continue;
        }
        describeBlock(it.currentBlock(), document, lines);
    }
}

QStringList describe(const QTextDocument &document)
{
    QStringList lines;
    describeFrame(document.rootFrame()->begin(), document, lines);
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
    const QString base = QDir(folder).filePath(QString(name).replace(unsafe, QStringLiteral("_")));
    const QList<QPair<QString, QByteArray>> files = {
        {QStringLiteral(".rtf"), rtf},
        {QStringLiteral(".expected.txt"), documentText(document).toUtf8() + '\n'},
        {QStringLiteral(".described.txt"), describe(document).join(u'\n').toUtf8() + '\n'},
    };
    for (const auto &[suffix, bytes] : files) {
        QFile file(base + suffix);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
}

QTextCharFormat font(const QString &family, qreal size)
{
    QTextCharFormat f;
    f.setFontFamilies({family});
    f.setFontPointSize(size);
    return f;
}

// Every BMP character a manuscript can hold, then one from each 4096 of
// the planes above it. Left out: what QTextDocument itself turns into
// structure (paragraph ends, frame marks, the object mark), controls other
// than tab, and non-characters.
QString everyCharacter()
{
    QString text;
    for (char32_t c = 0x20; c <= 0x10ffff; c += c < 0x10000 ? 1 : 0x1000) {
        const bool structural = c == 0x2029 || c == 0xfffc || (c >= 0xfdd0 && c <= 0xfdef);
        const bool surrogate = c >= 0xd800 && c <= 0xdfff;
        if (structural || surrogate || (c >= 0x7f && c < 0xa0) || (c & 0xfffe) == 0xfffe)
            continue;
        text += QString::fromUcs4(&c, 1);
        if (text.size() % 120 == 0)
            text += QChar(QChar::LineSeparator);
    }
    return text + QStringLiteral("\t\\{}");
}

QImage testImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    }
    return image;
}

using Builder = std::function<void(QTextDocument &, QTextCursor &)>;

const QList<QPair<QString, Builder>> &builders()
{
    static const QList<QPair<QString, Builder>> list = {
        {QStringLiteral("empty document"), [](QTextDocument &, QTextCursor &) {}},
        {QStringLiteral("every character"),
         [](QTextDocument &, QTextCursor &c) { c.insertText(everyCharacter(), font(QStringLiteral("宋体"), 12)); }},
        {QStringLiteral("fonts"),
         [](QTextDocument &, QTextCursor &c) {
             for (const char16_t *name : {u"宋体", u"黑体", u"楷体", u"仿宋", u"Times New Roman", u"Arial"})
                 c.insertText(QStringLiteral("电阻R1 "), font(QString::fromUtf16(name), 12));
         }},
        {QStringLiteral("sizes"),
         [](QTextDocument &, QTextCursor &c) {
             for (qreal size : {5.0, 7.5, 9.0, 10.5, 12.0, 14.0, 15.0, 22.0, 26.0, 42.0, 72.0})
                 c.insertText(QStringLiteral("字号 "), font(QStringLiteral("宋体"), size));
         }},
        {QStringLiteral("character styles"),
         [](QTextDocument &, QTextCursor &c) {
             const QList<QPair<const char16_t *, std::function<void(QTextCharFormat &)>>> runs = {
                 {u"普通", [](QTextCharFormat &) {}},
                 {u"粗体", [](QTextCharFormat &f) { f.setFontWeight(QFont::Bold); }},
                 {u"斜体", [](QTextCharFormat &f) { f.setFontItalic(true); }},
                 {u"下划线", [](QTextCharFormat &f) { f.setFontUnderline(true); }},
                 {u"删除线", [](QTextCharFormat &f) { f.setFontStrikeOut(true); }},
                 {u"全部",
                  [](QTextCharFormat &f) {
                      f.setFontWeight(QFont::Bold);
                      f.setFontItalic(true);
                      f.setFontUnderline(true);
                      f.setFontStrikeOut(true);
                      f.setForeground(QColor(0x12, 0x34, 0x56));
                  }},
                 {u"红色", [](QTextCharFormat &f) { f.setForeground(QColor(Qt::red)); }},
                 {u"黑色", [](QTextCharFormat &f) { f.setForeground(QColor(Qt::black)); }},
                 {u"标记", [](QTextCharFormat &f) { f.setBackground(QColor(Qt::yellow)); }},
                 {u"2", [](QTextCharFormat &f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); }},
                 {u"CE", [](QTextCharFormat &f) { f.setVerticalAlignment(QTextCharFormat::AlignSubScript); }},
                 {u"完", [](QTextCharFormat &) {}},
             };
             for (const auto &[text, change] : runs) {
                 QTextCharFormat f = font(QStringLiteral("宋体"), 10.5);
                 change(f);
                 c.insertText(QString::fromUtf16(text), f);
             }
             // A paragraph that ends raised: its mark is not.
             c.insertBlock();
             c.insertText(QStringLiteral("面积10m"), font(QStringLiteral("宋体"), 10.5));
             QTextCharFormat raised = font(QStringLiteral("宋体"), 10.5);
             raised.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
             c.insertText(QStringLiteral("2"), raised);
             c.insertBlock();
             c.insertText(QStringLiteral("完"), font(QStringLiteral("宋体"), 10.5));
         }},
        {QStringLiteral("paragraphs"),
         [](QTextDocument &, QTextCursor &c) {
             struct Row
             {
                 Qt::Alignment alignment;
                 qreal left, first, right;
                 int exactLeft;
             };
             const Row rows[] = {
                 {Qt::AlignLeft, 0, 0, 0, 0},
                 {Qt::AlignHCenter, 0, 0, 0, 0},
                 {Qt::AlignRight, 0, 0, 0, 0},
                 {Qt::AlignJustify, 0, 0, 0, 0},
                 {Qt::AlignLeft, 0, 28, 0, 0}, // two characters of 10.5 pt: 420 twips
                 {Qt::AlignLeft, 56, -28, 14, 0},
                 // Exact twips that pixels cannot hold survive as they are,
                 {Qt::AlignLeft, 425 / 15.0, 0, 0, 425},
                 // and give way once the margin no longer agrees with them.
                 {Qt::AlignLeft, 40, 0, 0, 425},
             };
             for (const Row &row : rows) {
                 QTextBlockFormat b;
                 b.setAlignment(row.alignment);
                 b.setLeftMargin(row.left);
                 b.setTextIndent(row.first);
                 b.setRightMargin(row.right);
                 if (row.exactLeft)
                     b.setProperty(rtf::LeftIndentTwips, row.exactLeft);
                 if (&row != rows)
                     c.insertBlock();
                 c.setBlockFormat(b);
                 c.insertText(QStringLiteral("段落格式"), font(QStringLiteral("宋体"), 10.5));
             }
         }},
        {QStringLiteral("empty paragraphs and last one empty"),
         [](QTextDocument &, QTextCursor &c) {
             const QTextCharFormat f = font(QStringLiteral("宋体"), 10.5);
             c.insertText(QStringLiteral("甲"), f);
             c.insertBlock(QTextBlockFormat(), font(QStringLiteral("黑体"), 16));
             c.insertBlock(QTextBlockFormat(), f);
             c.insertText(QStringLiteral("乙"), f);
             c.insertBlock(QTextBlockFormat(), f);
         }},
        {QStringLiteral("pictures"),
         [](QTextDocument &document, QTextCursor &c) {
             const QTextCharFormat f = font(QStringLiteral("宋体"), 10.5);
             c.insertText(QStringLiteral("图1："), f);
             document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("png")), testImage(20, 10));
             QTextImageFormat png;
             png.setName(QStringLiteral("png"));
             png.setWidth(40);
             png.setHeight(20);
             c.insertImage(png);
             c.insertBlock();
             QByteArray jpegBytes;
             QBuffer buffer(&jpegBytes);
             buffer.open(QIODevice::WriteOnly);
             QImageWriter(&buffer, "jpg").write(testImage(16, 16));
             document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("jpeg")),
                                  QImage::fromData(jpegBytes));
             QTextImageFormat kept;
             kept.setName(QStringLiteral("jpeg"));
             kept.setWidth(16);
             kept.setHeight(16);
             kept.setProperty(rtf::PictureData, jpegBytes);
             kept.setProperty(rtf::PictureKindProperty, int(rtf::PictureKind::Jpeg));
             c.insertImage(kept);
             c.insertText(QStringLiteral("后"), f);
         }},
        {QStringLiteral("table"),
         [](QTextDocument &, QTextCursor &c) {
             const QTextCharFormat f = font(QStringLiteral("宋体"), 10.5);
             c.insertText(QStringLiteral("元件表"), f);
             QTextTable *table = c.insertTable(3, 2);
             const char16_t *cells[] = {u"元件", u"数值", u"R1", u"10kΩ", u"C1", u"100μF"};
             for (int i = 0; i < 6; ++i)
                 table->cellAt(i / 2, i % 2).firstCursorPosition().insertText(QString::fromUtf16(cells[i]), f);
             QTextCursor second = table->cellAt(2, 1).lastCursorPosition();
             second.insertBlock();
             second.insertText(QStringLiteral("电解"), f);
             c.movePosition(QTextCursor::End);
             c.insertText(QStringLiteral("表后"), f);
         }},
        {QStringLiteral("lists"),
         [](QTextDocument &, QTextCursor &c) {
             const QTextCharFormat f = font(QStringLiteral("宋体"), 10.5);
             c.insertText(QStringLiteral("步骤"), f);
             for (const auto style : {QTextListFormat::ListDecimal, QTextListFormat::ListDisc}) {
                 c.insertBlock();
                 c.createList(style);
                 c.insertText(QStringLiteral("焊接"), f);
                 c.insertBlock();
                 c.insertText(QStringLiteral("调试"), f);
             }
             c.insertBlock(QTextBlockFormat());
             c.insertText(QStringLiteral("完"), f);
         }},
    };
    return list;
}

// The text as a reader that knows \u but no formatting sees it
// (knowsUnicode), or as one that knows no \u and shows the fallback bytes
// in code page 936: the writer must keep both right.
QString plainReading(QByteArrayView rtf, bool knowsUnicode)
{
    using rtf::TokenType;
    rtf::Tokenizer tokens(rtf);
    QString text;
    QByteArray bytes;
    auto flush = [&] {
        text += codepage::decode(codepage::Gbk, bytes);
        bytes.clear();
    };
    std::vector<int> skipCounts{1};
    int skip = 0;
    int depth = 0;
    int ignoredFrom = 0;
    for (rtf::Token t = tokens.next(); t.type != TokenType::End; t = tokens.next()) {
        if (t.type == TokenType::GroupOpen || t.type == TokenType::GroupClose) {
            flush();
            skip = 0;
            if (t.type == TokenType::GroupOpen) {
                ++depth;
                skipCounts.push_back(skipCounts.back());
            } else if (--depth, skipCounts.size() > 1) {
                skipCounts.pop_back();
            }
            if (ignoredFrom > depth)
                ignoredFrom = 0;
            continue;
        }
        const std::string_view word = t.type == TokenType::ControlWord ? t.word : std::string_view();
        if (word == "uc")
            skipCounts.back() = t.parameter;
        if (ignoredFrom || word == "uc")
            continue;
        if (word == "listtext" || word == "pict" || (t.type == TokenType::ControlSymbol && t.symbol == '*')) {
            ignoredFrom = depth;
            continue;
        }
        // Each \'hh, control word or text character of a fallback counts one.
        QByteArrayView run = t.bytes;
        if (skip > 0) {
            const qsizetype skipped = t.type == TokenType::Text ? std::min<qsizetype>(skip, run.size()) : 1;
            skip -= int(skipped);
            if (t.type != TokenType::Text || skipped == run.size())
                continue;
            run = run.sliced(skipped);
        }
        if (word == "u" && knowsUnicode) {
            flush();
            text += QChar(char16_t(t.parameter));
            skip = skipCounts.back();
        } else if (word == "par" || word == "line" || word == "tab") {
            flush();
            text += word == "tab" ? u'\t' : u'\n';
        } else if (t.type == TokenType::HexByte) {
            bytes += char(t.byte);
        } else if (t.type == TokenType::ControlSymbol && t.symbol == '~') {
            flush();
            text += QChar(0xa0);
        } else if (t.type == TokenType::ControlSymbol) {
            bytes += t.symbol;
        } else if (t.type == TokenType::Text) {
            bytes += run.toByteArray();
        }
    }
    flush();
    return text;
}

// Braces balance and the document is one group; a writer that forgets an
// escape or keeps a broken group fails here.
bool isOneGroup(QByteArrayView rtf)
{
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
            continue;
        }
        if (rtf[i] == '{')
            ++depth;
        else if (rtf[i] == '}' && --depth == 0)
            return rtf.sliced(i + 1).trimmed().isEmpty();
        if (depth < 0)
            return false;
    }
    return false;
}


// The font table's entry for font 1; font 0 is the document's default.
QByteArray secondFontEntry(const QByteArray &rtf)
{
    const qsizetype start = rtf.indexOf("{\\f1\\");
    return start < 0 ? QByteArray() : rtf.mid(start, rtf.indexOf('\n', start) - start).trimmed();
}

} // namespace

class TestRtfRoundTrip final : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void escapes_data();
    void escapes();
    void bothReadersSeeTheText_data();
    void bothReadersSeeTheText();
    void fontTable_data();
    void fontTable();
    void exactIndents_data();
    void exactIndents();
    void keptPictureGroup_data();
    void keptPictureGroup();
    void corpus_data();
    void corpus();
};

void TestRtfRoundTrip::roundTrip_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < builders().size(); ++i)
        QTest::newRow(qPrintable(builders()[i].first)) << i;
}

void TestRtfRoundTrip::roundTrip()
{
    QFETCH(int, index);
    QTextDocument original;
    QTextCursor cursor(&original);
    builders()[index].second(original, cursor);

    const QByteArray rtf = rtf::write(original);
    exportForInterop(QStringLiteral("built_") + builders()[index].first, rtf, original);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936"));
    QVERIFY(isOneGroup(rtf));
    // Lines stay short enough for any editor or mail program.
    for (const QByteArray &line : rtf.split('\n'))
        QVERIFY2(line.size() <= 260, line.left(80).constData());

    QTextDocument reread;
    rtf::read(rtf, reread);
    // The first character that differs, rather than two screens of text.
    const QString before = documentText(original) + QChar(0);
    const QString after = documentText(reread) + QChar(0);
    qsizetype at = 0;
    while (at + 1 < std::min(before.size(), after.size()) && before[at] == after[at])
        ++at;
    QVERIFY2(before == after, qPrintable(QStringLiteral("at %1 U+%2 became U+%3")
                                             .arg(at)
                                             .arg(before[at].unicode(), 4, 16)
                                             .arg(after[at].unicode(), 4, 16)));
    QCOMPARE(describe(reread), describe(original));
}

void TestRtfRoundTrip::escapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("backslash and braces") << QStringLiteral("a\\b{c}d") << QByteArray("a\\\\b\\{c\\}d");
    // 路 is U+8DEF: above 32767, so written as a negative number.
    QTest::newRow("N above 32767") << QStringLiteral("路") << QByteArray("\\u-29201\\'c2\\'b7");
    QTest::newRow("N below 32768") << QStringLiteral("电") << QByteArray("\\u30005\\'b5\\'e7");
    QTest::newRow("one-byte fallback") << QStringLiteral("€") << QByteArray("\\u8364\\'80");
    QTest::newRow("surrogate pair") << QStringLiteral("\U0001F600") << QByteArray("\\u-10179?\\u-8704?");
    QTest::newRow("not in 936") << QStringLiteral("한") << QByteArray("\\u-10916?");
    QTest::newRow("tab before a letter") << QStringLiteral("\tb") << QByteArray("\\tab b");
    QTest::newRow("tab before a digit") << QStringLiteral("\t1") << QByteArray("\\tab 1");
    QTest::newRow("tab before a space") << QStringLiteral("\t x") << QByteArray("\\tab  x");
    QTest::newRow("tab before a hyphen") << QStringLiteral("\t-") << QByteArray("\\tab -");
    QTest::newRow("no-break space") << QStringLiteral("1\u00a02") << QByteArray("1\\~2");
    QTest::newRow("line separator") << QStringLiteral("a\u2028b") << QByteArray("\\line b");
}

void TestRtfRoundTrip::escapes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QTextDocument document;
    QTextCursor(&document).insertText(QStringLiteral("前") + text + QStringLiteral("后"),
                                      font(QStringLiteral("宋体"), 10.5));
    const QByteArray rtf = rtf::write(document);
    QVERIFY2(rtf.contains(expected), rtf.constData());
    QVERIFY(isOneGroup(rtf));
    // No \u parameter outside the signed 16-bit range.
    static const QRegularExpression unicodeWord(QStringLiteral("\\\\u(-?[0-9]+)"));
    for (const QRegularExpressionMatch &m : unicodeWord.globalMatch(QString::fromLatin1(rtf))) {
        const int n = m.captured(1).toInt();
        QVERIFY2(n >= -32768 && n <= 32767, qPrintable(m.captured(0)));
    }
}

void TestRtfRoundTrip::bothReadersSeeTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("oldReader");
    QTest::newRow("double-byte then ASCII") << QStringLiteral("电a路b") << QStringLiteral("电a路b");
    QTest::newRow("skip count changes") << QStringLiteral("电\U0001F600b€c路1") << QStringLiteral("电??b€c路1");
    QTest::newRow("not in 936 then digits") << QStringLiteral("한123") << QStringLiteral("?123");
    QTest::newRow("after a tab and a brace") << QStringLiteral("Ж\t{路}") << QStringLiteral("Ж\t{路}");
    QTest::newRow("fallbacks that look like text") << QStringLiteral("：，。1") << QStringLiteral("：，。1");
}

void TestRtfRoundTrip::bothReadersSeeTheText()
{
    QFETCH(QString, text);
    QFETCH(QString, oldReader);
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(text, font(QStringLiteral("宋体"), 10.5));
    // A second run in a group of its own, where the skip count is scoped.
    QTextCharFormat bold = font(QStringLiteral("黑体"), 10.5);
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(text, bold);
    cursor.insertText(QStringLiteral("x"), font(QStringLiteral("宋体"), 10.5));
    const QByteArray rtf = rtf::write(document);
    const QString body = text + text + QStringLiteral("x");
    const qsizetype start = rtf.indexOf("\\pard");
    QCOMPARE(plainReading(QByteArrayView(rtf).sliced(start), true), body);
    QCOMPARE(plainReading(QByteArrayView(rtf).sliced(start), false), oldReader + oldReader + QStringLiteral("x"));
}

void TestRtfRoundTrip::fontTable_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("charset");
    QTest::addColumn<QByteArray>("name");
    // Word reads a font name as bytes in the font's charset: GBK for 134.
    QTest::newRow("宋体") << QStringLiteral("宋体") << 134 << QByteArray("\\'cb\\'ce\\'cc\\'e5{\\*\\falt SimSun};");
    QTest::newRow("黑体") << QStringLiteral("黑体") << 134 << QByteArray("\\'ba\\'da\\'cc\\'e5{\\*\\falt SimHei};");
    QTest::newRow("楷体") << QStringLiteral("楷体") << 134 << QByteArray("\\'bf\\'ac\\'cc\\'e5{\\*\\falt KaiTi};");
    QTest::newRow("仿宋") << QStringLiteral("仿宋") << 134 << QByteArray("\\'b7\\'c2\\'cb\\'ce{\\*\\falt FangSong};");
    QTest::newRow("SimSun") << QStringLiteral("SimSun") << 134 << QByteArray(" SimSun;");
    QTest::newRow("Times New Roman") << QStringLiteral("Times New Roman") << 0 << QByteArray(" Times New Roman;");
    QTest::newRow("Arial") << QStringLiteral("Arial") << 0 << QByteArray(" Arial;");
    QTest::newRow("name with RTF characters") << QStringLiteral("X{y}\\z") << 0 << QByteArray(" X\\'7by\\'7d\\'5cz;");
    // A name code page 936 cannot hold goes in as \u with '?' fallbacks.
    QTest::newRow("Korean name") << QStringLiteral("맑은") << 134 << QByteArray("\\u-17967?\\u-14528?;");
}

void TestRtfRoundTrip::fontTable()
{
    QFETCH(QString, family);
    QFETCH(int, charset);
    QFETCH(QByteArray, name);
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("Default Font")));
    QTextCursor(&document).insertText(QStringLiteral("字"), font(family, 12));
    const QByteArray rtf = rtf::write(document);
    const QByteArray entry = secondFontEntry(rtf);
    QVERIFY2(entry.contains(QByteArray("\\fcharset") + QByteArray::number(charset)), entry.constData());
    QVERIFY2(entry.endsWith(name + "}"), entry.constData());

    QTextDocument reread;
    rtf::read(rtf, reread);
    QCOMPARE(familyOf(reread.begin().begin().fragment().charFormat(), reread), family);
}

void TestRtfRoundTrip::exactIndents_data()
{
    QTest::addColumn<qreal>("left");
    QTest::addColumn<int>("leftTwips");
    QTest::addColumn<qreal>("first");
    QTest::addColumn<int>("firstTwips");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("pixels alone") << 28.0 << 0 << 0.0 << 0 << QByteArray("\\li420\\");
    QTest::newRow("twips that agree") << 425 / 15.0 << 425 << 0.0 << 0 << QByteArray("\\li425\\");
    QTest::newRow("twips the user changed") << 40.0 << 425 << 0.0 << 0 << QByteArray("\\li600\\");
    // The editor shows a negative left indent at the margin, and the file
    // says what the author saw.
    QTest::newRow("negative left indent") << 0.0 << -420 << 28.0 << 420 << QByteArray("\\fi420\\hich");
}

void TestRtfRoundTrip::exactIndents()
{
    QFETCH(qreal, left);
    QFETCH(int, leftTwips);
    QFETCH(qreal, first);
    QFETCH(int, firstTwips);
    QFETCH(QByteArray, expected);
    QTextDocument document;
    QTextBlockFormat format;
    format.setLeftMargin(left);
    format.setTextIndent(first);
    if (leftTwips)
        format.setProperty(rtf::LeftIndentTwips, leftTwips);
    if (firstTwips)
        format.setProperty(rtf::FirstLineIndentTwips, firstTwips);
    QTextCursor cursor(&document);
    cursor.setBlockFormat(format);
    cursor.insertText(QStringLiteral("缩进"));
    const QByteArray rtf = rtf::write(document);
    QVERIFY2(rtf.contains("\\pard\\plain" + expected), rtf.constData());
}

void TestRtfRoundTrip::keptPictureGroup_data()
{
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<bool>("kept");
    QTest::newRow("metafile") << QByteArray("{\\pict\\wmetafile8\\picw10\\pich10 0102ff}") << true;
    QTest::newRow("binary with braces") << QByteArray("{\\pict\\wmetafile8\\bin4 {}}{}") << true;
    QTest::newRow("unbalanced") << QByteArray("{\\pict\\wmetafile8 {0102}") << false;
    QTest::newRow("two groups") << QByteArray("{\\pict 01}{\\pict 02}") << false;
    QTest::newRow("binary past the end") << QByteArray("{\\pict\\bin99 01}") << false;
}

void TestRtfRoundTrip::keptPictureGroup()
{
    QFETCH(QByteArray, group);
    QFETCH(bool, kept);
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("前"), font(QStringLiteral("宋体"), 10.5));
    QTextImageFormat picture;
    picture.setName(QStringLiteral("kept"));
    picture.setProperty(rtf::RawPictureGroup, group);
    cursor.insertImage(picture);
    cursor.insertText(QStringLiteral("后"), font(QStringLiteral("宋体"), 10.5));
    const QByteArray rtf = rtf::write(document);
    QCOMPARE(rtf.contains(group), kept);
    QVERIFY(isOneGroup(rtf));
    QTextDocument reread;
    rtf::read(rtf, reread);
    QCOMPARE(documentText(reread), QStringLiteral("前后"));
}

void TestRtfRoundTrip::corpus_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    QFile manifest(kCorpus + QStringLiteral("/manifest.jsonl"));
    QVERIFY2(manifest.open(QIODevice::ReadOnly), qPrintable(manifest.fileName()));
    while (!manifest.atEnd()) {
        const QJsonObject entry = QJsonDocument::fromJson(manifest.readLine()).object();
        if (entry.isEmpty())
            continue;
        const QString file = entry.value(QStringLiteral("file")).toString();
        QTest::newRow(qPrintable(file)) << file << entry.value(QStringLiteral("expected")).toString();
    }
}

void TestRtfRoundTrip::corpus()
{
    QFETCH(QString, file);
    QFETCH(QString, expected);
    QFile source(kCorpus + u'/' + file);
    if (!source.exists())
        QSKIP("not generated (gen/make_long.py writes it)");
    QVERIFY(source.open(QIODevice::ReadOnly));
    QFile expectedFile(kCorpus + u'/' + expected);
    QVERIFY(expectedFile.open(QIODevice::ReadOnly));
    const QString expectedText = QString::fromUtf8(expectedFile.readAll());

    QTextDocument first;
    rtf::read(source.readAll(), first);
    QCOMPARE(documentText(first) + u'\n', expectedText);

    const QByteArray rtf = rtf::write(first);
    exportForInterop(QStringLiteral("corpus_") + QFileInfo(file).completeBaseName(), rtf, first);
    QVERIFY(isOneGroup(rtf));
    QTextDocument second;
    rtf::read(rtf, second);
    QCOMPARE(documentText(second) + u'\n', expectedText);
    QCOMPARE(describe(second), describe(first));
}

QTEST_MAIN(TestRtfRoundTrip)
#include "tst_rtfroundtrip.moc"
