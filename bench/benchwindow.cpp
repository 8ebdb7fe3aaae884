#include "benchwindow.h"

#include "frameclock.h"

#include "app/composition.h"
#include "shell/form1.h"

#include <QAction>
#include <QTextEdit>

#include <cstdio>

namespace bench {

bilan::MessageAnswer BenchPrompts::showMessage(QWidget *, const QString &text, bilan::MessageButtons,
                                               bilan::MessageIcon, const QString &)
{
    ++shown;
    last = text;
    return bilan::MessageAnswer::Cancel;
}

std::optional<bilan::FileDialogChoice> BenchDialogs::openFile(QWidget *, const bilan::FileDialogRequest &)
{
    confirmedAt = FrameClock::now();
    return bilan::FileDialogChoice{file, 1};
}

BenchWindow::BenchWindow(const QString &file, bool keepCopies)
{
    m_dialogs.file = file;
    m_places.keepCopies = keepCopies;
    // The whole program, every subsystem wired, on the real clipboard and timers.
    const bilan::Services real = bilan::qtServices();
    m_window = bilan::createMainWindow(
        bilan::Services{&m_prompts, &m_desktop, &m_clock, &m_places, &m_dialogs, real.clipboard, real.timers});
}

BenchWindow::~BenchWindow() = default;

QTextEdit &BenchWindow::manuscript()
{
    return *m_window->ui().RichTextBox1;
}

bool BenchWindow::show(FrameClock &clock)
{
    m_window->show();
    if (!clock.waitForFrame(manuscript().viewport(), 10000)) {
        std::fputs("bench_editor: the window was never painted\n", stderr);
        return false;
    }
    clock.settle(300);
    return true;
}

std::optional<OpenTimes> BenchWindow::open(FrameClock &clock)
{
    clock.watch(manuscript().viewport());
    m_dialogs.confirmedAt = -1;
    m_window->ui().mnufileitem[1]->trigger(); // File → 打开
    OpenTimes times;
    times.loaded = FrameClock::now();
    times.confirmed = m_dialogs.confirmedAt;
    if (m_prompts.shown > 0 || times.confirmed < 0) {
        std::fprintf(stderr, "bench_editor: the open failed: %s\n", qPrintable(m_prompts.last));
        return std::nullopt;
    }
    const std::optional<qint64> painted = clock.nextFrame(10000);
    if (!painted) {
        std::fputs("bench_editor: no frame after the open\n", stderr);
        return std::nullopt;
    }
    times.painted = *painted;
    return times;
}

void BenchWindow::end()
{
    m_window->endProgram();
}

} // namespace bench
