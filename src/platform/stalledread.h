#pragma once

#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class QTimer;

namespace bilan {

// Qt reads the X clipboard itself where the program cannot route the read
// through its own reader first: a paste asked for over the accessibility
// bus, for one. Such a read waits on the interface thread, up to five
// seconds for each answer, for an owner that may never give it.
//
// This keeps an eye on the interface thread from a thread of its own. When
// the interface thread has not come back to its event loop for a moment,
// and another program owning a selection is found not to answer (for its
// formats, for the start of its text, or, once a transfer in pieces to Qt
// has stopped half way, for anything), Qt's read is given the answer an
// owner gives when it has nothing to offer: it ends at once, with no text,
// and the window moves again. An owner that answers is never cut short,
// however long its text takes.
class StalledReads final : public QObject
{
    Q_OBJECT
public:
    struct Timing
    {
        // The interface thread away from its event loop this long is stalled.
        std::chrono::milliseconds stall{200};
        // How often the stall is looked for.
        std::chrono::milliseconds poll{50};
        // For an owner's answer to the check; also how long after setting
        // one read free the next one may be.
        std::chrono::milliseconds answer{100};
        // For the next piece of a transfer to Qt that has stopped.
        std::chrono::milliseconds piece{300};
    };

    // Watching the X display Qt is connected to; nothing off X.
    static std::unique_ptr<StalledReads> start(QObject *parent = nullptr);
    static std::unique_ptr<StalledReads> start(Timing timing, QObject *parent = nullptr);
    ~StalledReads() override;

    // How many of Qt's reads were set free so far.
    int released() const { return m_released.load(); }

private:
    struct Watch;
    StalledReads(std::unique_ptr<Watch> watch, QObject *parent);
    void run();

    std::unique_ptr<Watch> m_watch;
    QTimer *m_beat = nullptr;
    std::atomic<qint64> m_lastBeat{0};
    std::atomic<int> m_released{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace bilan
