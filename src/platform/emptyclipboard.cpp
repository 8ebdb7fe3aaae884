// The owner side of the clipboard conversation (ICCCM) for an empty
// clipboard: the formats it has (the text formats, TARGETS, TIMESTAMP), the
// time it was taken, and the empty text in each text format.
#include "emptyclipboard.h"

#include <QByteArray>

#include <cstdlib>
#include <iterator>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace bilan {

xcb_window_t createSelectionWindow(xcb_connection_t *connection, int screenNumber, uint32_t eventMask)
{
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return XCB_NONE;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, eventMask ? XCB_CW_EVENT_MASK : 0,
                      eventMask ? &eventMask : nullptr);
    return window;
}

std::unique_ptr<EmptyClipboard> EmptyClipboard::connect(const char *displayName)
{
    std::unique_ptr<EmptyClipboard> held(new EmptyClipboard);
    int screenNumber = 0;
    held->m_connection = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(held->m_connection))
        return nullptr;
    held->m_window = createSelectionWindow(held->m_connection, screenNumber);
    if (held->m_window == XCB_NONE)
        return nullptr;

    const QByteArray names[] = {"CLIPBOARD", "TARGETS", "TIMESTAMP", "UTF8_STRING", "text/plain;charset=utf-8"};
    xcb_atom_t atoms[std::size(names)] = {};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            held->m_connection,
            xcb_intern_atom(held->m_connection, 0, uint16_t(names[i].size()), names[i].constData()), nullptr);
        if (!reply)
            return nullptr;
        atoms[i] = reply->atom;
        std::free(reply);
    }
    held->m_clipboard = atoms[0];
    held->m_targets = atoms[1];
    held->m_timestamp = atoms[2];
    held->m_texts[0] = atoms[3];
    held->m_texts[1] = atoms[4];
    held->m_texts[2] = XCB_ATOM_STRING;
    xcb_flush(held->m_connection);

    held->m_wake = eventfd(0, EFD_CLOEXEC);
    if (held->m_wake < 0)
        return nullptr;
    held->m_thread = std::thread([raw = held.get()] { raw->serve(); });
    return held;
}

EmptyClipboard::~EmptyClipboard()
{
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
        m_thread.join();
    }
    if (m_wake >= 0)
        ::close(m_wake);
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool EmptyClipboard::take(xcb_atom_t clipboard, xcb_timestamp_t time)
{
    // libxcb lets one thread send and wait for a reply while another waits
    // for events. Asked on this same connection, the answer comes after the
    // server has handled the taking.
    xcb_set_selection_owner(m_connection, m_window, clipboard, time);
    xcb_get_selection_owner_reply_t *reply =
        xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, clipboard), nullptr);
    const bool taken = reply && reply->owner == m_window;
    std::free(reply);
    return taken;
}

bool EmptyClipboard::takeFrom(xcb_atom_t clipboard, xcb_window_t owner)
{
    // Held still meanwhile, the server lets no other program copy between
    // the look and the taking.
    xcb_grab_server(m_connection);
    xcb_get_selection_owner_reply_t *reply =
        xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, clipboard), nullptr);
    const bool same = reply && reply->owner == owner;
    std::free(reply);
    if (same)
        xcb_set_selection_owner(m_connection, m_window, clipboard, XCB_CURRENT_TIME);
    xcb_ungrab_server(m_connection);
    return same && take(clipboard, XCB_CURRENT_TIME);
}

void EmptyClipboard::serve()
{
    for (;;) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST)
                answer(*reinterpret_cast<const xcb_selection_request_event_t *>(event));
            std::free(event);
        }
        if (xcb_connection_has_error(m_connection))
            return;
        pollfd descriptors[] = {{xcb_get_file_descriptor(m_connection), POLLIN, 0}, {m_wake, POLLIN, 0}};
        ::poll(descriptors, 2, -1);
        if (descriptors[1].revents != 0)
            return;
    }
}

void EmptyClipboard::answer(const xcb_selection_request_event_t &request)
{
    // Old requestors name no property and mean the target's own.
    const xcb_atom_t into = request.property == XCB_NONE ? request.target : request.property;
    xcb_atom_t property = XCB_NONE;
    if (request.selection == m_clipboard && request.owner == m_window) {
        property = into;
        if (request.target == m_targets) {
            const xcb_atom_t offered[] = {m_targets, m_timestamp, m_texts[0], m_texts[1], m_texts[2]};
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, into, XCB_ATOM_ATOM, 32,
                                std::size(offered), offered);
        } else if (request.target == m_timestamp) {
            const xcb_timestamp_t takenAt = m_takenAt;
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, into, XCB_ATOM_INTEGER, 32,
                                1, &takenAt);
        } else if (std::find(std::begin(m_texts), std::end(m_texts), request.target) != std::end(m_texts)) {
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, into, request.target, 8, 0,
                                nullptr);
        } else {
            property = XCB_NONE;
        }
    }
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    xcb_send_event(m_connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&notify));
    xcb_flush(m_connection);
}

} // namespace bilan
