// Feeds arbitrary bytes to the RTF reader, then writes what it built back
// out and reads that again: neither direction may crash, hang or leak.

#include "text/rtf/rtfreader.h"
#include "text/rtf/rtfwriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The reader starts by clearing the document it is given, pictures
// included, so nothing of one input is left for the next: two documents
// made once serve every input.
QTextDocument *g_first = nullptr;
QTextDocument *g_second = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Fonts and pictures need a GUI application; no screen is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    // Damaged pictures make Qt's image readers warn on every input that
    // holds one, thousands of lines that would bury libFuzzer's own.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    static QTextDocument first, second;
    g_first = &first;
    g_second = &second;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    bilan::rtf::read(bytes, *g_first);
    const QByteArray written = bilan::rtf::write(*g_first);
    if (!bilan::rtf::looksLikeRtf(written))
        std::abort();
    bilan::rtf::read(written, *g_second);
    return 0;
}
