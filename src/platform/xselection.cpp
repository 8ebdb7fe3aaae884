// The clipboard conversation of the X protocol (ICCCM), as a requestor: ConvertSelection
// into a property of a window of our own, wait for the SelectionNotify, read
// the property, and follow the INCR protocol for a text sent in pieces. The
// XFixes extension tells this connection of every change of owner with the
// time the server recorded for it; that time is what lets the clipboard be
// emptied only while it still holds the copy that was read; emptying takes
// it for an empty clipboard of our own (EmptyClipboard). Written against
// libxcb directly because no Debian library offers a selection read with a
// deadline, and Qt's blocks.
#include "xselection.h"

#include "emptyclipboard.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QList>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <string>

#include <poll.h>

namespace bilan {

namespace {

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template<typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

// Late answers to requests given up on go into the property of their own
// request, so they are never taken for the answer to a later one.
constexpr std::size_t kPropertyCount = 8;

// One copy on the clipboard: its owner and, when known, the time the server
// recorded when that owner took it.
struct Copy
{
    xcb_window_t owner = XCB_NONE;
    std::optional<xcb_timestamp_t> since;
    bool program = false;
    friend bool operator==(const Copy &, const Copy &) = default;
};

} // namespace

struct XSelection::State
{
    xcb_connection_t *connection = nullptr;
    xcb_window_t window = XCB_NONE;
    Limits limits;
    quint32 resourceMask = 0;
    std::optional<quint32> programBase;
    uint8_t xfixesEvents = 0; // first event code of XFixes; 0 without it

    xcb_atom_t clipboard = XCB_NONE;
    xcb_atom_t utf8 = XCB_NONE;
    xcb_atom_t incr = XCB_NONE;
    xcb_atom_t targets = XCB_NONE;
    xcb_atom_t timestamp = XCB_NONE;
    xcb_atom_t plainUtf8 = XCB_NONE; // text/plain;charset=utf-8
    std::array<xcb_atom_t, kPropertyCount> properties{};
    std::size_t nextProperty = 0;

    // The latest change of owner XFixes told of, per selection.
    Copy latest[2];
    // The copy text() or noteProgramRead() last saw.
    std::optional<Copy> lastRead;
    // A copy over the size limit: left alone until the owner changes.
    std::optional<Copy> tooLarge;
    // Holds the clipboard empty once it was emptied; made at the first
    // emptying, on the display this connection reached.
    std::unique_ptr<EmptyClipboard> empty;
    std::string displayName;
    // The property of a transfer in pieces given up on. Its owner goes on
    // sending and answers nobody else until it is done, so its pieces are
    // let through, unread, to the end.
    xcb_atom_t abandoned = XCB_NONE;

    // The owner that last let a deadline pass, and since when. A program
    // that hangs answers for neither selection, so one memory serves both.
    xcb_window_t silentOwner = XCB_NONE;
    QElapsedTimer silentSince;

    std::unique_ptr<QSocketNotifier> notifier;

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
        notifier.reset();
        if (connection)
            xcb_disconnect(connection);
    }

    bool broken() const { return xcb_connection_has_error(connection) != 0; }

    xcb_atom_t atomFor(Selection selection) const
    {
        return selection == Selection::Primary ? xcb_atom_t(XCB_ATOM_PRIMARY) : clipboard;
    }
    int indexOf(xcb_atom_t selection) const { return selection == clipboard ? 0 : 1; }

    bool isProgram(xcb_window_t owner) const
    {
        return programBase && owner != XCB_NONE && (owner & ~resourceMask) == *programBase;
    }

