// The reference picture (its load through the shared dialog and its
// scrolling) and the reference text area as the target of Open and Copy.
// Pictures are written at run time into a temporary folder.

#include "support/scriptedservices.h"

#include "platform/filefilter.h"
#include "shell/commondialog.h"
#include "shell/form1.h"
#include "shell/twips.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

void appendLe16(QByteArray &bytes, int value)
{
    bytes.append(char(value & 0xff));
    bytes.append(char((value >> 8) & 0xff));
}

// Qt reads GIF but does not write it. Four colours, LZW codes of three
// bits throughout: the code table is cleared after every two pixels so
// that it never grows into four-bit codes.
QByteArray gifOf(int width, int height)
{
    QByteArray gif("GIF89a");
    appendLe16(gif, width);
    appendLe16(gif, height);
    gif.append(char(0x81)).append(char(0)).append(char(0));
    gif.append(QByteArray::fromHex("ff0000" "00ff00" "0000ff" "ffffff"));
    gif.append(char(0x2c));
    appendLe16(gif, 0);
    appendLe16(gif, 0);
    appendLe16(gif, width);
    appendLe16(gif, height);
    gif.append(char(0));
    gif.append(char(2)); // minimum code size

    QByteArray stream;
    quint32 bits = 0;
    int count = 0;
    const auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += 3;
        while (count >= 8) {
            stream.append(char(bits & 0xff));
            bits >>= 8;
            count -= 8;
        }
    };
    constexpr int kClear = 4, kEnd = 5;
    for (int pixel = 0; pixel < width * height; ++pixel) {
        if (pixel % 2 == 0)
            put(kClear);
        put((pixel / width + pixel % width) % 4);
    }
    put(kEnd);
    if (count > 0)
        stream.append(char(bits & 0xff));
    for (qsizetype at = 0; at < stream.size(); at += 255) {
        const QByteArray block = stream.mid(at, 255);
        gif.append(char(block.size())).append(block);
    }
    gif.append(char(0)).append(char(0x3b));
    return gif;
}

// A real JPEG of 16 × 16 pixels whose frame header is made to claim a
// larger size: 30000 × 30000 is 3.6 GB decoded.
QByteArray jpegClaiming(int side)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG"))
        return {};
    const qsizetype frame = jpeg.indexOf(QByteArray("\xff\xc0", 2));
    if (frame < 0)
        return {};
    // Marker, length (2), precision (1), then height and width, big-endian.
    const char claimed[] = {char(side >> 8), char(side & 0xff), char(side >> 8), char(side & 0xff)};
    jpeg.replace(frame + 5, 4, QByteArray(claimed, 4));
    return jpeg;
}

void selectAll(QTextEdit *edit, int start, int length)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

enum Toolbar { Open = 0, Copy = 2, Image = 5 };

} // namespace

class TestViewer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_pictures;

private slots:
    void initTestCase()
    {
        static const QtMessageHandler standard = qInstallMessageHandler([](auto type, const auto &context, auto &text) {
            if (!text.contains(QLatin1String("does not support propagateSizeHints")))
                standard(type, context, text);
        });
        QVERIFY(m_pictures.isValid());
    }

    void cancelledDialog();
    void picture_data();
    void picture();
    void unreadableFile_data();
    void unreadableFile();
    void nextLoadClearsThePicture();
    void largePhotographLoads();
    void referenceTextThroughOpen();
    void referenceTextThroughCopy();
};

// The dialog as the picture load sets it up, the rest of the shared
// dialog untouched; a cancel leaves the empty picture area and its
// ranges from the area's size.
void TestViewer::cancelledDialog()
{
    Harness h;
    Form1 &window = h.window();
    CommonDialog &dialog = window.commonDialog();
    dialog.fileName = QStringLiteral("/earlier/稿子.rtf");
    dialog.flags = DialogFlag::HideReadOnly | DialogFlag::OverwritePrompt;
    dialog.fontName = QStringLiteral("黑体");

    window.ui().toolbarButtons[Image]->trigger();
    QCOMPARE(h.dialogs.shown.size(), 1);
    const FileDialogRequest &request = h.dialogs.shown[0].file;
    QCOMPARE(h.dialogs.shown[0].kind, DialogKind::Open);
    QCOMPARE(request.title, QStringLiteral("看图"));
    QCOMPARE(request.fileName, QString());
    QCOMPARE(request.filterIndex, 1);
    QCOMPARE(request.flags, DialogFlag::HideReadOnly | DialogFlag::OverwritePrompt);
    const QList<FileFilter> filters{{QStringLiteral("*.bmp文件"), QStringLiteral("*.bmp")},
                                    {QStringLiteral("*.gif文件"), QStringLiteral("*gif")},
                                    {QStringLiteral("*.jpg文件"), QStringLiteral("*.jpg")},
                                    {QStringLiteral("所有文件"), QStringLiteral("*.*")}};
    QCOMPARE(request.filters, filters);
    QCOMPARE(dialog.fontName, QStringLiteral("黑体"));
    QCOMPARE(dialog.fileName, QString());

    const Form1Ui &ui = window.ui();
    QVERIFY(ui.RichTextBox2->isHidden());
    QVERIFY(!ui.Image1->isHidden());
    QVERIFY(ui.Image1->pixmap().isNull());
    QCOMPARE(ui.HScroll1->maximum(), Twips::fromPixelsX(ui.Image1->width()));
    QCOMPARE(ui.VScroll1->maximum(), Twips::fromPixelsY(ui.Image1->height()));
    QCOMPARE(h.prompts.messages.size(), 0);
}

