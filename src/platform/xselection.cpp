// The clipboard conversation of the X protocol (ICCCM), as a requestor:
// ConvertSelection into a property of a window of our own, wait for the
// SelectionNotify, read the property, and follow the INCR protocol for a
// text sent in pieces. Written against libxcb directly because no Debian
// library offers a selection read with a deadline, and Qt's blocks.
#include "xselection.h"

#include <xcb/xcb.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>

#include <poll.h>

namespace bilan {

namespace {

// No clipboard text comes near this; more is not worth holding up the window for.
constexpr uint32_t kSizeLimit = 16 * 1024 * 1024;

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template<typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

// Late answers to requests given up on go into the property of their own
// request, so they are never taken for the answer to a later one.
constexpr std::size_t kPropertyCount = 8;

} // namespace

struct XSelection::State
{
    xcb_connection_t *connection = nullptr;
    xcb_window_t window = XCB_NONE;
    Limits limits;

    xcb_atom_t clipboard = XCB_NONE;
    xcb_atom_t utf8 = XCB_NONE;
    xcb_atom_t incr = XCB_NONE;
    xcb_atom_t targets = XCB_NONE;
    std::array<xcb_atom_t, kPropertyCount> properties{};
    std::size_t nextProperty = 0;

    // The owner that last let a deadline pass, and since when. A program
    // that hangs answers for neither selection, so one memory serves both.
    xcb_window_t silentOwner = XCB_NONE;
    QElapsedTimer silentSince;

    bool recentlySilent(xcb_window_t owner) const
    {
        return owner == silentOwner && silentSince.elapsed() < limits.silentRetry.count();
    }
    void markSilent(xcb_window_t owner)
    {
        silentOwner = owner;
        silentSince.start();
    }
    void markAnswered(xcb_window_t owner)
    {
        if (owner == silentOwner)
            silentOwner = XCB_NONE;
    }

    ~State()
    {
        if (connection)
            xcb_disconnect(connection);
    }

    bool broken() const { return xcb_connection_has_error(connection) != 0; }

    xcb_window_t owner(xcb_atom_t selection)
    {
        const XcbReply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr));
        return reply ? reply->owner : XCB_NONE;
    }

    // Waits until an event satisfies the test or the time runs out; the
    // events that do not are dropped.
    XcbReply<xcb_generic_event_t> waitFor(const std::function<bool(const xcb_generic_event_t &)> &wanted,
                                          const QElapsedTimer &clock, qint64 deadlineMs)
    {
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
                XcbReply<xcb_generic_event_t> held(event);
                if (wanted(*event))
                    return held;
            }
            if (broken())
                return nullptr;
            const qint64 remaining = deadlineMs - clock.elapsed();
            if (remaining <= 0)
                return nullptr;
            pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
            ::poll(&descriptor, 1, int(remaining));
        }
    }

    XcbReply<xcb_get_property_reply_t> takeProperty(xcb_atom_t property)
    {
        return XcbReply<xcb_get_property_reply_t>(xcb_get_property_reply(
            connection, xcb_get_property(connection, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, kSizeLimit / 4),
            nullptr));
    }

    // The pieces of an INCR transfer: each arrives as a new value of the
    // property, which deleting asks for the next; an empty one ends it.
    std::optional<QByteArray> readIncrementally(xcb_atom_t property)
    {
        QElapsedTimer clock;
        clock.start();
        QByteArray data;
        for (;;) {
            const qint64 pieceDeadline =
                std::min<qint64>(clock.elapsed() + limits.answer.count(), limits.transfer.count());
            const auto newValue = waitFor(
                [property](const xcb_generic_event_t &event) {
                    if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                        return false;
                    const auto &notify = reinterpret_cast<const xcb_property_notify_event_t &>(event);
                    return notify.atom == property && notify.state == XCB_PROPERTY_NEW_VALUE;
                },
                clock, pieceDeadline);
            if (!newValue)
                return std::nullopt;
            const auto piece = takeProperty(property);
            if (!piece || piece->bytes_after > 0)
                return std::nullopt;
            const int length = xcb_get_property_value_length(piece.get());
            if (length == 0)
                return data;
            if (quint64(data.size()) + quint64(length) > kSizeLimit)
                return std::nullopt;
            data.append(static_cast<const char *>(xcb_get_property_value(piece.get())), length);
        }
    }

    enum class Answer { Data, Refused, Silent, Failed };

    // Asks the owner for the selection in one target and waits for its answer.
    Answer convert(xcb_atom_t selection, xcb_atom_t target, QByteArray &data)
    {
        const xcb_atom_t property = properties[nextProperty];
        nextProperty = (nextProperty + 1) % kPropertyCount;
        xcb_delete_property(connection, window, property);
        xcb_convert_selection(connection, window, selection, target, property, XCB_CURRENT_TIME);
        xcb_flush(connection);

        QElapsedTimer clock;
        clock.start();
        const xcb_window_t requestor = window;
        const auto notified = waitFor(
            [=](const xcb_generic_event_t &event) {
                if ((event.response_type & 0x7f) != XCB_SELECTION_NOTIFY)
                    return false;
                const auto &notify = reinterpret_cast<const xcb_selection_notify_event_t &>(event);
                return notify.requestor == requestor && notify.selection == selection
                    && notify.target == target && (notify.property == property || notify.property == XCB_NONE);
            },
            clock, limits.answer.count());
        if (!notified)
            return broken() ? Answer::Failed : Answer::Silent;
        if (reinterpret_cast<const xcb_selection_notify_event_t *>(notified.get())->property == XCB_NONE)
            return Answer::Refused;

        const auto reply = takeProperty(property);
        if (!reply || reply->bytes_after > 0)
            return Answer::Failed;
        if (reply->type == incr) {
            std::optional<QByteArray> whole = readIncrementally(property);
            if (!whole)
                return broken() ? Answer::Failed : Answer::Silent;
            data = *whole;
            return Answer::Data;
        }
        data = QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()));
        return Answer::Data;
    }
};

