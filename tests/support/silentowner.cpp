// Takes the X clipboard (or the selections named on the command line, such
// as PRIMARY) and then answers no request for it, like a program that hangs
// while it owns the clipboard. Prints "ready" once it owns them and stays
// until it is killed.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char *argv[])
{
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection))
        return 1;
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
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::strlen(names[i]), names[i]), nullptr);
        if (!atom)
            return 1;
        xcb_set_selection_owner(connection, window, atom->atom, XCB_CURRENT_TIME);
        xcb_get_selection_owner_reply_t *owner =
            xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
        if (!owner || owner->owner != window)
            return 1;
        std::free(owner);
        std::free(atom);
    }
    std::puts("ready");
    std::fflush(stdout);
    // Every request for the clipboard is read and dropped.
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection))
        std::free(event);
    return 0;
}
