// Plays a program that copies a second text just while the first is being
// read: it owns the X clipboard with the first text (argv[1]); when asked
// for the text it takes the clipboard again, from the same window, for the
// second text (argv[2]), and only then sends the first text as its answer.
// Whoever read the first text and then empties the clipboard must leave the
// second one. Prints "ready" once it owns the clipboard; ends when another
// program takes the clipboard, as xclip does.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace {

xcb_connection_t *connection = nullptr;

xcb_atom_t intern(const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    if (!reply)
        std::exit(1);
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

bool owns(xcb_window_t window, xcb_atom_t selection)
{
    xcb_get_selection_owner_reply_t *owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool mine = owner && owner->owner == window;
    std::free(owner);
    return mine;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection))
        return 1;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = intern("CLIPBOARD");
    const xcb_atom_t targets = intern("TARGETS");
    const xcb_atom_t utf8 = intern("UTF8_STRING");
    xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
    if (!owns(window, clipboard))
        return 1;
    std::puts("ready");
    std::fflush(stdout);

    const char *text = argv[1];
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        const int type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR)
            return 0;
        if (type != XCB_SELECTION_REQUEST) {
            std::free(event);
            continue;
        }
        const auto *request = reinterpret_cast<const xcb_selection_request_event_t *>(event);
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request->time;
        notify.requestor = request->requestor;
        notify.selection = request->selection;
        notify.target = request->target;
        if (request->target == targets) {
            const xcb_atom_t offered[] = {targets, utf8};
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
                                XCB_ATOM_ATOM, 32, 2, offered);
            notify.property = request->property;
        } else if (request->target == utf8 || request->target == XCB_ATOM_STRING) {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
                                request->target, 8, std::strlen(text), text);
            notify.property = request->property;
            if (text == argv[1]) {
                // The second copy, made before the first one's answer leaves,
                // a few milliseconds (the X server's unit of time) after the first.
                text = argv[2];
                usleep(20'000);
                xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
                if (!owns(window, clipboard))
                    return 1;
            }
        }
        xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&notify));
        xcb_flush(connection);
        std::free(event);
    }
    return 0;
}
