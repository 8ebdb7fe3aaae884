#pragma once

#include "shell/toolbarbuttons.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>

namespace bilan {

// The toolbar's one click handler: picks the action by the button's key.
// The subsystems register their actions; a key without one does nothing.
class ToolbarDispatch final : public QObject
{
    Q_OBJECT
public:
    explicit ToolbarDispatch(QObject *parent = nullptr);

    void setAction(ToolbarKey key, std::function<void()> action);

    // Compares the key, exactly and case-sensitively, with the keys in
    // dispatch order and runs the first match.
    void onButton(const QString &key);

    // The order in which keys are compared (not the toolbar's order).
    static const std::array<ToolbarKey, ToolbarButtons.size()> &dispatchOrder();

private:
    std::array<std::function<void()>, ToolbarButtons.size()> m_actions;
};

} // namespace bilan
