#pragma once

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QHash>
#include <QObject>
#include <QSize>
#include <QString>
#include <QVariant>

class QTextDocument;
class QUrl;

namespace bilan::rtf {

// The photographs of one document, kept as the bytes they came in. A
// manuscript with twenty camera pictures holds some 70 MB of JPEG; decoded
// whole they would take five times that and most of a second each, so a
// picture is decoded only when the window first paints it, and only at the
// size it is shown. The layout never asks: every picture the reader makes
// carries its shown size in its format.
class PictureStore final : public QObject
{
    Q_OBJECT

public:
    // The store of this document, made and installed as the document's
    // resource provider at first use.
    static PictureStore &of(QTextDocument &document);

    // Keeps the bytes under a new image name; shown is the size in
    // document pixels at which the picture will be painted.
    QString add(const QByteArray &bytes, QSize shown);
    // Forgets every picture, as when the document is read anew. Names are
    // never given twice, so a stale one finds nothing. The store also
    // forgets by itself when the document is emptied for good (New): empty,
    // with nothing to undo that could bring a picture back.
    void clear();

    // The picture for an image name, decoded on first request, or taken
    // from the decoding that painting a neighbour began: a QPixmap
    // where the application paints, a QImage otherwise; invalid for a name
    // the store does not hold.
    QVariant resource(const QString &name);

    // Pictures held, and of those the ones decoded.
    qsizetype count() const { return m_entries.size(); }
    qsizetype decodedCount() const;

private:
    explicit PictureStore(QTextDocument &document);

    struct Entry
    {
        QByteArray bytes;
        QSize shown;
        QVariant decoded;
        QFuture<QImage> ahead; // being decoded on another thread
    };
    QSize target(const Entry &entry) const;
    void decodeAhead(int number);

    QHash<QString, Entry> m_entries;
    int m_next = 0;
    qreal m_ratio = 1.0; // device pixels to a document pixel, as last painted
};

// The pixel size a picture's own header gives, without decoding it; an
// invalid size when the bytes are no picture Qt can read.
QSize pictureSize(const QByteArray &bytes);

} // namespace bilan::rtf
