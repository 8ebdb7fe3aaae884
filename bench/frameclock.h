#pragma once

// The application object of a benchmark that times frames. Every event
// passes through notify(); when the outermost delivery in which a watched
// widget was painted returns, the frame is complete: Qt paints the widgets
// and hands the frame to the window system in that same delivery (the
// window's update request, or an expose), so that moment is when the
// screen gets what the user will see. Written here because widgets painted
// by the raster engine have no signal for a finished frame (the
// frameSwapped signals belong to OpenGL and Quick windows), and QtTest's
// benchmark macros time calls, not frames.

#include <QApplication>

#include <optional>

class QTextEdit;

namespace bench {

class FrameClock final : public QApplication
{
public:
    FrameClock(int &argc, char **argv);

    // Nanoseconds on a monotonic clock.
    static qint64 now();

    // Frames are counted for this widget's paints from now on.
    void watch(QWidget *widget);
    void unwatch();

    // Runs the event loop until the watched widget's next frame is
    // complete and returns when that was; nothing after timeoutMs.
    std::optional<qint64> nextFrame(int timeoutMs);
    // Watches the widget and waits for one frame of it.
    bool waitForFrame(QWidget *widget, int timeoutMs);
    // Posts one key press and release that type `text` into the widget and
    // returns the nanoseconds from the post to the frame that follows.
    std::optional<qint64> keystrokeToFrame(QWidget &widget, const QString &text);

    // Runs the event loop for a while.
    void settle(int ms);
    void pause(int ms) { settle(ms); }
    // Runs the event loop until the edit's document has stopped growing
    // for half a second: its background layout is over.
    void waitForLayout(QTextEdit &edit, int timeoutMs);

protected:
    bool notify(QObject *receiver, QEvent *event) override;

private:
    QWidget *m_watched = nullptr;
    int m_depth = 0;
    bool m_paintedInDelivery = false;
    int m_frames = 0;
    qint64 m_frameAt = -1;
};

} // namespace bench
