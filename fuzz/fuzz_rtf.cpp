// Feeds arbitrary bytes to the RTF reader, then writes what it built back
// out and reads that again: neither direction may crash, hang or leak.

#include "text/rtf/rtfreader.h"
#include "text/rtf/rtfwriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Fonts and pictures need a GUI application; no screen is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument document;
    bilan::rtf::read(bytes, document);
    const QByteArray written = bilan::rtf::write(document);
    if (!bilan::rtf::looksLikeRtf(written))
        std::abort();
    QTextDocument again;
    bilan::rtf::read(written, again);
    return 0;
}
