#include "rtfpicturestore.h"

#include <QBuffer>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QTextDocument>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <QUrl>

namespace bilan::rtf {

namespace {

const QString kPrefix = QStringLiteral("rtfpicture:");

// A reader over bytes already in memory, which QBuffer shares, not copies.
// What the bytes are decides, not the word before them: writers mislabel
// PNG as JPEG and back.
void open(QBuffer &buffer, QImageReader &reader, const QByteArray &bytes)
{
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    reader.setDecideFormatFromContent(true);
    reader.setDevice(&buffer);
}

// What stands in for a picture whose bytes stop decoding past their header;
// the painter stretches it to the picture's place.
QImage broken()
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(QColor(0xE4, 0xE4, 0xE4));
    QPainter painter(&image);
    painter.setPen(QColor(0xA0, 0xA0, 0xA0));
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
    return image;
}

// The picture at the size it is shown, in device pixels; safe on any
// thread.
QImage decode(const QByteArray &bytes, QSize target)
{
    QBuffer buffer;
    QImageReader reader;
    open(buffer, reader, bytes);
    const QSize own = reader.size();
    // Only ever smaller: a picture shown larger than its pixels is left to
    // the painter. JPEG shrinks while it decodes, at a fraction of the cost.
    const bool shrink = own.isValid() && !target.isEmpty() && target.width() < own.width()
                        && target.height() < own.height();
    if (shrink)
        reader.setScaledSize(target);
    QImage image = reader.read();
    if (image.isNull())
        return broken();
    if (shrink && image.size() != target)
        return image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

bool paintsPixmaps()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr
           && QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

QSize pictureSize(const QByteArray &bytes)
{
    QBuffer buffer;
    QImageReader reader;
    open(buffer, reader, bytes);
    return reader.canRead() ? reader.size() : QSize();
}

PictureStore::PictureStore(QTextDocument &document)
    : QObject(&document)
{
    connect(&document, &QTextDocument::contentsChanged, this, [this, &document] {
        if (document.isEmpty() && !document.isUndoAvailable() && !document.isRedoAvailable())
            clear();
    });
}

PictureStore &PictureStore::of(QTextDocument &document)
{
    if (auto *store = document.findChild<PictureStore *>(QString(), Qt::FindDirectChildrenOnly))
        return *store;
    auto *store = new PictureStore(document);
    // The store is the document's child, so it outlives every call.
    document.setResourceProvider([store](const QUrl &name) { return store->resource(name.toString()); });
    return *store;
}

QString PictureStore::add(const QByteArray &bytes, QSize shown)
{
    const QString name = kPrefix + QString::number(++m_next);
    m_entries.insert(name, Entry{bytes, shown, {}, {}});
    return name;
}

void PictureStore::clear()
{
    m_entries.clear();
}

qsizetype PictureStore::decodedCount() const
{
    qsizetype count = 0;
    for (const Entry &entry : m_entries)
        count += entry.decoded.isValid() ? 1 : 0;
    return count;
}

QSize PictureStore::target(const Entry &entry) const
{
    return (QSizeF(entry.shown) * m_ratio).toSize();
}

QVariant PictureStore::resource(const QString &name)
{
    const auto found = m_entries.find(name);
    if (found == m_entries.end())
        return {};
    Entry &entry = *found;
    if (entry.decoded.isValid())
        return entry.decoded;

    const bool pixmaps = paintsPixmaps();
    m_ratio = pixmaps ? qGuiApp->devicePixelRatio() : 1.0;
    QImage image = entry.ahead.isValid() ? entry.ahead.result() : decode(entry.bytes, target(entry));
    entry.ahead = {};
    if (pixmaps) {
        QPixmap pixmap = QPixmap::fromImage(std::move(image));
        pixmap.setDevicePixelRatio(m_ratio);
        entry.decoded = pixmap;
    } else {
        entry.decoded = image;
    }
    // The pictures on either side are the next to come into view as the
    // author scrolls: they are decoded meanwhile on another core, so that
    // the frame that brings one in does not wait for it.
    const int number = QStringView(name).sliced(kPrefix.size()).toInt();
    const QVariant decoded = entry.decoded; // the hash may move its entries
    decodeAhead(number + 1);
    decodeAhead(number - 1);
    return decoded;
}

void PictureStore::decodeAhead(int number)
{
    const auto found = m_entries.find(kPrefix + QString::number(number));
    if (found == m_entries.end() || found->decoded.isValid() || found->ahead.isValid())
        return;
    found->ahead = QtConcurrent::run(decode, found->bytes, target(*found));
}

} // namespace bilan::rtf
