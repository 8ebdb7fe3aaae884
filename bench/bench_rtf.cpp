// Load and save of one RTF manuscript, timed the way the editor does them:
// load reads the file and builds the document, save writes the RTF and the
// file. Prints key=value lines for scripts/bench-rtf.sh.

#include "text/documenttext.h"
#include "text/manuscriptio.h"
#include "text/rtf/rtfwriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextDocument>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Peak resident memory in kB: VmHWM where /proc has it, getrusage
// otherwise.
long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = status.readAll().split('\n');
        for (const QByteArray &line : lines) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Starts VmHWM again from the present resident size, so that each step's
// own peak can be told from the one before it.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double milliseconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    // Pictures go back as PNG through the image plugins, which want an
    // application object; no window is opened.
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: bench_rtf FILE.rtf [REPETITIONS]\n");
        return 2;
    }
    const QString path = arguments.at(1);
    const int repetitions = std::max(arguments.value(2, QStringLiteral("7")).toInt(), 1);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString savedPath = folder.filePath(QStringLiteral("saved.rtf"));
    const long baseline = peakKilobytes();

    std::vector<double> loads;
    std::vector<double> saves;
    std::vector<double> serialises;
    long loadPeak = 0;
    long savePeak = 0;
    qsizetype characters = 0;
    qint64 savedBytes = 0;
    for (int i = 0; i < repetitions; ++i) {
        auto document = std::make_unique<QTextDocument>();
        // What the last repetition freed goes back to the system, so that
        // each load starts from what a fresh program has.
        malloc_trim(0);
        resetPeak();
        QElapsedTimer timer;
        timer.start();
        const bilan::manuscript::Outcome loaded = bilan::manuscript::load(path, *document);
        loads.push_back(milliseconds(timer));
        loadPeak = std::max(loadPeak, peakKilobytes());
        if (!loaded.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(loaded.error));
            return 1;
        }
        characters = bilan::documentText(*document).size();

        resetPeak();
        timer.restart();
        const bilan::manuscript::Outcome saved =
            bilan::manuscript::save(savedPath, *document, bilan::manuscript::Format::Rtf);
        saves.push_back(milliseconds(timer));
        savePeak = std::max(savePeak, peakKilobytes());
        if (!saved.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(saved.error));
            return 1;
        }
        savedBytes = QFileInfo(savedPath).size();

        // The writer alone, to tell its share from the file system's; its
        // pieces are counted and dropped, as the save hands them on.
        timer.restart();
        qint64 written = 0;
        bilan::rtf::write(*document, [&written](QByteArrayView piece) {
            written += piece.size();
            return true;
        });
        serialises.push_back(milliseconds(timer));
        if (written != savedBytes) {
            std::fprintf(stderr, "the writer made %lld bytes, the save %lld\n", static_cast<long long>(written),
                         static_cast<long long>(savedBytes));
            return 1;
        }
    }

    std::printf("file=%s\n", qPrintable(path));
    std::printf("bytes=%lld\n", static_cast<long long>(QFileInfo(path).size()));
    std::printf("characters=%lld\n", static_cast<long long>(characters));
    std::printf("repetitions=%d\n", repetitions);
    std::printf("load_ms=%.2f\n", median(loads));
    std::printf("load_min_ms=%.2f\n", *std::min_element(loads.begin(), loads.end()));
    std::printf("save_ms=%.2f\n", median(saves));
    std::printf("save_min_ms=%.2f\n", *std::min_element(saves.begin(), saves.end()));
    std::printf("write_ms=%.2f\n", median(serialises));
    std::printf("saved_bytes=%lld\n", static_cast<long long>(savedBytes));
    std::printf("peak_kb=%ld\n", std::max(loadPeak, savePeak));
    std::printf("load_peak_kb=%ld\n", loadPeak);
    std::printf("save_peak_kb=%ld\n", savePeak);
    std::printf("baseline_kb=%ld\n", baseline);
    return 0;
}