void TestViewer::picture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format"); // empty: a GIF made here
    QTest::newRow("bmp") << "电路.bmp" << QSize(300, 200) << QByteArray("BMP");
    QTest::newRow("gif") << "drawing.gif" << QSize(37, 21) << QByteArray();
    QTest::newRow("gif without a dot") << "drawinggif" << QSize(12, 50) << QByteArray();
    QTest::newRow("jpeg") << "photo.jpg" << QSize(640, 480) << QByteArray("JPEG");
    QTest::newRow("jpeg named bmp") << "photo-really.bmp" << QSize(64, 48) << QByteArray("JPEG");
    QTest::newRow("smaller than a unit") << "dot.bmp" << QSize(1, 1) << QByteArray("BMP");
    // Wider than 32,767 units at any usual DPI: the range covers it all.
    QTest::newRow("wide panorama") << "panorama.jpg" << QSize(4000, 16) << QByteArray("JPEG");
}

// A chosen picture shows at its natural size from the panel's corner; the
// ranges are its size in 1/1440 inch, and the picture follows each bar,
// also while a thumb is dragged.
void TestViewer::picture()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);
    const QString path = m_pictures.filePath(name);
    if (format.isEmpty()) {
        writeFile(path, gifOf(size.width(), size.height()));
    } else {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QVERIFY(image.save(path, format.constData()));
    }
    Harness h;
    Form1 &window = h.window();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const Form1Ui &ui = window.ui();
    h.dialogs.answers.push_back(path);

    window.ui().toolbarButtons[Image]->trigger();
    QCOMPARE(h.prompts.messages.size(), 0);
    QCOMPARE(ui.Image1->pixmap().size(), size);
    QCOMPARE(ui.Image1->size(), size);
    QCOMPARE(ui.Image1->pos(), QPoint(0, 0));
    const int width = Twips::fromPixelsX(size.width());
    const int height = Twips::fromPixelsY(size.height());
    QCOMPARE(ui.HScroll1->maximum(), width);
    QCOMPARE(ui.VScroll1->maximum(), height);
    QCOMPARE(ui.HScroll1->value(), 0);
    QCOMPARE(ui.VScroll1->value(), 0);
    QCOMPARE(window.commonDialog().fileName, QDir::toNativeSeparators(path));

    ui.HScroll1->setValue(width / 2);
    QCOMPARE(ui.Image1->pos(), QPoint(-Twips::toPixelsX(width / 2), 0));
    ui.VScroll1->setValue(height);
    QCOMPARE(ui.Image1->pos(), QPoint(-Twips::toPixelsX(width / 2), -Twips::toPixelsY(height)));
    ui.HScroll1->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(ui.Image1->x(), -Twips::toPixelsX(width));

    ui.VScroll1->setSliderDown(true);
    ui.VScroll1->setSliderPosition(height / 3);
    QCOMPARE(ui.Image1->y(), -Twips::toPixelsY(height / 3));
    ui.VScroll1->setSliderDown(false);
}

void TestViewer::unreadableFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    QTest::newRow("text named jpg") << "notes.jpg" << QByteArray("电阻R1 10k\r\n") << "";
    QTest::newRow("truncated gif") << "broken.gif" << gifOf(40, 40).left(30) << "";
    QTest::newRow("empty file") << "empty.bmp" << QByteArray() << "";
    QTest::newRow("claims 30000 x 30000") << "bomb.jpg" << jpegClaiming(30000) << "图片太大（30000×30000 像素）";
    QTest::newRow("missing") << "gone.bmp" << QByteArray() << "文件不存在";
}

// A file that is no readable picture: one message that names the file,
// and the picture mode with the empty picture.
void TestViewer::unreadableFile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    const QString path = m_pictures.filePath(name);
    if (QTest::currentDataTag() != QLatin1String("missing"))
        writeFile(path, content);
    Harness h;
    Form1 &window = h.window();
    const Form1Ui &ui = window.ui();
    h.dialogs.answers.push_back(path);

    window.ui().toolbarButtons[Image]->trigger();
    QCOMPARE(h.prompts.messages.size(), 1);
    const QString message = h.prompts.messages[0].text;
    QVERIFY2(message.startsWith(QStringLiteral("无法显示图片“%1”：").arg(QDir::toNativeSeparators(path))),
             qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
    QCOMPARE(h.prompts.messages[0].buttons, MessageButtons::Ok);
    QVERIFY(ui.Image1->pixmap().isNull());
    QVERIFY(!ui.Image1->isHidden());
    QVERIFY(!ui.HScroll1->isHidden() && !ui.VScroll1->isHidden());
    QVERIFY(ui.RichTextBox2->isHidden());
}

