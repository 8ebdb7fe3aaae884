// Plays a program that copies a second text just while the first is being
// read: it owns the X clipboard with the first text (argv[1]); when asked
// for the text it takes the clipboard again, from the same window, for the
// second text (argv[2]), and only then sends the first text as its answer.
// Whoever read the first text and then empties the clipboard must leave the
// second one. Prints "ready" once it owns the clipboard; ends when another
// program takes the clipboard, as xclip does.
#include "xowner.h"

#include <cstdio>

#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    const xowner::Owner owner = xowner::connect();
    const xcb_atom_t clipboard = xowner::intern(owner, "CLIPBOARD");
    const xcb_atom_t targets = xowner::intern(owner, "TARGETS");
    const xcb_atom_t utf8 = xowner::intern(owner, "UTF8_STRING");
    if (!xowner::take(owner, clipboard))
        return 1;
    std::puts("ready");
    std::fflush(stdout);

    const char *text = argv[1];
    while (xcb_generic_event_t *event = xcb_wait_for_event(owner.connection)) {
        const int type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR)
            return 0;
        if (type == XCB_SELECTION_REQUEST) {
            const auto &request = *reinterpret_cast<const xcb_selection_request_event_t *>(event);
            xcb_atom_t property = XCB_NONE;
            if (request.target == targets) {
                const xcb_atom_t offered[] = {targets, utf8};
                xcb_change_property(owner.connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    XCB_ATOM_ATOM, 32, 2, offered);
                property = request.property;
            } else if (request.target == utf8 || request.target == XCB_ATOM_STRING) {
                xcb_change_property(owner.connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    request.target, 8, std::strlen(text), text);
                property = request.property;
                if (text == argv[1]) {
                    // The second copy, made before the first one's answer
                    // leaves, a few milliseconds (the X server's unit of
                    // time) after the first.
                    text = argv[2];
                    usleep(20'000);
                    if (!xowner::take(owner, clipboard))
                        return 1;
                }
            }
            xowner::answer(owner, request, property);
        }
        std::free(event);
    }
    return 0;
}
