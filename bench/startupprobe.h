#pragma once

// Start-up measurement shared by the benchmark programs: the script puts
// the moment it launched the program into BILAN_BENCH_START (nanoseconds
// since the epoch); when the window's first frame is painted, the program
// prints how many milliseconds have passed since then and quits.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>

class StartupProbe final : public QObject
{
public:
    explicit StartupProbe(QWidget *window)
        : QObject(window)
        , m_window(window)
    {
        // The window itself may be covered by its children and never get
        // a paint event of its own; any widget of it starts the frame.
        QCoreApplication::instance()->installEventFilter(this);
    }

    // Nanoseconds since the epoch, as `date +%s%N` gives them.
    static long long now()
    {
        using namespace std::chrono;
        return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->window() == m_window) {
            m_seen = true;
            // The children paint in the same pass; the next turn of the
            // event loop comes after the whole frame went to the screen.
            QTimer::singleShot(0, this, &StartupProbe::report);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void report()
    {
        const char *start = std::getenv("BILAN_BENCH_START");
        const long long launched = start ? std::atoll(start) : 0;
        if (launched > 0)
            std::printf("%.1f\n", double(now() - launched) / 1e6);
        else
            std::fputs("BILAN_BENCH_START is not set\n", stderr);
        std::fflush(stdout);
        // exit(), not quit(): quit() would first ask every window to close,
        // and the editor answers that with its save question.
        QCoreApplication::exit(0);
    }

    QWidget *m_window;
    bool m_seen = false;
};
