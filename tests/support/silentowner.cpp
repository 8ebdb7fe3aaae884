// Takes the X clipboard (or the selections named on the command line, such
// as PRIMARY) and then answers no request for it, like a program that hangs
// while it owns the clipboard. With --answers-formats first, it does answer
// which formats it offers (TARGETS) and hangs only when asked for the text
// itself. Prints "ready" once it owns them and stays until it is killed.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t intern(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    if (!reply)
        std::exit(1);
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

} // namespace

int main(int argc, char *argv[])
{
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection))
        return 1;
    bool answersFormats = false;
    if (argc > 1 && std::strcmp(argv[1], "--answers-formats") == 0) {
        answersFormats = true;
        --argc;
        ++argv;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const char *const clipboardOnly[] = {"CLIPBOARD"};
    const char *const *names = argc > 1 ? argv + 1 : clipboardOnly;
    const int count = argc > 1 ? argc - 1 : 1;
    for (int i = 0; i < count; ++i) {
        const xcb_atom_t selection = intern(connection, names[i]);
        xcb_set_selection_owner(connection, window, selection, XCB_CURRENT_TIME);
        xcb_get_selection_owner_reply_t *owner =
            xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
        if (!owner || owner->owner != window)
            return 1;
        std::free(owner);
    }
    const xcb_atom_t targets = intern(connection, "TARGETS");
    const xcb_atom_t offered[] = {targets, intern(connection, "UTF8_STRING"), XCB_ATOM_STRING};
    std::puts("ready");
    std::fflush(stdout);
    // Every request for the clipboard is read and dropped, but for the
    // formats when asked to answer those.
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        if (answersFormats && (event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
            const auto *request = reinterpret_cast<const xcb_selection_request_event_t *>(event);
            if (request->target == targets) {
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
                                    XCB_ATOM_ATOM, 32, 3, offered);
                xcb_selection_notify_event_t notify{};
                notify.response_type = XCB_SELECTION_NOTIFY;
                notify.time = request->time;
                notify.requestor = request->requestor;
                notify.selection = request->selection;
                notify.target = request->target;
                notify.property = request->property;
                xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                               reinterpret_cast<const char *>(&notify));
                xcb_flush(connection);
            }
        }
        std::free(event);
    }
    return 0;
}
