#include "composition.h"

#include "aids/clipboardboards.h"
#include "aids/quickphrases.h"
#include "aids/toolbardispatch.h"
#include "shell/clicks.h"
#include "shell/editcommands.h"
#include "shell/filecommands.h"
#include "shell/form1.h"

#include <QPlainTextEdit>
#include <QTimer>

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

// The quick-input phrase boxes with the save of "保存定制", and the
// clipboard boards with their watcher on the window's timer. The phrase
// load belongs to the quick-phrase mode, which calls QuickPhrases::load.
void installPhrasesAndBoards(Form1 &window, ToolbarDispatch &toolbar)
{
    auto *phrases = new QuickPhrases(window);
    auto *boards = new ClipboardBoards(window);
    const Form1Ui &ui = window.ui();

    for (int i = 0; i < QuickPhrases::Count; ++i)
        onClick(ui.Text1[std::size_t(i)], [phrases, i] { phrases->onBoxClick(i); });
    for (int i = 0; i < ClipboardBoards::Count; ++i)
        onClick(ui.Text2[std::size_t(i)], [boards, i] { boards->onBoardClick(i); });
    toolbar.setAction(ToolbarKey::Enter, [phrases] { phrases->save(); });
    QObject::connect(ui.Timer1, &QTimer::timeout, boards, &ClipboardBoards::tick);
}

} // namespace

std::unique_ptr<Form1> createMainWindow(const Services &services)
{
    auto window = std::make_unique<Form1>(services);
    auto *toolbar = new ToolbarDispatch(window.get());
    window->setToolbarHandler([toolbar](const QString &key) { toolbar->onButton(key); });

    installShell(*window, *toolbar);
    installPhrasesAndBoards(*window, *toolbar);
    return window;
}

} // namespace bilan
