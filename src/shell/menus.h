#pragma once

#include "form1ui.h"

class QMainWindow;

namespace bilan {

// The menu bar with its eight menus and item arrays. No item has a
// keyboard shortcut, and no caption holds a mnemonic.
void buildMenus(QMainWindow &window, Form1Ui &ui);

// The toolbar's eleven text buttons, in toolbar order, each action named
// by its key. ui.Toolbar1 must exist.
void buildToolbarButtons(Form1Ui &ui);

} // namespace bilan
