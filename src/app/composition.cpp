#include "composition.h"

#include "aids/toolbardispatch.h"
#include "help/helpmenu.h"
#include "reminder/reminder.h"
#include "shell/editcommands.h"
#include "shell/filecommands.h"
#include "shell/form1.h"

namespace bilan {

namespace {

// The file and editing commands: the File and Edit menus, the font and
// colour commands, the close prompt, and toolbar buttons 1 to 5.
void installShell(Form1 &window, ToolbarDispatch &toolbar)
{
    auto *files = new FileCommands(window);
    auto *edits = new EditCommands(window);

    window.setItemHandler(ItemArray::FileItem, [files](int index) { files->onFileItem(index); });
    window.setItemHandler(ItemArray::SaveAs, [files](int index) { files->onSaveAs(index); });
    window.setItemHandler(ItemArray::EditItem, [edits](int index) { edits->onEditItem(index); });
    window.setBarCommandHandler(BarCommand::Font, [edits] { edits->font(); });
    window.setBarCommandHandler(BarCommand::Color, [edits] { edits->color(); });
    window.setCloseHandler([files] { return files->closePrompt(); });

    toolbar.setAction(ToolbarKey::Open, [files] { files->open(); });
    toolbar.setAction(ToolbarKey::Save, [files] { files->toolbarSave(); });
    toolbar.setAction(ToolbarKey::Copy, [edits] { edits->copy(); });
    toolbar.setAction(ToolbarKey::Palse, [edits] { edits->paste(); });
    toolbar.setAction(ToolbarKey::Back, [edits] { edits->undo(); });
}

// The "定时提醒" command and its dialog.
void installReminder(Form1 &window, ToolbarDispatch &)
{
    auto *reminder = new Reminder(window);
    window.setBarCommandHandler(BarCommand::Timer, [reminder] { reminder->show(); });
}

// The Help menu.
void installHelp(Form1 &window, ToolbarDispatch &)
{
    auto *help = new HelpMenu(window);
    window.setItemHandler(ItemArray::HelpItem, [help](int index) { help->onHelpItem(index); });
}

} // namespace

std::unique_ptr<Form1> createMainWindow(const Services &services)
{
    auto window = std::make_unique<Form1>(services);
    auto *toolbar = new ToolbarDispatch(window.get());
    window->setToolbarHandler([toolbar](const QString &key) { toolbar->onButton(key); });

    installShell(*window, *toolbar);
    installReminder(*window, *toolbar);
    installHelp(*window, *toolbar);
    return window;
}

} // namespace bilan
