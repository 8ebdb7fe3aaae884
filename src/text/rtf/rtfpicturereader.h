#pragma once

#include "rtfformat.h"
#include "rtfissues.h"
#include "rtfkeywords.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QTextImageFormat>

#include <optional>

class QTextCharFormat;
class QTextDocument;

namespace bilan::rtf {

// One {\pict ...} group: its kind and sizes from the words, its bytes from
// hexadecimal text or \bin. PNG and JPEG become document images, kept as
// their bytes and decoded only when painted; every other kind is kept as
// the group's own bytes and shown as a placeholder.
class PictureReader final
{
public:
    // \pict, in the group that opens at groupStart, at this depth; rest
    // is the data from there on.
    void begin(qsizetype groupStart, int depth, QByteArrayView rest);
    bool isOpenAt(int depth) const { return m_depth == depth; }

    // False when the word opens a destination nested in the picture
    // (\*\picprop, \*\blipuid), which carries no picture data.
    bool word(Keyword keyword, bool hasParameter, int parameter);
    void hex(QByteArrayView text);
    void binary(QByteArrayView bytes) { m_data.append(bytes.data(), bytes.size()); }

    // The picture to insert, in the run format given, once its group has
    // closed at closeOffset of data; nothing when no picture is open.
    std::optional<QTextImageFormat> finish(QByteArrayView data, qsizetype closeOffset, const QTextCharFormat &run,
                                           QTextDocument &document, Issues &issues);

private:
    void reset();
    const QString &placeholder(QTextDocument &document);

    PictureKind m_kind = PictureKind::Other;
    QByteArray m_data;
    int m_nibble = -1;
    int m_width = 0;
    int m_height = 0;
    int m_goalWidth = 0;
    int m_goalHeight = 0;
    int m_scaleX = 100;
    int m_scaleY = 100;
    qsizetype m_groupStart = 0;
    int m_depth = 0;
    bool m_metafile = false;

    QString m_placeholderName;
};

} // namespace bilan::rtf
