#pragma once

// How long the event loop is ever held up while it runs: a 10 ms timer
// notes the longest gap between two of its ticks. Header only.
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace bilan::test {

class StallProbe
{
public:
    StallProbe()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_clock.elapsed() - m_last);
            m_last = m_clock.elapsed();
        });
        m_clock.start();
        m_timer.start(10);
    }
    qint64 longest() const { return m_longest; }
    qint64 elapsed() const { return m_clock.elapsed(); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

} // namespace bilan::test