    // Every event passes here, whoever waits: XFixes keeps the latest owner
    // and its time, and the pieces of a transfer given up on are let through.
    void handle(const xcb_generic_event_t &event)
    {
        const uint8_t type = event.response_type & 0x7f;
        if (xfixesEvents != 0 && type == xfixesEvents + XCB_XFIXES_SELECTION_NOTIFY) {
            const auto &notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t &>(event);
            if (notify.selection == clipboard || notify.selection == XCB_ATOM_PRIMARY) {
                Copy &copy = latest[indexOf(notify.selection)];
                copy.owner = notify.subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER ? notify.owner
                                                                                               : xcb_window_t(XCB_NONE);
                copy.since = notify.selection_timestamp;
                copy.program = isProgram(copy.owner);
            }
        } else if (type == XCB_PROPERTY_NOTIFY && abandoned != XCB_NONE) {
            const auto &notify = reinterpret_cast<const xcb_property_notify_event_t &>(event);
            if (notify.window == window && notify.atom == abandoned && notify.state == XCB_PROPERTY_NEW_VALUE) {
                const auto size = readProperty(abandoned, false, 0);
                if (!size || size->bytes_after == 0)
                    abandoned = XCB_NONE; // the empty piece: the owner is done
                xcb_delete_property(connection, window, notify.atom);
                xcb_flush(connection);
            }
        }
    }

