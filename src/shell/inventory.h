#pragma once

#include "form1ui.h"

class QMainWindow;
class QSize;

namespace bilan {

// Creates every control, menu and toolbar button of the main window in its
// designed state: names, containers, stacking order, positions and sizes,
// visibility, enabled state, fonts, captions, tooltips and accessible names.
// The shared dialog and the handlers are not part of it.
void buildForm1(QMainWindow &window, Form1Ui &ui);

// The layout rules, run whenever the client area changes size. Below the
// smallest sensible client area, sizes clamp at zero.
void layoutForm1(const Form1Ui &ui, const QSize &clientPixels);

} // namespace bilan
