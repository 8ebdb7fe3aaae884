#pragma once

#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace bilan {

// The X clipboard (the CLIPBOARD selection, and the PRIMARY one that a
// middle click pastes) as the X server sees it, over an X connection of this
// program's own. Qt's own read waits seconds for an owner that never
// answers, with the window frozen, and Qt's idea of whether it owns the
// clipboard can be wrong; here every wait has a short deadline, an owner
// that let one pass is not asked again for a while, and who owns a selection
// is always the server's answer.
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
        // No clipboard text comes near this; a larger one is left where it is.
        quint32 sizeLimit = 16 * 1024 * 1024;
    };

    // Nothing when no X server can be reached (displayName: as DISPLAY).
    static std::unique_ptr<XSelection> connect(const char *displayName = nullptr);
    static std::unique_ptr<XSelection> connect(const char *displayName, Limits limits);
    // The program's one connection to the display Qt was started on, made at
    // its first use so that starting the program costs nothing, and told
    // which windows are Qt's. Shared, so that every reader learns of a
    // silent owner at once. Nothing off X, or when X cannot be reached.
    static XSelection *shared();
    ~XSelection();
    XSelection(const XSelection &) = delete;
    XSelection &operator=(const XSelection &) = delete;

    enum class Selection { Clipboard, Primary };
    enum class Owner { Nobody, Program, Other };

    // The windows of one X client are told apart by the bits of their ids
    // outside the server's resource mask: the program's own windows are those
    // of the connection whose base is given here (Qt's, for shared()).
    void setProgramClient(quint32 resourceBase);
    // Takes in what the server told meanwhile (changes of owner); for a
    // connection that is not read as the news comes, so that none piles up.
    void readEvents();
    // Who owns the selection now, by the X server's answer; nothing when X
    // cannot be asked.
    std::optional<Owner> owner(Selection selection = Selection::Clipboard);

    // The clipboard's plain text while another program owns it, the empty
    // text when nobody owns it or the owner offers no text; nothing when the
    // owner did not answer in time, the text is over the size limit, or it
    // could not be had. Remembers which copy it read, for clearIfUnchanged().
    std::optional<QString> text();
    // The program's own clipboard text was read (Qt gives it without asking
    // X): remembers that copy, for clearIfUnchanged().
    void noteProgramRead();

    // Whether another program owns the selection and lets the deadline pass
    // without answering, either for the formats it offers or for the text
    // itself (or did so a moment ago, see silentRetry). An owner's answer
    // only has to begin in time: a large text is not read for this. False
    // when nobody owns it, the program does, the owner answers (a refusal
    // counts), or X cannot be asked.
    bool ownerSilent(Selection selection = Selection::Clipboard);

    // Empties the clipboard, whoever owns it: this connection takes it and
    // offers the empty text, in every text format and no other, until some
    // program copies again. False when it could not be done.
    bool clear();
    // Empties the clipboard only if it still holds the copy that text() or
    // noteProgramRead() last saw: a copy that any program made since then
    // stays. True when that copy is no longer on the clipboard.
    bool clearIfUnchanged();

private:
    struct State;
    explicit XSelection(std::unique_ptr<State> state);
    std::unique_ptr<State> d;
};

} // namespace bilan
