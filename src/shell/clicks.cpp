#include "clicks.h"

#include <QAbstractScrollArea>
#include <QMouseEvent>
#include <QWidget>

namespace bilan {

namespace {

// Watches the widget that receives the mouse: the control itself, or the
// viewport of a scrolling text box.
class ClickFilter final : public QObject
{
public:
    ClickFilter(QWidget *surface, std::function<void()> handler)
        : QObject(surface)
        , m_surface(surface)
        , m_handler(std::move(handler))
    {
        surface->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_surface)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_pressed = static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
            break;
        case QEvent::MouseButtonDblClick:
            // The second press of a double click arrives as a press and
            // then this; its release is no click of its own, so a double
            // click inserts once. The control still gets it (a text box
            // selects the word).
            m_pressed = false;
            break;
        case QEvent::MouseButtonRelease: {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            const bool click = m_pressed && mouse->button() == Qt::LeftButton
                && m_surface->rect().contains(mouse->position().toPoint());
            m_pressed = false;
            if (click)
                m_handler();
            break;
        }
        case QEvent::Hide:
            m_pressed = false;
            break;
        default:
            break;
        }
        return false;
    }

private:
    QWidget *m_surface;
    std::function<void()> m_handler;
    bool m_pressed = false;
};

} // namespace

void onClick(QWidget *control, std::function<void()> handler)
{
    QWidget *surface = control;
    if (auto *area = qobject_cast<QAbstractScrollArea *>(control))
        surface = area->viewport();
    new ClickFilter(surface, std::move(handler));
}

} // namespace bilan
