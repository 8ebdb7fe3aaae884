#pragma once

#include "services.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace bilan {

// The clipboard of a Wayland session, read, set and emptied over a Wayland
// connection of this program's own through the compositor's data-control
// protocol, whatever window has the focus. An editor that runs through
// XWayland sees the X clipboard follow the session's clipboard only while
// one of its own windows has the focus; this one follows it always.
//
// The connection is served by a thread of its own, so that a program that
// asks for the text this program put there is answered even while the
// window waits, and a program that never reads what it asked for holds up
// nothing. Every wait of the calling thread has a deadline, as on X.
class WaylandClipboard final : public Clipboard
{
public:
    struct Limits
    {
        // For the owner's first answer to a read.
        std::chrono::milliseconds answer{100};
        // For a whole read, and for the compositor's answer to any request.
        std::chrono::milliseconds transfer{500};
        // A clipboard whose owner missed a deadline is asked again after
        // this long, or at once when something else is put there.
        std::chrono::milliseconds silentRetry{5000};
    };

    // Nothing unless a Wayland compositor can be reached (display: as
    // WAYLAND_DISPLAY, which must be set when display is null) and offers
    // a data-control manager and a seat.
    static std::unique_ptr<WaylandClipboard> connect(const char *display = nullptr);
    static std::unique_ptr<WaylandClipboard> connect(const char *display, Limits limits);
    // The program's one Wayland clipboard, connected at the first call
    // (once the application object exists) and kept for the program's
    // life: nothing unless the window runs on X or Wayland in a session
    // whose compositor offers data control. Copies made through Qt's own
    // clipboard are taken from Qt (setOwnCopy).
    static WaylandClipboard *shared();
    ~WaylandClipboard() override;
    WaylandClipboard(const WaylandClipboard &) = delete;
    WaylandClipboard &operator=(const WaylandClipboard &) = delete;

    // The clipboard's plain text, the empty text when it is empty or holds
    // no text; nothing when the owner missed a deadline (or did so a
    // moment ago), the text is over 16 MB, or the compositor is gone.
    std::optional<QString> text() override;
    // Puts the text there, served from this process until something else
    // replaces it. False when the compositor did not take it in time.
    bool setText(const QString &text) override;
    // Empties the clipboard.
    bool clear() override;
    // Right after a read, empties only the text that was read: a copy made
    // since by another program is left for the next read, and the answer is
    // false.
    bool clearIfUnchanged() override;

    // Whether the clipboard's owner lets the first-answer deadline pass
    // when asked for its text (or did so a moment ago), without reading
    // more than its first answer: what a paste should know before it lets
    // the toolkit wait for the owner. False when the clipboard is empty,
    // holds no text, or this process put it there.
    bool ownerSilent();

    // "ext_data_control_manager_v1" or "zwlr_data_control_manager_v1".
    QString protocolName() const;

    // Asked first at every read: the text of a copy this process made
    // through the toolkit's own clipboard, nothing when it holds none. The
    // toolkit serves such a copy on the calling thread, which is busy
    // waiting for the answer, so it is taken from the toolkit directly.
    void setOwnCopy(std::function<std::optional<QString>()> ownCopy);

private:
    struct State;
    explicit WaylandClipboard(std::unique_ptr<State> state);
    std::unique_ptr<State> d;
};

} // namespace bilan
