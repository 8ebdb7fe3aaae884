// Renders the program's icon, which it draws in code, into the PNG files
// of the desktop's icon theme: rendericon FOLDER writes
// FOLDER/<n>x<n>/apps/bilan.png for each size the theme commonly holds.
//
// The icon is drawn at 16 and 32 pixels on a pixel grid; the larger sizes
// are those drawings enlarged by whole factors, pixel by pixel, so they
// stay as sharp as the originals.

#include "shell/windowicon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: rendericon FOLDER\n", stderr);
        return 2;
    }
    const QIcon icon = bilan::windowIcon();
    struct Size
    {
        int pixels;
        int drawing;
    };
    for (const Size size : {Size{16, 16}, Size{32, 32}, Size{48, 16}, Size{64, 32}, Size{128, 32}, Size{256, 32}}) {
        const QImage drawn = icon.pixmap(size.drawing, size.drawing).toImage();
        if (drawn.width() != size.drawing) {
            std::fprintf(stderr, "rendericon: no %d-pixel drawing of the icon\n", size.drawing);
            return 1;
        }
        const QImage image = drawn.scaled(size.pixels, size.pixels, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size.pixels);
        if (!QDir().mkpath(folder) || !image.save(folder + QStringLiteral("/bilan.png"))) {
            std::fprintf(stderr, "rendericon: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
