// Illustrated manuscripts: every picture goes back byte for byte, is decoded
// only when painted and at the size shown, and a manuscript of photographs
// past 64 MB saves and opens again, ciphers and saves as text with its
// pictures untouched.

#include "protect/documentcipher.h"
#include "support/faults.h"
#include "support/files.h"
#include "text/documenttext.h"
#include "text/manuscriptio.h"
#include "text/rtf/rtfformat.h"
#include "text/rtf/rtfpicturestore.h"
#include "text/rtf/rtfreader.h"
#include "text/rtf/rtfwriter.h"

#include <QtGui>
#include <QtTest>

using namespace bilan;
using namespace bilan::test;

namespace {

QByteArray encoded(QSize size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(200, x * 255 / size.width(), y * 255 / size.height()));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

// A picture made up to a given size with bytes after its end, as cameras
// leave them; what the bytes are must not matter to a round trip.
QByteArray padded(QByteArray picture, qsizetype size)
{
    const qsizetype extra = size - picture.size();
    if (extra <= 0)
        return picture;
    QList<quint32> noise((extra + 3) / 4);
    QRandomGenerator(quint32(size)).fillRange(noise.data(), noise.size());
    return picture.append(reinterpret_cast<const char *>(noise.constData()), extra);
}

QByteArray pictGroup(const QByteArray &words, const QByteArray &bytes)
{
    QByteArray group = "{\\pict" + words + "\r\n";
    const QByteArray hex = bytes.toHex();
    for (qsizetype at = 0; at < hex.size(); at += 128)
        group += hex.mid(at, 128) + "\r\n";
    return group + "}";
}

QByteArray rtfFile(const QByteArray &body)
{
    return "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n"
           "\\pard\\f0 \\'cd\\'bc 1\\par\r\n" + body + "\\par}\r\n";
}

// The bytes inside each {\pict ...} group of an RTF text: the digits after
// the control words, up to the group's end.
QList<QByteArray> pictBytes(QByteArrayView rtf)
{
    QList<QByteArray> pictures;
    for (qsizetype at = rtf.indexOf("{\\pict"); at >= 0; at = rtf.indexOf("{\\pict", at + 1)) {
        qsizetype i = at + 1;
        while (i < rtf.size() && rtf[i] == '\\') {
            for (++i; i < rtf.size() && (std::isalnum(uchar(rtf[i])) || rtf[i] == '-');)
                ++i;
            if (i < rtf.size() && rtf[i] == ' ')
                ++i;
            while (i < rtf.size() && (rtf[i] == '\r' || rtf[i] == '\n'))
                ++i;
        }
        const qsizetype end = rtf.indexOf('}', i);
        pictures.append(QByteArray::fromHex(rtf.sliced(i, end - i).toByteArray()));
    }
    return pictures;
}

struct Picture
{
    QTextImageFormat format;
    bool inTable = false;
};

QList<Picture> picturesOf(QTextDocument &document)
{
    QList<Picture> pictures;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat()) {
                QTextCursor cursor(&document);
                cursor.setPosition(it.fragment().position());
                pictures.append({it.fragment().charFormat().toImageFormat(), cursor.currentTable() != nullptr});
            }
        }
    }
    return pictures;
}

constexpr qsizetype KB = 1024;
constexpr qsizetype MB = 1024 * 1024;

} // namespace

