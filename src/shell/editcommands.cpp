#include "editcommands.h"

#include "form1.h"

namespace bilan {

EditCommands::EditCommands(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
}

void EditCommands::onEditItem(int) {}
void EditCommands::undo() {}
void EditCommands::selectAll() {}
void EditCommands::cut() {}
void EditCommands::deleteKey() {}
void EditCommands::copy() {}
void EditCommands::paste() {}
void EditCommands::font() {}
void EditCommands::color() {}

} // namespace bilan
