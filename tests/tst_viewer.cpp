// The reference picture (its load through the shared dialog and its
// scrolling) and the reference text area as the target of Open and Copy.
// Pictures are written at run time into a temporary folder.

#include "support/files.h"
#include "support/scriptedservices.h"

#include "shell/commondialog.h"
#include "shell/form1.h"
#include "shell/twips.h"

#include <QAction>
#include <QBuffer>
#include <QImageReader>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

// A 7 × 3 GIF of four colours: Qt reads GIF but does not write it.
const QByteArray kGif = QByteArray::fromHex("47494638396107000300810000ff000000ff000000ffffffff2c000000000700030000020d"
                                            "44a811a1428d08356a44a81105003b");

// A real 16 × 16 JPEG whose frame header claims side × side pixels.
QByteArray jpegClaiming(int side)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    // Marker, length (2), precision (1), then height and width, big-endian.
    const qsizetype frame = jpeg.indexOf("\xff\xc0");
    const QByteArray size = QByteArray(1, char(side >> 8)) + char(side & 0xff);
    return frame < 0 ? QByteArray() : jpeg.replace(frame + 5, 4, size + size);
}

} // namespace

class TestViewer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_pictures;

private slots:
    void initTestCase() { ignoreSizeHintWarnings(); }

    // The dialog as the picture load sets it up, the rest of the shared
    // dialog untouched; a cancel leaves the empty picture area, its
    // ranges from the area's size.
    void cancelledDialog()
    {
        Harness h;
        CommonDialog &dialog = h.window().commonDialog();
        dialog.fileName = QStringLiteral("/earlier/稿子.rtf");
        dialog.flags = DialogFlag::HideReadOnly | DialogFlag::OverwritePrompt;
        dialog.fontName = QStringLiteral("黑体");

        h.press(ToolbarKey::Image);
        QCOMPARE(h.dialogs.shown.size(), 1);
        const FileDialogRequest &request = h.dialogs.shown[0].file;
        QCOMPARE(h.dialogs.shown[0].kind, DialogKind::Open);
        QCOMPARE(request.title + '|' + request.fileName + '|' + QString::number(request.filterIndex), "看图||1");
        QCOMPARE(request.flags, DialogFlag::HideReadOnly | DialogFlag::OverwritePrompt);
        const QList<FileFilter> filters{{"*.bmp文件", "*.bmp"}, {"*.gif文件", "*gif"}, {"*.jpg文件", "*.jpg"},
                                        {"所有文件", "*.*"}};
        QCOMPARE(request.filters, filters);
        QCOMPARE(dialog.fontName, QStringLiteral("黑体"));

        const Form1Ui &ui = h.window().ui();
        QVERIFY(ui.RichTextBox2->isHidden() && !ui.Image1->isHidden() && ui.Image1->pixmap().isNull());
        QCOMPARE(ui.HScroll1->maximum(), Twips::fromPixelsX(ui.Image1->width()));
        QCOMPARE(ui.VScroll1->maximum(), Twips::fromPixelsY(ui.Image1->height()));
        QCOMPARE(h.prompts.messages.size(), 0);
    }

    void picture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QByteArray>("format"); // "GIF": kGif; "claim": a small JPEG claiming the size
        QTest::newRow("bmp") << "电路.bmp" << QSize(300, 200) << QByteArray("BMP");
        QTest::newRow("gif") << "drawing.gif" << QSize(7, 3) << QByteArray("GIF");
        QTest::newRow("gif without a dot") << "drawinggif" << QSize(7, 3) << QByteArray("GIF");
        QTest::newRow("jpeg") << "photo.jpg" << QSize(640, 480) << QByteArray("JPEG");
        QTest::newRow("jpeg named bmp") << "photo-really.bmp" << QSize(64, 48) << QByteArray("JPEG");
        QTest::newRow("one pixel") << "dot.bmp" << QSize(1, 1) << QByteArray("BMP");
        // Wider than 32,767 units at any usual DPI: the range covers it all.
        QTest::newRow("panorama") << "panorama.jpg" << QSize(4000, 16) << QByteArray("JPEG");
        // Beyond Qt's default allocation limit (128 MB) but within the viewer's.
        QTest::newRow("large photograph") << "large.jpg" << QSize(6000, 6000) << QByteArray("claim");
    }

    // Natural size from the panel's corner; ranges of its size in 1/1440
    // inch; the picture follows each bar, also while a thumb is dragged;
    // the next picture mode clears it before its dialog. The program's
    // allocation limit is left as it was.
    void picture()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(QByteArray, format);
        const QString path = m_pictures.filePath(name);
        if (format == "GIF" || format == "claim") {
            QVERIFY(writeFile(path, format == "GIF" ? kGif : jpegClaiming(size.width())));
        } else {
            QImage image(size, QImage::Format_RGB32);
            image.fill(Qt::darkGreen);
            QVERIFY(image.save(path, format.constData()));
        }
        const int limit = QImageReader::allocationLimit();
        Harness h;
        QVERIFY(h.show());
        const Form1Ui &ui = h.window().ui();
        h.dialogs.answers.push_back(path);

        h.press(ToolbarKey::Image);
        QCOMPARE(h.prompts.messages.size(), 0);
        QCOMPARE(QImageReader::allocationLimit(), limit);
        QCOMPARE(ui.Image1->geometry(), QRect(QPoint(0, 0), size));
        QCOMPARE(ui.Image1->pixmap().size(), size);
        const int width = Twips::fromPixelsX(size.width()), height = Twips::fromPixelsY(size.height());
        QCOMPARE(ui.HScroll1->maximum(), width);
        QCOMPARE(ui.VScroll1->maximum(), height);

        ui.HScroll1->setValue(width / 2);
        ui.VScroll1->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(ui.Image1->pos(), QPoint(-Twips::toPixelsX(width / 2), -Twips::toPixelsY(height)));
        ui.HScroll1->setSliderDown(true);
        ui.HScroll1->setSliderPosition(width / 3);
        QCOMPARE(ui.Image1->x(), -Twips::toPixelsX(width / 3));
        ui.HScroll1->setSliderDown(false);

        h.press(ToolbarKey::Image);
        QCOMPARE(h.dialogs.shown.size(), 2);
        QVERIFY(ui.Image1->pixmap().isNull());
        QCOMPARE(ui.Image1->pos(), QPoint(0, 0));
        QCOMPARE(ui.HScroll1->value() + ui.VScroll1->value(), 0);
    }

    void unreadableFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QString>("reason");
        QTest::newRow("text named jpg") << "notes.jpg" << QByteArray("电阻R1 10k\r\n") << "";
        QTest::newRow("truncated gif") << "broken.gif" << kGif.left(30) << "";
        QTest::newRow("empty file") << "empty.bmp" << QByteArray("") << "";
        QTest::newRow("claims 30000 x 30000") << "bomb.jpg" << jpegClaiming(30000) << "图片太大（30000×30000 像素）";
        QTest::newRow("missing") << "gone.bmp" << QByteArray() << "文件不存在";
    }

    // One message that names the file; the picture mode stays, empty.
    void unreadableFile()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const QString path = m_pictures.filePath(name);
        QVERIFY(content.isNull() || writeFile(path, content));
        Harness h;
        const Form1Ui &ui = h.window().ui();
        h.dialogs.answers.push_back(path);

        h.press(ToolbarKey::Image);
        const QStringList messages = h.prompts.takeMessages();
        QVERIFY2(messages.size() == 1 && messages[0].contains(reason)
                     && messages[0].startsWith(QStringLiteral("无法显示图片“%1”：").arg(QDir::toNativeSeparators(path))),
                 qPrintable(messages.join('|')));
        QVERIFY(ui.Image1->pixmap().isNull() && !ui.Image1->isHidden());
        QVERIFY(!ui.HScroll1->isHidden() && ui.RichTextBox2->isHidden());
    }

    // A click in the reference text area directs Open (until a file is
    // loaded, the title unchanged) and Copy (once, even with nothing
    // selected there) to it; a click in the manuscript changes nothing.
    void referenceText()
    {
        const QString path = m_pictures.filePath(QStringLiteral("参考.txt"));
        QVERIFY(writeFile(path, "reference notes\r\n"));
        Harness h;
        QVERIFY(h.show());
        const Form1Ui &ui = h.window().ui();
        ui.RichTextBox1->setPlainText(QStringLiteral("稿子正文"));
        const auto click = [](QTextEdit *edit) { QTest::mouseClick(edit->viewport(), Qt::LeftButton); };

        click(ui.RichTextBox2);
        click(ui.RichTextBox1);
        h.press(ToolbarKey::Open); // cancelled
        QVERIFY(h.window().flags().referenceSelected);
        h.dialogs.answers.push_back(path);
        ui.mnufileitem[1]->trigger();
        QCOMPARE(ui.RichTextBox2->toPlainText(), QStringLiteral("reference notes\n"));
        QCOMPARE(ui.RichTextBox1->toPlainText(), QStringLiteral("稿子正文"));
        QCOMPARE(h.window().windowTitle(), QStringLiteral("笔澜2.5"));
        QVERIFY(!h.window().flags().referenceSelected);

        select(ui.RichTextBox1, 0, 2);
        click(ui.RichTextBox2);
        select(ui.RichTextBox2, 0, 0);
        h.press(ToolbarKey::Copy);
        QCOMPARE(h.clipboard.content, QString());
        QVERIFY(!h.window().flags().referenceSelected);
        h.press(ToolbarKey::Copy);
        QCOMPARE(h.clipboard.content, QStringLiteral("稿子"));
        click(ui.RichTextBox2);
        select(ui.RichTextBox2, 0, 9);
        h.press(ToolbarKey::Copy);
        QCOMPARE(h.clipboard.content, QStringLiteral("reference"));
    }
};

QTEST_MAIN(TestViewer)
#include "tst_viewer.moc"
