#pragma once

#include <QObject>

namespace bilan {

class Form1;

// The Edit menu, the toolbar's copy, paste and undo buttons and the
// menu-bar commands for the font and colour of the selection.
class EditCommands final : public QObject
{
    Q_OBJECT
public:
    enum EditItem { Undo = 0, SelectAll = 1, Cut = 2, Delete = 3, Copy = 4, Paste = 5 };

    explicit EditCommands(Form1 &window);

    void onEditItem(int index);

    void undo();
    void selectAll();
    void cut();
    void deleteKey();
    void copy();
    void paste();
    void font();
    void color();

private:
    Form1 &m_window;
};

} // namespace bilan