XSelection::XSelection(std::unique_ptr<State> state) : d(std::move(state)) {}

XSelection::~XSelection() = default;

std::unique_ptr<XSelection> XSelection::connect(const char *displayName)
{
    return connect(displayName, Limits{});
}

XSelection *XSelection::shared()
{
    static const std::unique_ptr<XSelection> connection = connect(nullptr);
    return connection.get();
}

std::unique_ptr<XSelection> XSelection::connect(const char *displayName, Limits limits)
{
    auto state = std::make_unique<State>();
    state->limits = limits;
    int screenNumber = 0;
    state->connection = xcb_connect(displayName, &screenNumber);
    if (state->broken())
        return nullptr;

    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(state->connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return nullptr;

    // An unmapped window that only receives the answers.
    state->window = xcb_generate_id(state->connection);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(state->connection, XCB_COPY_FROM_PARENT, state->window, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);

    QList<QByteArray> names = {"CLIPBOARD", "UTF8_STRING", "INCR", "TARGETS"};
    for (std::size_t i = 0; i < kPropertyCount; ++i)
        names.append("BILAN_CLIPBOARD_" + QByteArray::number(qulonglong(i)));
    QList<xcb_intern_atom_cookie_t> cookies;
    for (const QByteArray &name : names)
        cookies.append(xcb_intern_atom(state->connection, 0, uint16_t(name.size()), name.constData()));
    QList<xcb_atom_t> atoms;
    for (const xcb_intern_atom_cookie_t &cookie : cookies) {
        const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(state->connection, cookie, nullptr));
        if (!reply)
            return nullptr;
        atoms.append(reply->atom);
    }
    state->clipboard = atoms[0];
    state->utf8 = atoms[1];
    state->incr = atoms[2];
    state->targets = atoms[3];
    for (std::size_t i = 0; i < kPropertyCount; ++i)
        state->properties[i] = atoms[qsizetype(4 + i)];
    return std::unique_ptr<XSelection>(new XSelection(std::move(state)));
}

std::optional<QString> XSelection::text()
{
    State &s = *d;
    if (s.broken())
        return std::nullopt;
    const xcb_window_t owner = s.owner(s.clipboard);
    if (owner == XCB_NONE)
        return s.broken() ? std::nullopt : std::optional<QString>(QString());
    if (s.recentlySilent(owner))
        return std::nullopt;

    // UTF-8 first; an owner that offers only Latin-1 text still gives it.
    const std::pair<xcb_atom_t, bool> targets[] = {{s.utf8, true}, {XCB_ATOM_STRING, false}};
    for (const auto &[target, utf8] : targets) {
        QByteArray data;
        switch (s.convert(s.clipboard, target, data)) {
        case State::Answer::Data:
            s.markAnswered(owner);
            return utf8 ? QString::fromUtf8(data) : QString::fromLatin1(data);
        case State::Answer::Refused:
            continue;
        case State::Answer::Silent:
            s.markSilent(owner);
            return std::nullopt;
        case State::Answer::Failed:
            return std::nullopt;
        }
    }
    // It answers, but with no text: a picture, say.
    s.markAnswered(owner);
    return QString();
}

bool XSelection::ownerSilent(Selection selection)
{
    State &s = *d;
    if (s.broken())
        return false;
    const xcb_atom_t atom = selection == Selection::Primary ? xcb_atom_t(XCB_ATOM_PRIMARY) : s.clipboard;
    const xcb_window_t owner = s.owner(atom);
    if (owner == XCB_NONE)
        return false;
    if (s.recentlySilent(owner))
        return true;
    QByteArray offered;
    if (s.convert(atom, s.targets, offered) == State::Answer::Silent) {
        s.markSilent(owner);
        return true;
    }
    s.markAnswered(owner);
    return false;
}

bool XSelection::clear()
{
    State &s = *d;
    if (s.broken())
        return false;
    if (s.owner(s.clipboard) == XCB_NONE)
        return !s.broken();
    // The current server time, so that the request is never older than the
    // owner's own and ignored for it.
    xcb_set_selection_owner(s.connection, XCB_NONE, s.clipboard, XCB_CURRENT_TIME);
    return s.owner(s.clipboard) == XCB_NONE && !s.broken();
}

} // namespace bilan
