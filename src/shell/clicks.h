#pragma once

#include <functional>

class QWidget;

namespace bilan {

// Gives a label or a text box the click the user makes with the mouse: the
// left button pressed and released over the control. The control goes on
// handling the press and release itself (a text box still places its
// cursor), and a hidden control receives no clicks. A double click is one
// click: its second press is not a click.
void onClick(QWidget *control, std::function<void()> handler);

} // namespace bilan
