#include "frameclock.h"

#include <QAbstractTextDocumentLayout>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <chrono>

namespace bench {

FrameClock::FrameClock(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

qint64 FrameClock::now()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

void FrameClock::watch(QWidget *widget)
{
    m_watched = widget;
    m_paintedInDelivery = false;
}

void FrameClock::unwatch()
{
    m_watched = nullptr;
}

bool FrameClock::notify(QObject *receiver, QEvent *event)
{
    const QEvent::Type type = event->type();
    ++m_depth;
    const bool handled = QApplication::notify(receiver, event);
    --m_depth;
    if (type == QEvent::Paint && m_watched && receiver == m_watched)
        m_paintedInDelivery = true;
    if (m_depth == 0 && m_paintedInDelivery) {
        m_paintedInDelivery = false;
        m_frameAt = now();
        ++m_frames;
    }
    return handled;
}

std::optional<qint64> FrameClock::nextFrame(int timeoutMs)
{
    const int before = m_frames;
    const qint64 deadline = now() + qint64(timeoutMs) * 1000000;
    // Wakes the loop at the deadline when nothing else does.
    QTimer alarm;
    alarm.setSingleShot(true);
    alarm.start(timeoutMs);
    // One pass of the event loop at a time: the frame's time is taken
    // inside notify(), so what the pass does after it does not count.
    while (m_frames == before && now() < deadline)
        processEvents(QEventLoop::WaitForMoreEvents);
    if (m_frames == before)
        return std::nullopt;
    return m_frameAt;
}

bool FrameClock::waitForFrame(QWidget *widget, int timeoutMs)
{
    watch(widget);
    return nextFrame(timeoutMs).has_value();
}

std::optional<qint64> FrameClock::keystrokeToFrame(QWidget &widget, const QString &text)
{
    // ASCII keys carry their own key code; a Chinese character comes as
    // text alone, as an input method's commit of one character would.
    const char16_t c = text.isEmpty() ? 0 : text.front().unicode();
    const int key = c >= 0x20 && c < 0x7f ? QChar(c).toUpper().unicode() : int(Qt::Key_unknown);
    const qint64 start = now();
    postEvent(&widget, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    postEvent(&widget, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
    const std::optional<qint64> frame = nextFrame(2000);
    if (!frame)
        return std::nullopt;
    return *frame - start;
}

void FrameClock::settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void FrameClock::waitForLayout(QTextEdit &edit, int timeoutMs)
{
    const qint64 start = now();
    const qint64 deadline = start + qint64(timeoutMs) * 1000000;
    qint64 lastGrowth = start;
    const QMetaObject::Connection connection =
        connect(edit.document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
                &edit, [&lastGrowth] { lastGrowth = now(); });
    while (now() - lastGrowth < 500 * 1000000LL && now() < deadline)
        settle(50);
    disconnect(connection);
}

} // namespace bench
