// Writes an illustrated manuscript as word processors store one: each
// photograph a JPEG of 2400 x 1800 pixels at quality 92, given as a
// \pict\jpegblip group in hexadecimal lines of 128 digits, with a Chinese
// caption before it. The photographs are a gradient under fine noise, so
// that each takes about what a camera's does (3.3 MB), and the same every
// run.
//   make_illustrated OUT.rtf [PHOTOGRAPHS]

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>

#include <cstdio>

namespace {

QByteArray photograph(int index)
{
    QImage image(2400, 1800, QImage::Format_RGB32);
    quint32 state = 0x9E3779B9u * quint32(index + 1);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            // xorshift: cheap, and enough to keep JPEG from smoothing the
            // picture away.
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int noise = int(state % 180) - 90;
            const auto channel = [noise](int base) { return qBound(0, base + noise, 255); };
            line[x] = qRgb(channel(x * 200 / 2400 + 30), channel(y * 200 / 1800 + 20),
                           channel((x + y + index * 97) % 256));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(92);
    writer.write(image);
    return bytes;
}

// Chinese as \uN with a '?' for readers without Unicode.
QByteArray rtfText(const QString &text)
{
    QByteArray out;
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            out += char(c.unicode());
        else
            out += "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: make_illustrated OUT.rtf [PHOTOGRAPHS]\n");
        return 2;
    }
    const int photographs = arguments.value(2, QStringLiteral("20")).toInt();
    QFile file(arguments.at(1));
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    file.write("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n"
               "\\uc1\\pard\\f0\\fs24 " + rtfText(QStringLiteral("制作一台简易示波器")) + "\\par\r\n");
    for (int i = 0; i < photographs; ++i) {
        const QByteArray jpeg = photograph(i);
        file.write("\\pard " + rtfText(QStringLiteral("图%1：电路板的焊接与接线，第 %1 步。").arg(i + 1))
                   + "\\par\r\n\\pard{\\pict\\jpegblip\\picw2400\\pich1800\\picwgoal8640\\pichgoal6480\r\n");
        const QByteArray hex = jpeg.toHex();
        for (qsizetype at = 0; at < hex.size(); at += 128)
            file.write(hex.mid(at, 128) + "\r\n");
        file.write("}\\par\r\n");
    }
    file.write("}\r\n");
    return file.error() == QFileDevice::NoError ? 0 : 1;
}
