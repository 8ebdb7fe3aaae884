#pragma once

#include <QImage>
#include <QString>

namespace bilan::picture {

// A reference picture read from a file: the picture, or the Chinese message
// that names the file and says why it cannot be shown.
struct Reading
{
    QImage image;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Reads a BMP, GIF or JPEG file (or any other picture Qt's image plugins
// read), whatever its name. A picture whose pixels would take more than
// 512 MB is refused before it is decoded (Qt's image allocation limit,
// raised from its default for photographs while the picture is read), so
// a small file that claims a huge picture cannot exhaust memory.
Reading read(const QString &path);

} // namespace bilan::picture
