#include "stalledread.h"

#include "emptyclipboard.h"
#include "xselection.h"

#include <xcb/xcb.h>

#include <QByteArray>
#include <QGuiApplication>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <optional>

#include <poll.h>

namespace bilan {

namespace {

using Clock = std::chrono::steady_clock;

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

template<typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template<typename T>
Reply<T> adopt(T *reply)
{
    return Reply<T>(reply, &std::free);
}

// The window Qt reads the clipboard into carries this name.
constexpr QByteArrayView kRequestorName = "Qt Clipboard Requestor Window";

} // namespace

// Everything the watching thread uses, and only it.
struct StalledReads::Watch
{
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = XCB_NONE;
    xcb_window_t own = XCB_NONE; // for the server's time
    quint32 resourceMask = 0;
    quint32 qtClient = 0;
    xcb_atom_t clipboard = XCB_NONE;
    xcb_atom_t windowName = XCB_NONE;
    xcb_atom_t qtProperty = XCB_NONE; // where Qt has the owner put its answer
    xcb_atom_t stamp = XCB_NONE;
    Timing timing;
    // Asks the owners, on a connection of its own.
    std::unique_ptr<XSelection> probe;

    // Qt's requestor window, and what happened on it lately.
    xcb_window_t requestor = XCB_NONE;
    qint64 lastActivity = 0;
    bool pieceSeen = false;
    std::optional<xcb_timestamp_t> stampTime;

    ~Watch()
    {
        if (connection)
            xcb_disconnect(connection);
    }

    void handle(xcb_generic_event_t *event)
    {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_PROPERTY_NOTIFY) {
            const auto *change = reinterpret_cast<const xcb_property_notify_event_t *>(event);
            if (change->window == own && change->atom == stamp) {
                stampTime = change->time;
            } else if (change->window == requestor && change->atom == qtProperty) {
                // The owner putting a piece there, or Qt taking it away: the
                // transfer moves.
                lastActivity = nowMs();
                pieceSeen = true;
            }
        } else if (type == XCB_DESTROY_NOTIFY) {
            if (reinterpret_cast<const xcb_destroy_notify_event_t *>(event)->window == requestor)
                requestor = XCB_NONE;
        }
    }

    void drain()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            handle(event);
            std::free(event);
        }
    }

    // Qt makes the window at its first read and makes a new one after a
    // read that timed out; it is one of Qt's windows straight under the root.
    void findRequestor()
    {
        const auto tree = queryRoot();
        if (!tree)
            return;
        const xcb_window_t *children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        for (int i = 0; i < count; ++i) {
            if ((children[i] & ~resourceMask) != qtClient)
                continue;
            const auto name = adopt(xcb_get_property_reply(
                connection,
                xcb_get_property(connection, 0, children[i], windowName, XCB_GET_PROPERTY_TYPE_ANY, 0, 16),
                nullptr));
            if (!name)
                continue;
            const QByteArrayView value(static_cast<const char *>(xcb_get_property_value(name.get())),
                                       xcb_get_property_value_length(name.get()));
            if (!value.startsWith(kRequestorName))
                continue;
            requestor = children[i];
            const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(connection, requestor, XCB_CW_EVENT_MASK, &events);
            xcb_flush(connection);
            lastActivity = nowMs();
            pieceSeen = false;
            return;
        }
    }

    xcb_window_t ownerOf(xcb_atom_t selection)
    {
        const auto reply = adopt(
            xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
        return reply ? reply->owner : XCB_NONE;
    }

    Reply<xcb_query_tree_reply_t> queryRoot()
    {
        return adopt(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    }

    // The server's time now, told by a change to a property of our own.
    std::optional<xcb_timestamp_t> serverTime()
    {
        stampTime.reset();
        xcb_change_property(connection, XCB_PROP_MODE_APPEND, own, stamp, XCB_ATOM_STRING, 8, 0, nullptr);
        xcb_flush(connection);
        const qint64 deadline = nowMs() + timing.answer.count();
        while (!stampTime) {
            drain();
            const qint64 left = deadline - nowMs();
            if (stampTime || left <= 0 || xcb_connection_has_error(connection))
                break;
            pollfd wait{xcb_get_file_descriptor(connection), POLLIN, 0};
            ::poll(&wait, 1, int(left));
        }
        return stampTime;
    }

    // What an owner sends when it has nothing to give, to Qt only: a
    // refusal ends a wait for the first answer, and a piece announced that
    // is not there ends a wait for the next piece.
    void release(xcb_atom_t selection)
    {
        xcb_selection_notify_event_t refusal{};
        refusal.response_type = XCB_SELECTION_NOTIFY;
        refusal.time = XCB_CURRENT_TIME;
        refusal.requestor = requestor;
        refusal.selection = selection;
        refusal.property = XCB_NONE;
        xcb_send_event(connection, 0, requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&refusal));
        // Qt takes a piece only if it is no older than the last one.
        if (const std::optional<xcb_timestamp_t> time = serverTime()) {
            xcb_property_notify_event_t piece{};
            piece.response_type = XCB_PROPERTY_NOTIFY;
            piece.window = requestor;
            piece.atom = qtProperty;
            piece.time = *time;
            piece.state = XCB_PROPERTY_NEW_VALUE;
            xcb_send_event(connection, 0, requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&piece));
        }
        xcb_flush(connection);
    }
};

