#pragma once

#include <xcb/xcb.h>

#include <atomic>
#include <memory>
#include <thread>

namespace bilan {

// An unmapped window on the given screen of the connection, that takes part
// in clipboard conversations and nothing else; XCB_NONE when there is no
// such screen.
xcb_window_t createSelectionWindow(xcb_connection_t *connection, int screenNumber, uint32_t eventMask = 0);

// An empty X clipboard, held by a window on a connection and a thread of its
// own. Emptying the clipboard takes it for this window rather than leaving
// nobody owning it: Qt then lets go of its own copy, a clipboard manager has
// no old text to put back, and the bridges of desktops that keep the last X
// copy for their own programs take the empty one. Its own thread answers
// every request at once, so that Qt in this very program, which asks over X
// and waits on the interface thread, gets its answer too.
class EmptyClipboard final
{
public:
    // Nothing when the display cannot be reached.
    static std::unique_ptr<EmptyClipboard> connect(const char *displayName);
    ~EmptyClipboard();
    EmptyClipboard(const EmptyClipboard &) = delete;
    EmptyClipboard &operator=(const EmptyClipboard &) = delete;

    xcb_window_t window() const { return m_window; }
    // Asks the server to give the clipboard to this window at the time
    // given; false when the server did not (a newer copy is there).
    bool take(xcb_atom_t clipboard, xcb_timestamp_t time);
    // The same, now, but only while the owner is the one given: for a copy
    // whose time nobody can tell. False when another had copied since.
    bool takeFrom(xcb_atom_t clipboard, xcb_window_t owner);
    // What the window answers when asked when it took the clipboard.
    void setTakenAt(xcb_timestamp_t time) { m_takenAt = time; }

private:
    EmptyClipboard() = default;
    void serve();
    void answer(const xcb_selection_request_event_t &request);

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_window = XCB_NONE;
    xcb_atom_t m_clipboard = XCB_NONE;
    xcb_atom_t m_targets = XCB_NONE;
    xcb_atom_t m_timestamp = XCB_NONE;
    xcb_atom_t m_texts[3] = {};
    std::atomic<xcb_timestamp_t> m_takenAt{XCB_CURRENT_TIME};
    int m_wake = -1; // an eventfd that ends the thread
    std::thread m_thread;
};

} // namespace bilan
