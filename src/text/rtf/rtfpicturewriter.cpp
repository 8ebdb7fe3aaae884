#include "rtfpicturewriter.h"

#include "rtfformat.h"
#include "rtfoutput.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPixmap>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace bilan::rtf {

namespace {

QByteArray sniffKind(const QByteArray &bytes, PictureKind *kind)
{
    if (bytes.startsWith("\x89PNG\r\n\x1a\n")) {
        *kind = PictureKind::Png;
        return bytes;
    }
    if (bytes.startsWith("\xff\xd8\xff")) {
        *kind = PictureKind::Jpeg;
        return bytes;
    }
    return {};
}

// A kept group goes back only if it is one whole group: anything else
// would unbalance the braces of everything after it.
bool isWholeGroup(QByteArrayView group)
{
    if (group.isEmpty() || group.front() != '{')
        return false;
    int depth = 0;
    for (qsizetype i = 0; i < group.size(); ++i) {
        const char c = group[i];
        if (c == '\\') {
            if (i + 1 < group.size() && group[i + 1] != 'b') {
                ++i;
                continue;
            }
            // \binN carries N raw bytes that may hold braces.
            if (group.sliced(i).startsWith("\\bin")) {
                qsizetype j = i + 4;
                qint64 count = 0;
                while (j < group.size() && group[j] >= '0' && group[j] <= '9' && count < (1LL << 40))
                    count = count * 10 + (group[j++] - '0');
                if (j < group.size() && group[j] == ' ')
                    ++j;
                i = j + count - 1;
                if (i >= group.size())
                    return false;
            }
            continue;
        }
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0)
                return i == group.size() - 1;
        }
    }
    return false;
}

} // namespace

bool writePicture(Output &out, const QTextDocument &document, const QTextImageFormat &format)
{
    const QByteArray kept = format.property(RawPictureGroup).toByteArray();
    if (!kept.isEmpty() && isWholeGroup(kept)) {
        out.raw(kept);
        return false;
    }

    PictureKind kind = PictureKind::Png;
    QByteArray bytes = sniffKind(format.property(PictureData).toByteArray(), &kind);
    QSize pixels;
    if (!bytes.isEmpty()) {
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        pixels = reader.size();
    }
    const bool fromDocument = bytes.isEmpty() || !pixels.isValid();
    if (fromDocument) {
        const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(format.name()));
        QImage image;
        if (resource.userType() == QMetaType::QImage)
            image = resource.value<QImage>();
        else if (resource.userType() == QMetaType::QPixmap)
            image = resource.value<QPixmap>().toImage();
        else if (resource.userType() == QMetaType::QByteArray)
            bytes = sniffKind(resource.toByteArray(), &kind);
        if (!image.isNull()) {
            bytes.clear();
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "png");
            if (!writer.write(image))
                return true;
            kind = PictureKind::Png;
            pixels = image.size();
        } else if (!bytes.isEmpty()) {
            QBuffer buffer(&bytes);
            pixels = QImageReader(&buffer).size();
        }
    }
    if (bytes.isEmpty() || !pixels.isValid() || pixels.isEmpty())
        return fromDocument;

    // The size on the page: as shown, or as the picture's own pixels at
    // 96 dpi; one side given alone keeps the picture's proportions.
    qreal width = format.width();
    qreal height = format.height();
    if (width <= 0 && height <= 0) {
        width = pixels.width();
        height = pixels.height();
    } else if (width <= 0) {
        width = height * pixels.width() / pixels.height();
    } else if (height <= 0) {
        height = width * pixels.height() / pixels.width();
    }

    out.openGroup();
    out.symbol('*');
    out.word("\\shppict");
    out.openGroup();
    out.word("\\pict");
    out.word(kind == PictureKind::Jpeg ? "\\jpegblip" : "\\pngblip");
    out.word("\\picw", pixels.width());
    out.word("\\pich", pixels.height());
    out.word("\\picwgoal", twipsToWrite(format, PictureWidthTwips, width));
    out.word("\\pichgoal", twipsToWrite(format, PictureHeightTwips, height));
    out.hex(bytes);
    out.closeGroup();
    out.closeGroup();
    return fromDocument;
}

} // namespace bilan::rtf
