// Takes the X clipboard (or the selections named on the command line, such
// as PRIMARY) and then answers no request for it, like a program that hangs
// while it owns the clipboard. With --answers-formats first, it does answer
// which formats it offers (TARGETS) and hangs only when asked for the text
// itself. Prints "ready" once it owns them and stays until it is killed.
#include "xowner.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    const xowner::Owner owner = xowner::connect();
    bool answersFormats = false;
    if (argc > 1 && std::strcmp(argv[1], "--answers-formats") == 0) {
        answersFormats = true;
        --argc;
        ++argv;
    }
    const char *const clipboardOnly[] = {"CLIPBOARD"};
    const char *const *names = argc > 1 ? argv + 1 : clipboardOnly;
    const int count = argc > 1 ? argc - 1 : 1;
    for (int i = 0; i < count; ++i) {
        if (!xowner::take(owner, xowner::intern(owner, names[i])))
            return 1;
    }
    const xcb_atom_t targets = xowner::intern(owner, "TARGETS");
    const xcb_atom_t offered[] = {targets, xowner::intern(owner, "UTF8_STRING"), XCB_ATOM_STRING};
    std::puts("ready");
    std::fflush(stdout);
    // Every request for the clipboard is read and dropped, but for the
    // formats when asked to answer those.
    while (xcb_generic_event_t *event = xcb_wait_for_event(owner.connection)) {
        if (answersFormats && (event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
            const auto &request = *reinterpret_cast<const xcb_selection_request_event_t *>(event);
            if (request.target == targets) {
                xcb_change_property(owner.connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    XCB_ATOM_ATOM, 32, 3, offered);
                xowner::answer(owner, request, request.property);
            }
        }
        std::free(event);
    }
    return 0;
}
