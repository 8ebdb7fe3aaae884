#pragma once

// What the small clipboard owners of the X tests share: a connection with an
// unmapped window, atoms, taking a selection and answering a request.
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace xowner {

struct Owner
{
    xcb_connection_t *connection = nullptr;
    xcb_window_t window = XCB_NONE;
};

// Ends the program when there is no X server to own anything on.
inline Owner connect()
{
    int screenNumber = 0;
    Owner owner;
    owner.connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(owner.connection))
        std::exit(1);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(owner.connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    owner.window = xcb_generate_id(owner.connection);
    xcb_create_window(owner.connection, XCB_COPY_FROM_PARENT, owner.window, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    return owner;
}

inline xcb_atom_t intern(const Owner &owner, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        owner.connection, xcb_intern_atom(owner.connection, 0, std::strlen(name), name), nullptr);
    if (!reply)
        std::exit(1);
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

// Takes the selection now; false when the server says someone else has it.
inline bool take(const Owner &owner, xcb_atom_t selection)
{
    xcb_set_selection_owner(owner.connection, owner.window, selection, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(
        owner.connection, xcb_get_selection_owner(owner.connection, selection), nullptr);
    const bool mine = reply && reply->owner == owner.window;
    std::free(reply);
    return mine;
}

// Tells the requestor that its answer is in the property (XCB_NONE: refused).
inline void answer(const Owner &owner, const xcb_selection_request_event_t &request, xcb_atom_t property)
{
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    xcb_send_event(owner.connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&notify));
    xcb_flush(owner.connection);
}

} // namespace xowner
