#include "picturefile.h"

#include <QDir>
#include <QImageReader>

namespace bilan::picture {

namespace {

// Every picture is shown as 32-bit pixels, whatever its file holds.
constexpr qint64 kBytesPerPixel = 4;

// Qt's own ceiling on a decoded image (128 MB in Qt 6.4) would turn away an
// ordinary 50-megapixel photograph; this one admits about 130 megapixels
// and still stops a file that claims a picture of many gigabytes.
constexpr int kPictureLimitMegabytes = 512;

// The allocation limit is one setting for the whole program; reference
// pictures get theirs only while one is read, and every other image
// (pictures inside manuscripts) keeps Qt's.
class PictureAllocationLimit final
{
public:
    PictureAllocationLimit()
        : m_previous(QImageReader::allocationLimit())
    {
        QImageReader::setAllocationLimit(kPictureLimitMegabytes);
    }
    ~PictureAllocationLimit() { QImageReader::setAllocationLimit(m_previous); }
    PictureAllocationLimit(const PictureAllocationLimit &) = delete;
    PictureAllocationLimit &operator=(const PictureAllocationLimit &) = delete;

private:
    int m_previous;
};

QString failure(const QString &path, const QString &reason)
{
    return QStringLiteral("无法显示图片“%1”：%2。").arg(QDir::toNativeSeparators(path), reason);
}

QString reasonFor(QImageReader::ImageReaderError error)
{
    switch (error) {
    case QImageReader::FileNotFoundError:
        return QStringLiteral("文件不存在");
    case QImageReader::DeviceError:
        return QStringLiteral("无法读取这个文件");
    case QImageReader::UnsupportedFormatError:
        return QStringLiteral("这不是可以显示的图片文件（可以显示 BMP、GIF 和 JPEG 图片）");
    case QImageReader::InvalidDataError:
        return QStringLiteral("图片数据已损坏或不完整");
    case QImageReader::UnknownError:
        break;
    }
    return QStringLiteral("无法读出其中的图片");
}

bool exceedsAllocationLimit(const QSize &size)
{
    const int limitMegabytes = QImageReader::allocationLimit();
    if (limitMegabytes <= 0 || !size.isValid())
        return false;
    const qint64 bytes = qint64(size.width()) * qint64(size.height()) * kBytesPerPixel;
    return bytes > qint64(limitMegabytes) * 1024 * 1024;
}

} // namespace

Reading read(const QString &path)
{
    const PictureAllocationLimit limit;
    QImageReader reader(path);
    // The content decides, not the name: a JPEG saved as .bmp still shows.
    reader.setDecideFormatFromContent(true);
    // Photographs are shown the way the camera held them.
    reader.setAutoTransform(true);

    // The header gives the size without decoding the pixels.
    const QSize size = reader.size();
    if (exceedsAllocationLimit(size)) {
        return {QImage(), failure(path, QStringLiteral("图片太大（%1×%2 像素），超出了可以显示的范围")
                                            .arg(size.width())
                                            .arg(size.height()))};
    }
    QImage image = reader.read();
    if (image.isNull())
        return {QImage(), failure(path, reasonFor(reader.error()))};
    return {image, QString()};
}

} // namespace bilan::picture
