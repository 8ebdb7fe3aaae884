#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace bilan {

class EditCommands;
class FileCommands;
class Form1;

// Toolbar keys, in toolbar order. The keys are the program's own
// identifiers ("palse" is spelled so).
enum class ToolbarKey { Open, Save, Copy, Palse, Back, Image, Clipboard, Write, Selfdo, Enter, Stop };

// The key text of a button, and the button for a key text (exact, case-sensitive).
QString toolbarKeyText(ToolbarKey key);
std::optional<ToolbarKey> toolbarKeyFromText(const QString &text);

// The toolbar's one click handler: picks the action by the button's key.
class ToolbarDispatch final : public QObject
{
    Q_OBJECT
public:
    ToolbarDispatch(Form1 &window, FileCommands &files, EditCommands &edits);

    void onButton(const QString &key);

private:
    Form1 &m_window;
    FileCommands &m_files;
    EditCommands &m_edits;
};

} // namespace bilan