// The next picture mode clears the picture before its dialog: cancelling
// it leaves the empty area, scrolled back to the corner.
void TestViewer::nextLoadClearsThePicture()
{
    const QString path = m_pictures.filePath(QStringLiteral("first.bmp"));
    QImage image(QSize(500, 400), QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(path, "BMP"));
    Harness h;
    Form1 &window = h.window();
    const Form1Ui &ui = window.ui();
    h.dialogs.answers.push_back(path);
    window.ui().toolbarButtons[Image]->trigger();
    ui.HScroll1->setValue(700);
    ui.VScroll1->setValue(900);

    window.ui().toolbarButtons[Image]->trigger();
    QCOMPARE(h.dialogs.shown.size(), 2);
    QCOMPARE(h.dialogs.shown[1].file.fileName, QString());
    QVERIFY(ui.Image1->pixmap().isNull());
    QCOMPARE(ui.Image1->pos(), QPoint(0, 0));
    QCOMPARE(ui.HScroll1->value(), 0);
    QCOMPARE(ui.VScroll1->value(), 0);
    QCOMPARE(ui.HScroll1->maximum(), Twips::fromPixelsX(ui.Image1->width()));
}

// A picture beyond Qt's default allocation limit (128 MB) but within the
// viewer's loads, and the program's limit is left as it was.
void TestViewer::largePhotographLoads()
{
    const QString path = m_pictures.filePath(QStringLiteral("large.jpg"));
    writeFile(path, jpegClaiming(6000));
    const int limit = QImageReader::allocationLimit();
    Harness h;
    h.dialogs.answers.push_back(path);
    h.window().ui().toolbarButtons[Image]->trigger();
    QCOMPARE(h.prompts.messages.size(), 0);
    QCOMPARE(h.window().ui().Image1->size(), QSize(6000, 6000));
    QCOMPARE(QImageReader::allocationLimit(), limit);
}

// A click in the reference text area makes Open load there; a cancelled
// dialog keeps the flag, a loaded file clears it and leaves the title.
void TestViewer::referenceTextThroughOpen()
{
    const QString path = m_pictures.filePath(QStringLiteral("参考.txt"));
    writeFile(path, QByteArray("reference notes\r\n"));
    Harness h;
    Form1 &window = h.window();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const Form1Ui &ui = window.ui();
    ui.RichTextBox1->setPlainText(QStringLiteral("稿子"));
    const QString title = window.windowTitle();

    QTest::mouseClick(ui.RichTextBox2->viewport(), Qt::LeftButton);
    QVERIFY(window.flags().referenceSelected);
    QTest::mouseClick(ui.RichTextBox1->viewport(), Qt::LeftButton);
    QVERIFY(window.flags().referenceSelected);

    ui.toolbarButtons[Open]->trigger();
    QCOMPARE(h.dialogs.shown.size(), 1);
    QVERIFY(window.flags().referenceSelected);

    h.dialogs.answers.push_back(path);
    ui.mnufileitem[1]->trigger();
    QCOMPARE(ui.RichTextBox2->toPlainText(), QStringLiteral("reference notes\n"));
    QCOMPARE(ui.RichTextBox1->toPlainText(), QStringLiteral("稿子"));
    QCOMPARE(window.windowTitle(), title);
    QVERIFY(!window.flags().referenceSelected);
}

// After a click in the reference text area, one Copy takes its selection
// (even an empty one), the next the manuscript's.
void TestViewer::referenceTextThroughCopy()
{
    Harness h;
    Form1 &window = h.window();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const Form1Ui &ui = window.ui();
    ui.RichTextBox1->setPlainText(QStringLiteral("稿子正文"));
    ui.RichTextBox2->setPlainText(QStringLiteral("参考资料"));

    QTest::mouseClick(ui.RichTextBox2->viewport(), Qt::LeftButton);
    selectAll(ui.RichTextBox2, 2, 2);
    selectAll(ui.RichTextBox1, 0, 2);
    ui.toolbarButtons[Copy]->trigger();
    QCOMPARE(h.clipboard.content, QStringLiteral("资料"));
    QVERIFY(!window.flags().referenceSelected);
    ui.toolbarButtons[Copy]->trigger();
    QCOMPARE(h.clipboard.content, QStringLiteral("稿子"));

    QTest::mouseClick(ui.RichTextBox2->viewport(), Qt::LeftButton);
    selectAll(ui.RichTextBox2, 0, 0);
    ui.toolbarButtons[Copy]->trigger();
    QCOMPARE(h.clipboard.content, QString());
}

QTEST_MAIN(TestViewer)
#include "tst_viewer.moc"