    void drain()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            handle(*event);
            std::free(event);
        }
    }

    // The owner by the server's answer. The events the server sent before
    // that answer are handled first, so latest[] then speaks of this owner.
    xcb_window_t owner(xcb_atom_t selection)
    {
        const XcbReply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr));
        drain();
        return reply ? reply->owner : XCB_NONE;
    }

    Copy copyOf(xcb_atom_t selection, xcb_window_t owner) const
    {
        const Copy &known = latest[indexOf(selection)];
        Copy copy{owner, std::nullopt, isProgram(owner)};
        if (known.owner == owner)
            copy.since = known.since;
        return copy;
    }

    // Waits until an event satisfies the test or the time runs out; every
    // event is handled on the way.
    XcbReply<xcb_generic_event_t> waitFor(const std::function<bool(const xcb_generic_event_t &)> &wanted,
                                          const QElapsedTimer &clock, qint64 deadlineMs)
    {
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
                XcbReply<xcb_generic_event_t> held(event);
                handle(*event);
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

    XcbReply<xcb_get_property_reply_t> readProperty(xcb_atom_t property, bool remove, quint32 longs)
    {
        return XcbReply<xcb_get_property_reply_t>(xcb_get_property_reply(
            connection, xcb_get_property(connection, remove, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, longs),
            nullptr));
    }

    enum class Answer { Data, Refused, Silent, TooLarge, Failed };

    // The pieces of an INCR transfer: each arrives as a new value of the
    // property, which deleting asks for the next; an empty one ends it.
    Answer readIncrementally(xcb_atom_t property, QByteArray &data)
    {
        const Answer answer = readPieces(property, data);
        if (answer == Answer::TooLarge)
            abandoned = property;
        return answer;
    }

    Answer readPieces(xcb_atom_t property, QByteArray &data)
    {
        QElapsedTimer clock;
        clock.start();
        xcb_delete_property(connection, window, property);
        xcb_flush(connection);
        const qint64 whole = limits.transfer.count();
        for (;;) {
            // A text that keeps coming past the whole deadline is only too
            // large to take; an owner that stops sending is silent.
            if (clock.elapsed() >= whole)
                return Answer::TooLarge;
            const qint64 pieceDeadline = std::min<qint64>(clock.elapsed() + limits.answer.count(), whole);
            const auto newValue = waitFor(
                [property](const xcb_generic_event_t &event) {
                    if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                        return false;
                    const auto &notify = reinterpret_cast<const xcb_property_notify_event_t &>(event);
                    return notify.atom == property && notify.state == XCB_PROPERTY_NEW_VALUE;
                },
                clock, pieceDeadline);
            if (!newValue) {
                if (broken())
                    return Answer::Failed;
                return pieceDeadline == whole ? Answer::TooLarge : Answer::Silent;
            }
            const auto piece = readProperty(property, true, limits.sizeLimit / 4 + 1);
            if (!piece || piece->bytes_after > 0)
                return Answer::TooLarge;
            const int length = xcb_get_property_value_length(piece.get());
            if (length == 0)
                return Answer::Data;
            if (quint64(data.size()) + quint64(length) > limits.sizeLimit)
                return Answer::TooLarge;
            data.append(static_cast<const char *>(xcb_get_property_value(piece.get())), length);
        }
    }

    // Asks the owner for the selection in one target and waits for its
    // answer. With readData false only the start of the answer counts: the
    // data is left unread (and a transfer in pieces never begins).
    Answer convert(xcb_atom_t selection, xcb_atom_t target, QByteArray &data, bool readData = true)
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

        // Its size first, so that a text over the limit is never fetched.
        const auto head = readProperty(property, false, 0);
        if (!head)
            return Answer::Failed;
        if (!readData) {
            if (head->type != incr)
                xcb_delete_property(connection, window, property);
            return Answer::Data;
        }
        if (head->type == incr) {
            const auto announced = readProperty(property, false, 1);
            if (announced && xcb_get_property_value_length(announced.get()) == 4
                && *static_cast<const quint32 *>(xcb_get_property_value(announced.get())) > limits.sizeLimit)
                return Answer::TooLarge;
            return readIncrementally(property, data);
        }
        if (head->bytes_after > limits.sizeLimit) {
            xcb_delete_property(connection, window, property);
            return Answer::TooLarge;
        }
        const auto reply = readProperty(property, true, (head->bytes_after + 3) / 4);
        if (!reply || reply->bytes_after > 0)
            return Answer::Failed;
        data = QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()));
        return Answer::Data;
    }

    // When XFixes did not say when the owner took the clipboard (it did so
    // before this connection listened), the owner is asked, as owners are
    // meant to answer; nothing when it will not say.
    Answer askWhenTaken(xcb_atom_t selection, Copy &copy)
    {
        QByteArray data;
        const Answer answer = convert(selection, timestamp, data);
        if (answer == Answer::Data && data.size() == 4)
            copy.since = *reinterpret_cast<const quint32 *>(data.constData());
        return answer;
    }

    // Takes the selection at the given time for the window that holds it
    // empty (see EmptyClipboard for why not nobody). The server ignores the
    // taking when the time is older than the current owner's, which is what
    // keeps a newer copy. With onlyFrom, it is taken now but only from that
    // owner. False when not taken.
    bool takeEmpty(xcb_atom_t selection, xcb_timestamp_t time, xcb_window_t onlyFrom = XCB_NONE)
    {
        if (!empty)
            empty = EmptyClipboard::connect(displayName.empty() ? nullptr : displayName.c_str());
        if (!empty)
            return false;
        if (!(onlyFrom != XCB_NONE ? empty->takeFrom(selection, onlyFrom) : empty->take(selection, time)))
            return false;
        // The news of the taking, with the time the server gave it, comes
        // to this connection before the answer.
        if (owner(selection) != empty->window())
            return false;
        const Copy &ours = latest[indexOf(selection)];
        empty->setTakenAt(ours.owner == empty->window() && ours.since ? *ours.since : time);
        return !broken();
    }

    // Whether the window is the one holding the clipboard empty.
    bool heldEmpty(xcb_window_t owner) const { return empty && owner == empty->window(); }
};

XSelection::XSelection(std::unique_ptr<State> state) : d(std::move(state)) {}

XSelection::~XSelection() = default;

std::unique_ptr<XSelection> XSelection::connect(const char *displayName)
{
    return connect(displayName, Limits{});
}