class TestRtfPictures final : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("shownWidth");
        QTest::addColumn<bool>("inTable");
        const QByteArray jpeg = encoded(QSize(40, 30), "jpeg");
        const QByteArray png = encoded(QSize(40, 30), "png");
        const QByteArray photoWords = "\\jpegblip\\picw40\\pich30\\picwgoal3000\\pichgoal2250";
        const auto row = [](const char *tag, const QByteArray &words, const QByteArray &bytes, int width,
                            bool inTable = false) {
            const QByteArray group = pictGroup(words, bytes);
            const QByteArray body = inTable ? "\\trowd\\cellx4000\\pard\\intbl " + group + "\\cell\\row\\pard "
                                            : "\\pard " + group;
            QTest::newRow(tag) << body << bytes << width << inTable;
        };
        row("jpeg, 1 KB", photoWords, padded(jpeg, 1 * KB), 200);
        row("jpeg, 3 MB", photoWords, padded(jpeg, 3 * MB), 200);
        row("jpeg, 30 MB", photoWords, padded(jpeg, 30 * MB), 200);
        row("png, 1 KB", "\\pngblip\\picw40\\pich30", padded(png, 1 * KB), 40);
        row("png, 5 MB", "\\pngblip\\picw40\\pich30", padded(png, 5 * MB), 40);
        row("png labelled jpeg", "\\jpegblip", png, 40);
        row("kept metafile", "\\wmetafile8\\picw2540\\pich2540\\picwgoal1440\\pichgoal1440", padded("\x01", 2 * KB), 96);
        row("jpeg in a table cell", photoWords, padded(jpeg, 64 * KB), 200, true);
        row("jpeg scaled to half", photoWords + "\\picscalex50\\picscaley50", jpeg, 100);
    }

    // Read, write and read again: the picture's bytes, its shown size and
    // its place are the same each time.
    void roundTrip()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, bytes);
        QFETCH(int, shownWidth);
        QFETCH(bool, inTable);
        QByteArray rtf = rtfFile(body);
        QCOMPARE(pictBytes(rtf), QList<QByteArray>{bytes});
        for (int pass = 0; pass < 2; ++pass) {
            QTextDocument document;
            rtf::read(rtf, document);
            const QList<Picture> pictures = picturesOf(document);
            QCOMPARE(pictures.size(), 1);
            QCOMPARE(qRound(pictures[0].format.width()), shownWidth);
            QCOMPARE(pictures[0].inTable, inTable);
            QVERIFY(!documentText(document).contains(QChar::ObjectReplacementCharacter));
            rtf = rtf::write(document);
            QCOMPARE(pictBytes(rtf), QList<QByteArray>{bytes});
        }
    }

    // Nothing is decoded by reading or laying out; painting decodes only
    // the pictures painted, at their shown size.
    void decodedWhenPainted()
    {
        const QByteArray words = "\\jpegblip\\picw800\\pich600\\picwgoal3000\\pichgoal2250";
        QByteArray cutShort = encoded(QSize(800, 600), "jpeg");
        cutShort.truncate(cutShort.size() / 3);
        QTextDocument document;
        rtf::read(rtfFile("\\pard " + pictGroup(words, encoded(QSize(800, 600), "jpeg")) + "\\par "
                             + pictGroup(words, cutShort)),
                  document);
        document.setPageSize(QSizeF(400, 220));
        rtf::PictureStore &store = rtf::PictureStore::of(document);
        QCOMPARE(document.pageCount(), 2);
        QCOMPARE(store.decodedCount(), 0);

        QImage page(400, 220, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        document.drawContents(&painter, QRectF(0, 0, 400, 220));
        painter.end();
        QCOMPARE(store.decodedCount(), 1);
        // The picture's own colour, not the page's white.
        const QPoint inside(100, 100);
        QVERIFY2(qRed(page.pixel(inside)) > 150 && qGreen(page.pixel(inside)) < 250,
                 qPrintable(QColor(page.pixel(inside)).name()));

        for (const Picture &picture : picturesOf(document)) {
            const QVariant decoded = document.resource(QTextDocument::ImageResource, QUrl(picture.format.name()));
            const QPixmap pixmap = decoded.value<QPixmap>();
            QCOMPARE(pixmap.deviceIndependentSize().toSize(), QSize(200, 150));
        }
        QCOMPARE(store.decodedCount(), 2);

        // Emptied for good, the document holds no picture bytes any more;
        // emptied by an edit that can be undone, it keeps them.
        QTextCursor all(&document);
        all.select(QTextCursor::Document);
        all.removeSelectedText();
        QCOMPARE(store.count(), 2);
        document.clear();
        QCOMPARE(store.count(), 0);
    }

    // A manuscript of photographs the editor wrote past the old 64 MB
    // refusal opens again with the same pictures; as text it is only its
    // captions.
    void bigManuscriptOpensAgain()
    {
        QTemporaryDir folder;
        QTextDocument document;
        QTextCursor cursor(&document);
        const QByteArray photo = padded(encoded(QSize(640, 480), "jpeg"), 3400 * KB);
        for (int i = 0; i < 10; ++i) {
            cursor.insertText(QStringLiteral("图%1：接线\n").arg(i + 1));
            QTextImageFormat picture;
            picture.setProperty(rtf::PictureData, photo);
            picture.setWidth(320);
            picture.setHeight(240);
            cursor.insertImage(picture);
            cursor.insertBlock();
        }
        const QString path = folder.filePath(QStringLiteral("图文.rtf"));
        QCOMPARE(manuscript::save(path, document, manuscript::Format::Rtf).error, QString());
        QVERIFY(QFileInfo(path).size() > 64 * MB);

        QTextDocument again;
        QCOMPARE(manuscript::load(path, again).error, QString());
        const QList<Picture> pictures = picturesOf(again);
        QCOMPARE(pictures.size(), 10);
        for (const Picture &picture : pictures)
            QVERIFY(picture.format.property(rtf::PictureData).toByteArray() == photo);

        // The cipher shifts the captions and leaves every picture as it was.
        const QString captions = documentText(again);
        const protect::ShiftCipher cipher;
        protect::shiftDocument(again, cipher, protect::Direction::Encrypt);
        QVERIFY(documentText(again) != captions);
        const QList<Picture> shifted = picturesOf(again);
        QCOMPARE(shifted.size(), 10);
        for (const Picture &picture : shifted) {
            QVERIFY(picture.format.property(rtf::PictureData).toByteArray() == photo);
            QVERIFY(again.resource(QTextDocument::ImageResource, QUrl(picture.format.name())).isValid());
        }
        protect::shiftDocument(again, cipher, protect::Direction::Decrypt);
        QCOMPARE(documentText(again), captions);

        const QString text = folder.filePath(QStringLiteral("图文.txt"));
        QCOMPARE(manuscript::save(text, again, manuscript::Format::PlainText).error, QString());
        const QByteArray saved = readFile(text);
        QVERIFY2(saved.startsWith("\xcd\xbc" "1") && saved.size() < 300, saved.left(300).toHex().constData());

        // A save cut short half-way through a photograph keeps the file that
        // was there.
        const QByteArray old = readFile(path).left(64);
        {
            const FileSizeLimit limit(5 * MB);
            const manuscript::Outcome outcome = manuscript::save(path, again, manuscript::Format::Rtf);
            QVERIFY2(outcome.error.contains(QStringLiteral("超出了系统允许的大小")), qPrintable(outcome.error));
        }
        QVERIFY(QFileInfo(path).size() > 64 * MB);
        QCOMPARE(readFile(path).left(64), old);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 2);
    }
};

QTEST_MAIN(TestRtfPictures)
#include "tst_rtfpictures.moc"
