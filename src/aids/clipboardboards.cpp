#include "clipboardboards.h"

#include "shell/caret.h"
#include "shell/form1.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace bilan {

namespace {

// The length of the board's plain text, without building it: the document
// counts one character per character and per paragraph end, the last
// paragraph end included, and its plain text replaces each of those by one.
qsizetype boardLength(const QPlainTextEdit *board)
{
    return board->document()->characterCount() - 1;
}

} // namespace

ClipboardBoards::ClipboardBoards(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("ClipboardBoards"));
}

QString ClipboardBoards::asBoardText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (QChar &c : text) {
        switch (c.unicode()) {
        case u'\r':
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // the document's frame marks
        case 0xFDD1:
            c = u'\n';
            break;
        case QChar::Nbsp:
            c = u' ';
            break;
        default:
            break;
        }
    }
    return text;
}

void ClipboardBoards::tick()
{
    if (!m_window.flags().watchClipboard)
        return;
    Clipboard &clipboard = *m_window.services().clipboard;
    const std::optional<QString> read = clipboard.text();
    // An empty clipboard equals any empty board, and with no empty board
    // nothing is captured either way.
    if (!read || read->isEmpty())
        return;
    // Compared as a board would hold it: a text with CR LF that stays on the
    // clipboard must not look new at every tick and fill board after board.
    const QString text = asBoardText(*read);
    QPlainTextEdit *firstEmpty = nullptr;
    for (QPlainTextEdit *board : m_window.ui().Text2) {
        const qsizetype length = boardLength(board);
        if (length == 0) {
            if (!firstEmpty)
                firstEmpty = board;
            continue;
        }
        // Only a board of the same length can be equal; the others are not
        // turned into text at all, which keeps a tick over full boards short.
        if (length == text.size() && board->toPlainText() == text)
            return;
    }
    if (!firstEmpty)
        return;
    firstEmpty->setPlainText(text);
    // A clipboard that cannot be emptied keeps the text; the next tick finds
    // it in the board and leaves it alone. A copy made since the read, in
    // any program, is not the one taken and stays for the next tick.
    clipboard.clearIfUnchanged();
}

void ClipboardBoards::onBoardClick(int index)
{
    if (index < 0 || index >= Count)
        return;
    Clipboard &clipboard = *m_window.services().clipboard;
    const QString text = m_window.ui().Text2[std::size_t(index)]->toPlainText();
    // Through the clipboard, as the author would do it by hand; a clipboard
    // that fails on the way in or out inserts nothing.
    insertViaClipboard(m_window.ui().RichTextBox1, text, clipboard);
    // Emptied before the next tick, so the watcher never takes the text
    // for a new one; what the clipboard held before is gone either way.
    clipboard.clear();
}

} // namespace bilan
