#pragma once

#include <QObject>
#include <QString>

namespace bilan {

class Form1;

// The eleven clipboard boards (Text2) and their watcher: while the window's
// watch-clipboard flag is set, each tick of Timer1 moves a new clipboard
// text into the first empty board and empties the clipboard; a click on a
// board inserts its text into the manuscript through the clipboard.
class ClipboardBoards final : public QObject
{
    Q_OBJECT
public:
    static constexpr int Count = 11;

    explicit ClipboardBoards(Form1 &window);

    // One watcher tick. A clipboard that cannot be read or emptied skips it.
    void tick();
    // Inserts the board's text at the manuscript's caret by way of the
    // clipboard, which is empty afterwards; nothing when the clipboard
    // cannot be used.
    void onBoardClick(int index);

    // The text a board shows once the text is set into it: a text box keeps
    // no carriage returns or other paragraph marks, only line feeds, and
    // turns no-break spaces into spaces.
    static QString asBoardText(QString text);

private:
    Form1 &m_window;
};

} // namespace bilan