XSelection *XSelection::shared()
{
    static const std::unique_ptr<XSelection> connection = [] {
        std::unique_ptr<XSelection> made;
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return made;
        made = connect(nullptr);
        auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        if (!made || !x11 || !x11->connection())
            return made;
        made->setProgramClient(xcb_get_setup(x11->connection())->resource_id_base);
        // Changes of owner come all the time; read them as they come, so
        // that they never pile up while the clipboard is not in use.
        State *state = made->d.get();
        state->notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(state->connection),
                                                            QSocketNotifier::Read);
        QObject::connect(state->notifier.get(), &QSocketNotifier::activated, state->notifier.get(),
                         [state] { state->drain(); });
        return made;
    }();
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
    state->resourceMask = xcb_get_setup(state->connection)->resource_id_mask;

    // An unmapped window that only receives the answers.
    state->window = createSelectionWindow(state->connection, screenNumber, XCB_EVENT_MASK_PROPERTY_CHANGE);
    if (state->window == XCB_NONE)
        return nullptr;

    QList<QByteArray> names = {"CLIPBOARD", "UTF8_STRING", "INCR", "TARGETS", "TIMESTAMP", "text/plain;charset=utf-8"};
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
    state->timestamp = atoms[4];
    state->plainUtf8 = atoms[5];
    for (std::size_t i = 0; i < kPropertyCount; ++i)
        state->properties[i] = atoms[qsizetype(6 + i)];

    if (displayName)
        state->displayName = displayName;

    // XFixes, where the server has it, tells of every change of owner.
    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(state->connection, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        const XcbReply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
            state->connection, xcb_xfixes_query_version(state->connection, 1, 0), nullptr));
        if (version) {
            state->xfixesEvents = xfixes->first_event;
            const uint32_t changes = XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE;
            xcb_xfixes_select_selection_input(state->connection, state->window, state->clipboard, changes);
            xcb_xfixes_select_selection_input(state->connection, state->window, XCB_ATOM_PRIMARY, changes);
        }
    }
    xcb_flush(state->connection);
    return std::unique_ptr<XSelection>(new XSelection(std::move(state)));
}

void XSelection::setProgramClient(quint32 resourceBase)
{
    d->programBase = resourceBase & ~d->resourceMask;
}

void XSelection::readEvents()
{
    if (!d->broken())
        d->drain();
}

std::optional<XSelection::Owner> XSelection::owner(Selection selection)
{
    State &s = *d;
    if (s.broken())
        return std::nullopt;
    const xcb_window_t window = s.owner(s.atomFor(selection));
    if (s.broken())
        return std::nullopt;
    if (window == XCB_NONE || s.heldEmpty(window))
        return Owner::Nobody;
    return s.isProgram(window) ? Owner::Program : Owner::Other;
}

std::optional<QString> XSelection::text()
{
    State &s = *d;
    if (s.broken())
        return std::nullopt;
    const xcb_window_t owner = s.owner(s.clipboard);
    if (s.broken())
        return std::nullopt;
    Copy copy = s.copyOf(s.clipboard, owner);
    if (owner == XCB_NONE || s.heldEmpty(owner)) {
        s.lastRead = Copy{};
        return QString();
    }
    if (s.tooLarge && s.tooLarge->owner == owner && (!copy.since || s.tooLarge->since == copy.since))
        return std::nullopt;
    if (s.recentlySilent(owner))
        return std::nullopt;
    if (!copy.since && !copy.program) {
        if (const State::Answer answer = s.askWhenTaken(s.clipboard, copy); answer == State::Answer::Silent) {
            s.markSilent(owner);
            return std::nullopt;
        }
    }

    // UTF-8 first; an owner that offers only Latin-1 text still gives it.
    const std::pair<xcb_atom_t, bool> targets[] = {{s.utf8, true}, {XCB_ATOM_STRING, false}};
    for (const auto &[target, utf8] : targets) {
        QByteArray data;
        switch (s.convert(s.clipboard, target, data)) {
        case State::Answer::Data:
            s.markAnswered(owner);
            s.lastRead = copy;
            return utf8 ? QString::fromUtf8(data) : QString::fromLatin1(data);
        case State::Answer::Refused:
            continue;
        case State::Answer::TooLarge:
            // It answers; it is only not worth taking. Left alone until it
            // changes, and nothing else is refused meanwhile.
            s.markAnswered(owner);
            s.tooLarge = copy;
            return std::nullopt;
        case State::Answer::Silent:
            s.markSilent(owner);
            return std::nullopt;
        case State::Answer::Failed:
            return std::nullopt;
        }
    }
    // It answers, but with no text: a picture, say.
    s.markAnswered(owner);
    s.lastRead = copy;
    return QString();
}

