#pragma once

#include "toolbarbuttons.h"

#include <array>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QTabWidget;
class QTextEdit;
class QTimer;
class QToolBar;
class QWidget;

namespace bilan {

class CommonDialog;

// The controls of the main window under their designed names, which are
// also their object names; an element of a control array is named
// "<array>_<index>" (Label2_17, mnufileitem_3) and carries its index in the
// dynamic property "index".
struct Form1Ui
{
    QWidget *client = nullptr; // the client area: below the menu bar, toolbar included

    QToolBar *Toolbar1 = nullptr;
    // Toolbar buttons in toolbar order; each action's object name is its key.
    std::array<QAction *, ToolbarButtons.size()> toolbarButtons{};

    QTextEdit *RichTextBox1 = nullptr;
    QWidget *Picture1 = nullptr;
    QTextEdit *RichTextBox2 = nullptr;
    QLabel *Image1 = nullptr;
    QScrollBar *HScroll1 = nullptr;
    QScrollBar *VScroll1 = nullptr;
    QTabWidget *TabStrip1 = nullptr;
    std::array<QLabel *, 149> Label2{};
    std::array<QPlainTextEdit *, 26> Text1{};
    std::array<QPlainTextEdit *, 11> Text2{};
    std::array<QPushButton *, 24> Command1{};
    QTimer *Timer1 = nullptr;
    CommonDialog *CommonDialog1 = nullptr;

    // Menus in menu-bar order. font, color and timer are commands on the
    // menu bar itself.
    QMenu *file = nullptr;
    QMenu *edit = nullptr;
    QAction *font = nullptr;
    QAction *color = nullptr;
    QMenu *code = nullptr;
    QMenu *tools = nullptr;
    QAction *timer = nullptr;
    QMenu *help = nullptr;

    std::array<QAction *, 5> mnufileitem{};
    QMenu *saveas = nullptr;
    std::array<QAction *, 2> saveasItems{};
    std::array<QAction *, 6> mnuedititem{};
    std::array<QAction *, 3> mnucodeitem{};
    QMenu *codechilditem = nullptr;
    std::array<QAction *, 2> codechilditemItems{};
    std::array<QAction *, 6> mnutoolsitem{};
    std::array<QAction *, 4> mnuhelpitem{}; // index 1 is not used and stays null
};

} // namespace bilan
