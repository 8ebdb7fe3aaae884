#pragma once

#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace bilan {

// The X clipboard (the CLIPBOARD selection, and the PRIMARY one that a
// middle click pastes) while another program owns it, over an X connection
// of this program's own. Qt's own read waits seconds for an owner that never
// answers, with the window frozen; here every wait has a short deadline, and
// an owner that let one pass is not asked again for a while.
class XSelection final
{
public:
    struct Limits
    {
        // For the owner's first answer, and for each further piece of a
        // text sent in pieces.
        std::chrono::milliseconds answer{100};
        // For the whole of a text sent in pieces.
        std::chrono::milliseconds transfer{500};
        // An owner that missed a deadline is asked again after this long,
        // or at once when another program takes the clipboard.
        std::chrono::milliseconds silentRetry{5000};
    };

    // Nothing when no X server can be reached (displayName: as DISPLAY).
    static std::unique_ptr<XSelection> connect(const char *displayName = nullptr);
    static std::unique_ptr<XSelection> connect(const char *displayName, Limits limits);
    // The program's one connection to the display Qt was started on (Qt
    // takes it from DISPLAY unless told otherwise), made at its first use so
    // that starting the program costs nothing. Shared, so that every reader
    // learns of a silent owner at once. Nothing when X cannot be reached.
    static XSelection *shared();
    ~XSelection();
    XSelection(const XSelection &) = delete;
    XSelection &operator=(const XSelection &) = delete;

    // The clipboard's plain text, the empty text when nobody owns it or the
    // owner offers no text; nothing when the owner did not answer in time
    // or the text could not be had.
    std::optional<QString> text();

    enum class Selection { Clipboard, Primary };
    // Whether another program owns the selection and lets the deadline pass
    // without answering (or did so a moment ago, see silentRetry). Asks only
    // which formats it offers, so an owner of a large text or picture costs
    // a round trip, not its data. False when nobody owns it, the owner
    // answers (a refusal counts), or X cannot be asked.
    bool ownerSilent(Selection selection = Selection::Clipboard);
    // Takes the clipboard from its owner, leaving nobody owning it: empty
    // in every format. False when it could not be done.
    bool clear();

private:
    struct State;
    explicit XSelection(std::unique_ptr<State> state);
    std::unique_ptr<State> d;
};

} // namespace bilan