std::unique_ptr<StalledReads> StalledReads::start(QObject *parent)
{
    return start(Timing{}, parent);
}

std::unique_ptr<StalledReads> StalledReads::start(Timing timing, QObject *parent)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    auto watch = std::make_unique<Watch>();
    watch->timing = timing;
    watch->qtClient = xcb_get_setup(x11->connection())->resource_id_base;

    int screenNumber = 0;
    watch->connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(watch->connection))
        return nullptr;
    watch->resourceMask = xcb_get_setup(watch->connection)->resource_id_mask;
    watch->qtClient &= ~watch->resourceMask;
    watch->own = createSelectionWindow(watch->connection, screenNumber, XCB_EVENT_MASK_PROPERTY_CHANGE);
    if (watch->own == XCB_NONE)
        return nullptr;
    const auto geometry = adopt(
        xcb_get_geometry_reply(watch->connection, xcb_get_geometry(watch->connection, watch->own), nullptr));
    if (!geometry)
        return nullptr;
    watch->root = geometry->root;

    const QByteArray names[] = {"CLIPBOARD", "_NET_WM_NAME", "_QT_SELECTION", "BILAN_SERVER_TIME"};
    xcb_atom_t *const atoms[] = {&watch->clipboard, &watch->windowName, &watch->qtProperty, &watch->stamp};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        const auto reply = adopt(xcb_intern_atom_reply(
            watch->connection, xcb_intern_atom(watch->connection, 0, uint16_t(names[i].size()), names[i].constData()),
            nullptr));
        if (!reply)
            return nullptr;
        *atoms[i] = reply->atom;
    }

    XSelection::Limits limits;
    limits.answer = timing.answer;
    watch->probe = XSelection::connect(nullptr, limits);
    if (!watch->probe)
        return nullptr;
    watch->probe->setProgramClient(watch->qtClient);
    return std::unique_ptr<StalledReads>(new StalledReads(std::move(watch), parent));
}

StalledReads::StalledReads(std::unique_ptr<Watch> watch, QObject *parent)
    : QObject(parent)
    , m_watch(std::move(watch))
    , m_beat(new QTimer(this))
{
    m_lastBeat = nowMs();
    // Each beat says the interface thread came back to its event loop.
    m_beat->setInterval(m_watch->timing.poll);
    connect(m_beat, &QTimer::timeout, this, [this] { m_lastBeat = nowMs(); });
    m_beat->start();
    m_thread = std::thread([this] { run(); });
}

StalledReads::~StalledReads()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void StalledReads::run()
{
    Watch &w = *m_watch;
    const xcb_atom_t selections[] = {w.clipboard, XCB_ATOM_PRIMARY};
    // Per selection: the owner last asked whether it answers, when, what
    // it said, and when a read from it was last set free.
    xcb_window_t asked[2] = {XCB_NONE, XCB_NONE};
    qint64 askedAt[2] = {0, 0};
    bool silent[2] = {false, false};
    qint64 releasedAt[2] = {0, 0};
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        m_wake.wait_for(lock, w.timing.poll);
        if (m_stopping)
            break;
        lock.unlock();
        w.drain();
        w.probe->readEvents();
        if (nowMs() - m_lastBeat < w.timing.stall.count()) {
            asked[0] = asked[1] = XCB_NONE;
            w.pieceSeen = false;
        } else {
            if (w.requestor == XCB_NONE)
                w.findRequestor();
            for (int i = 0; i < 2 && w.requestor != XCB_NONE; ++i) {
                const xcb_window_t owner = w.ownerOf(selections[i]);
                if (owner == XCB_NONE || (owner & ~w.resourceMask) == w.qtClient)
                    continue;
                // After pieces came, the transfer waits this long before it
                // counts as stopped; the first answer, only the deadline.
                const qint64 wait = (w.pieceSeen ? w.timing.piece : w.timing.answer).count();
                qint64 now = nowMs();
                // Asked again once pieces stopped coming: Qt may be busy with
                // what it got while the owner is still there to answer.
                if (owner != asked[i] || (w.pieceSeen && now - w.lastActivity >= wait && now - askedAt[i] >= wait)) {
                    asked[i] = owner;
                    silent[i] = w.probe->ownerSilent(i == 0 ? XSelection::Selection::Clipboard
                                                            : XSelection::Selection::Primary);
                    askedAt[i] = now = nowMs();
                }
                w.drain();
                // Only an owner that does not answer is cut short. One answer
                // of ours ends one wait of Qt's; they are spaced, so that few
                // are left over for the event loop to drop.
                if (silent[i] && now - w.lastActivity >= wait && now - releasedAt[i] >= w.timing.answer.count()) {
                    releasedAt[i] = now;
                    ++m_released;
                    w.release(selections[i]);
                    break;
                }
            }
        }
        lock.lock();
    }
}

} // namespace bilan
