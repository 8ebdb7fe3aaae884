#pragma once

#include <QString>

#include <array>
#include <optional>

namespace bilan {

// Toolbar buttons in toolbar order (numbered 1 to 11 on the toolbar).
enum class ToolbarKey { Open, Save, Copy, Palse, Back, Image, Clipboard, Write, Selfdo, Enter, Stop };

struct ToolbarButtonDesign
{
    ToolbarKey key;
    // The key by which the toolbar's handler recognises the button; the
    // program's own identifiers ("palse" is spelled so).
    const char *keyText;
    const char16_t *caption;
    const char16_t *tooltip;
};

inline constexpr std::array<ToolbarButtonDesign, 11> ToolbarButtons = {{
    {ToolbarKey::Open, "open", u"打开", u"打开文本文件"},
    {ToolbarKey::Save, "save", u"保存", u"保存您的稿子"},
    {ToolbarKey::Copy, "copy", u"复制", u"将所选文字复制到剪贴板"},
    {ToolbarKey::Palse, "palse", u"粘贴", u"将剪贴板文字粘贴在您的稿子里"},
    {ToolbarKey::Back, "back", u"撤消", u"撤消您在写稿时的上一步操作"},
    {ToolbarKey::Image, "image", u"打开图片", u"打开照片、图纸、图象等"},
    {ToolbarKey::Clipboard, "clipboard", u"剪贴板", u"内置可视化超级剪贴板"},
    {ToolbarKey::Write, "write", u"词汇助输", u"方便电子术语输入稿件"},
    {ToolbarKey::Selfdo, "selfdo", u"助输定制", u"定制适合您的快捷输入词组"},
    {ToolbarKey::Enter, "enter", u"保存定制", u"保存对“助输定制”所作的修改"},
    {ToolbarKey::Stop, "stop", u"回文本窗", u"回到文本窗口"},
}};

constexpr bool toolbarTableInKeyOrder()
{
    for (std::size_t i = 0; i < ToolbarButtons.size(); ++i) {
        if (std::size_t(ToolbarButtons[i].key) != i)
            return false;
    }
    return true;
}
static_assert(toolbarTableInKeyOrder(), "the table is indexed by ToolbarKey");

inline const ToolbarButtonDesign &toolbarButton(ToolbarKey key)
{
    return ToolbarButtons[std::size_t(key)];
}

} // namespace bilan
