// Qt's text controls read the X clipboard on their own: Ctrl+V and
// Shift+Insert, a middle click (the PRIMARY selection), and the context
// menu, which asks whether there is anything to paste. For each of these
// Qt's xcb clipboard waits up to five seconds for the owner's answer with
// the whole window frozen, and a program that hangs while it owns the
// clipboard never answers. Qt offers no deadline and no hook between the
// event and the read, so an application-wide filter sees those events first
// and asks the owner, over XSelection's connection with its short deadline,
// whether it answers at all, for the formats it offers and for its text.
// An owner that answers is left to Qt, so rich text still pastes exactly as
// before; an owner that does not costs the event. The context menu cannot be built without Qt reading the clipboard,
// so it does not open until the owner answers or is gone.
//
// Reads that come by no event at all (a paste asked for over the
// accessibility bus) are set free by StalledReads once they stall.
#include "pasteguard.h"

#include "stalledread.h"

#include "wlclipboard.h"
#include "xselection.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

namespace bilan {
namespace {

// Whether the receiver is an editable text control, which reads the
// clipboard to paste or to build its context menu. Text areas take mouse
// events and context menus through their viewport; spin boxes and editable
// combo boxes hand keys to their line edit directly, past any filter.
bool pastesInto(QObject *receiver)
{
    if (!receiver->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(receiver);
    if (auto *area = qobject_cast<QAbstractScrollArea *>(widget->parentWidget()); area && area->viewport() == widget)
        widget = area;
    if (auto *edit = qobject_cast<QTextEdit *>(widget))
        return !edit->isReadOnly();
    if (auto *edit = qobject_cast<QPlainTextEdit *>(widget))
        return !edit->isReadOnly();
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return !edit->isReadOnly();
    if (auto *box = qobject_cast<QAbstractSpinBox *>(widget))
        return !box->isReadOnly();
    if (auto *box = qobject_cast<QComboBox *>(widget))
        return box->isEditable();
    return false;
}

class PasteGuard final : public QObject
{
public:
    explicit PasteGuard(QObject *parent) : QObject(parent) { setObjectName(QStringLiteral("PasteGuard")); }

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        QClipboard::Mode mode = QClipboard::Clipboard;
        switch (event->type()) {
        case QEvent::KeyPress:
            if (!static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste))
                return false;
            break;
        case QEvent::ContextMenu:
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(event)->button() != Qt::MiddleButton)
                return false;
            mode = QClipboard::Selection;
            break;
        default:
            return false;
        }
        return pastesInto(receiver) && ownerSilent(mode);
    }

private:
    static bool ownerSilent(QClipboard::Mode mode)
    {
        // On a Wayland desktop whose clipboard the program reads over
        // Wayland, the owner is a Wayland program; on the X side only
        // XWayland's relay is seen, which answers whether the owner does or not.
        if (mode == QClipboard::Clipboard) {
            if (WaylandClipboard *session = WaylandClipboard::shared())
                return session->ownerSilent();
        }
        // What this program holds itself Qt gives back at once; whether it
        // holds it is the X server's word, not Qt's belief.
        XSelection *selection = XSelection::shared();
        return selection
            && selection->ownerSilent(mode == QClipboard::Selection ? XSelection::Selection::Primary
                                                                    : XSelection::Selection::Clipboard);
    }
};

} // namespace

void installPasteGuard(QApplication &app)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    app.installEventFilter(new PasteGuard(&app));
    // Started once the window is up, so that the first frame waits for
    // none of its connections; the application owns it.
    QTimer::singleShot(500, &app, [&app] {
        if (std::unique_ptr<StalledReads> reads = StalledReads::start(&app))
            reads.release();
    });
}

} // namespace bilan
