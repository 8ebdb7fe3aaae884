// Times one clipboard-watcher tick with all eleven boards holding 10,000
// characters each, against the 800 ms between ticks and the 1 ms target.
// Offscreen, the clipboard is one in memory and the figure is the watcher's
// own work; with --x11 (on an X server) it is the real clipboard, owned by
// xclip, and the figure includes asking that other program for its text.
// In a Wayland session whose clipboard the program reads through the
// compositor, the owner is a Wayland program (the tests' wlowner, or
// wl-copy, which starts a process for every request and costs that too).

#include "aids/clipboardboards.h"
#include "app/composition.h"
#include "platform/services.h"
#include "platform/wlclipboard.h"
#include "shell/form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr double TargetMs = 1.0;
constexpr int Length = 10'000;

class MemoryClipboard final : public bilan::Clipboard
{
public:
    QString content;
    std::optional<QString> text() override { return content; }
    bool setText(const QString &text) override
    {
        content = text;
        return true;
    }
    bool clear() override
    {
        content.clear();
        return true;
    }
    bool clearIfUnchanged() override { return clear(); }
};

QString boardText(int board)
{
    QString text;
    text.reserve(Length);
    while (text.size() < Length)
        text += QStringLiteral("第%1板：电阻R%2接三极管集电极。").arg(board).arg(text.size());
    text.truncate(Length);
    return text;
}

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// The median tick over many, in milliseconds; the boards must stay as they are.
double timeTicks(bilan::ClipboardBoards &boards, const bilan::Form1 &window, int count)
{
    std::vector<double> samples;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        boards.tick();
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    if (window.ui().Text2[10]->toPlainText() != boardText(10))
        std::fputs("bench_clipboardboards: the boards changed\n", stderr);
    return median(samples);
}

void report(const char *what, double ms, int interval)
{
    std::printf("%-58s %8.3f ms  (interval %d ms, %.3f%% of it; target under %.0f ms)\n", what, ms, interval,
                100.0 * ms / interval, TargetMs);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const bool x11 = app.arguments().contains(QStringLiteral("--x11"));
    MemoryClipboard memory;
    bilan::Services services = bilan::qtServices();
    if (!x11)
        services.clipboard = &memory;
    const std::unique_ptr<bilan::Form1> window = bilan::createMainWindow(services);
    window->ui().Timer1->stop(); // only the ticks timed here
    auto *boards = window->findChild<bilan::ClipboardBoards *>();
    for (int i = 0; i < bilan::ClipboardBoards::Count; ++i)
        window->ui().Text2[std::size_t(i)]->setPlainText(boardText(i));
    window->flags().watchClipboard = true;
    const int interval = window->ui().Timer1->interval();

    // Worst cases: a text as long as every board, so each is compared in full.
    const QString equalToLast = boardText(10);
    QString unlike = boardText(10);
    unlike[Length - 1] = u'＊';

    if (!x11) {
        memory.content = equalToLast;
        report("tick, text equal to board 10 (all compared)", timeTicks(*boards, *window, 2000), interval);
        memory.content = unlike;
        report("tick, new text, no board empty (all compared)", timeTicks(*boards, *window, 2000), interval);
        memory.content.clear();
        report("tick, empty clipboard", timeTicks(*boards, *window, 2000), interval);
        return 0;
    }

    // The other program gets the text on its command line or its input.
    const bool wayland = bilan::WaylandClipboard::shared() != nullptr;
    QString ownerName = QStringLiteral("xclip");
    QProcess owner;
    if (!wayland) {
        owner.start(ownerName, {"-i", "-selection", "clipboard", "-quiet"});
    } else {
#ifdef BILAN_WLOWNER
        ownerName = QStringLiteral("wlowner");
        owner.start(QStringLiteral(BILAN_WLOWNER), {"serve", "text/plain;charset=utf-8", equalToLast});
#else
        ownerName = QStringLiteral("wl-copy");
        owner.start(ownerName, {"--foreground"});
#endif
    }
    owner.waitForStarted(5000);
    if (ownerName != QLatin1String("wlowner"))
        owner.write(equalToLast.toUtf8());
    owner.waitForBytesWritten(5000);
    owner.closeWriteChannel();
    QElapsedTimer wait;
    wait.start();
    while (services.clipboard->text().value_or(QString()) != equalToLast && wait.elapsed() < 10000)
        QThread::msleep(20);
    if (wait.elapsed() >= 10000) {
        std::fputs("bench_clipboardboards: the other program did not take the clipboard\n", stderr);
        return 1;
    }
    const QString what = QStringLiteral("tick, %1 clipboard of %2 equal to board 10")
                             .arg(wayland ? QStringLiteral("Wayland") : QStringLiteral("X"), ownerName);
    report(qPrintable(what), timeTicks(*boards, *window, 300), interval);
    owner.kill();
    owner.waitForFinished(2000);
    return 0;
}
