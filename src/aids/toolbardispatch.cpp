#include "toolbardispatch.h"

#include "shell/editcommands.h"
#include "shell/filecommands.h"
#include "shell/form1.h"

#include <array>

namespace bilan {

namespace {
constexpr std::array<const char *, 11> kKeyTexts = {
    "open", "save", "copy", "palse", "back", "image", "clipboard", "write", "selfdo", "enter", "stop",
};
}

QString toolbarKeyText(ToolbarKey key)
{
    return QLatin1String(kKeyTexts[std::size_t(key)]);
}

std::optional<ToolbarKey> toolbarKeyFromText(const QString &text)
{
    for (std::size_t i = 0; i < kKeyTexts.size(); ++i) {
        if (text == QLatin1String(kKeyTexts[i]))
            return ToolbarKey(i);
    }
    return std::nullopt;
}

ToolbarDispatch::ToolbarDispatch(Form1 &window, FileCommands &files, EditCommands &edits)
    : QObject(&window)
    , m_window(window)
    , m_files(files)
    , m_edits(edits)
{
}

void ToolbarDispatch::onButton(const QString &key)
{
    const std::optional<ToolbarKey> button = toolbarKeyFromText(key);
    if (!button)
        return;
    switch (*button) {
    case ToolbarKey::Open: m_files.open(); break;
    case ToolbarKey::Save: m_files.toolbarSave(); break;
    case ToolbarKey::Copy: m_edits.copy(); break;
    case ToolbarKey::Palse: m_edits.paste(); break;
    case ToolbarKey::Back: m_edits.undo(); break;
    // The side-panel modes and the phrase save come with the writing aids.
    case ToolbarKey::Image:
    case ToolbarKey::Clipboard:
    case ToolbarKey::Write:
    case ToolbarKey::Selfdo:
    case ToolbarKey::Enter:
    case ToolbarKey::Stop:
        break;
    }
}

} // namespace bilan
