#include "toolbardispatch.h"

namespace bilan {

ToolbarDispatch::ToolbarDispatch(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("ToolbarDispatch"));
}

const std::array<ToolbarKey, ToolbarButtons.size()> &ToolbarDispatch::dispatchOrder()
{
    static constexpr std::array<ToolbarKey, ToolbarButtons.size()> order = {
        ToolbarKey::Open, ToolbarKey::Save,  ToolbarKey::Copy,   ToolbarKey::Palse,
        ToolbarKey::Back, ToolbarKey::Image, ToolbarKey::Stop,   ToolbarKey::Write,
        ToolbarKey::Selfdo, ToolbarKey::Enter, ToolbarKey::Clipboard,
    };
    return order;
}

void ToolbarDispatch::setAction(ToolbarKey key, std::function<void()> action)
{
    m_actions[std::size_t(key)] = std::move(action);
}

void ToolbarDispatch::onButton(const QString &key)
{
    for (const ToolbarKey candidate : dispatchOrder()) {
        if (key != QLatin1String(toolbarButton(candidate).keyText))
            continue;
        if (const auto &action = m_actions[std::size_t(candidate)])
            action();
        return;
    }
}

} // namespace bilan