void XSelection::noteProgramRead()
{
    State &s = *d;
    if (s.broken())
        return;
    s.lastRead = s.copyOf(s.clipboard, s.owner(s.clipboard));
}

bool XSelection::ownerSilent(Selection selection)
{
    State &s = *d;
    if (s.broken())
        return false;
    const xcb_atom_t atom = s.atomFor(selection);
    const xcb_window_t owner = s.owner(atom);
    if (owner == XCB_NONE || s.heldEmpty(owner) || s.isProgram(owner))
        return false;
    // It answered with more than was worth taking; asked again now, it may
    // still be busy sending the rest.
    if (const Copy copy = s.copyOf(atom, owner);
        atom == s.clipboard && s.tooLarge && s.tooLarge->owner == owner && s.tooLarge->since == copy.since)
        return false;
    if (s.recentlySilent(owner))
        return true;
    // The formats it offers, then the start of its text in the first text
    // format it offers: a program may answer the one and hang on the other.
    QByteArray offered;
    State::Answer answer = s.convert(atom, s.targets, offered);
    if (answer != State::Answer::Silent) {
        QList<xcb_atom_t> formats;
        for (qsizetype i = 0; i + 4 <= offered.size(); i += 4)
            formats.append(*reinterpret_cast<const quint32 *>(offered.constData() + i));
        xcb_atom_t probe = s.utf8;
        for (const xcb_atom_t text : {s.utf8, s.plainUtf8, xcb_atom_t(XCB_ATOM_STRING)}) {
            if (formats.contains(text)) {
                probe = text;
                break;
            }
        }
        QByteArray unread;
        answer = s.convert(atom, probe, unread, false);
    }
    if (answer == State::Answer::Silent) {
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
    // Taken even from nobody: a desktop bridge may still offer its
    // programs the last text that was there.
    if (s.heldEmpty(s.owner(s.clipboard)))
        return !s.broken();
    return s.takeEmpty(s.clipboard, XCB_CURRENT_TIME);
}

bool XSelection::clearIfUnchanged()
{
    State &s = *d;
    if (s.broken() || !s.lastRead)
        return false;
    const Copy read = *s.lastRead;
    const xcb_window_t owner = s.owner(s.clipboard);
    if (s.broken())
        return false;
    const Copy now = s.copyOf(s.clipboard, owner);
    if (read.owner == XCB_NONE || owner != read.owner || (now.since && read.since && now.since != read.since))
        return true;
    if (read.since) {
        // Qt does not let go of a clipboard taken at the very time it took
        // it, so its own copy is taken a moment later; a copy that another
        // program made in that same moment is lost with it.
        const xcb_timestamp_t time = *read.since + (read.program ? 1 : 0);
        // That moment may still be ahead of the server's clock, which then
        // ignores the taking too; it comes within a few milliseconds.
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (s.takeEmpty(s.clipboard, time))
                return true;
            const xcb_window_t holder = s.owner(s.clipboard);
            if (holder != read.owner || s.copyOf(s.clipboard, holder).since != read.since)
                return true;
            QThread::msleep(2);
        }
        return false;
    }
    // When nobody can say when the copy was made, it is taken only while
    // the same owner holds it, with the server held still for the look.
    return s.takeEmpty(s.clipboard, XCB_CURRENT_TIME, read.owner) || s.owner(s.clipboard) != read.owner;
}

} // namespace bilan
