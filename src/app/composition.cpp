#include "composition.h"

#include "aids/clipboardboards.h"
#include "aids/panelmodes.h"
#include "aids/quickphrases.h"
#include "aids/symbolbar.h"
#include "aids/toolbardispatch.h"
#include "aids/vocabulary.h"
#include "help/helpmenu.h"
#include "protect/ciphercommands.h"
#include "protect/logincommands.h"
#include "recovery/recoverycopy.h"
#include "recovery/recoveryoffer.h"
#include "reminder/reminder.h"
#include "shell/clicks.h"
#include "shell/editcommands.h"
#include "shell/filecommands.h"
#include "shell/form1.h"
#include "tools/manuscripttools.h"
#include "viewer/referenceviewer.h"

#include <QPlainTextEdit>
#include <QTimer>

namespace bilan {

namespace {

// The file and editing commands: the File and Edit menus, the font and
// colour commands, the close prompt, and toolbar buttons 1 to 5.
FileCommands *installShell(Form1 &window, ToolbarDispatch &toolbar)
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
    return files;
}

// The copy of an unsaved manuscript, kept while it changes and removed by
// every deliberate end of it, and the offer of the copies that programs
// which were killed left behind.
void installRecovery(Form1 &window, FileCommands &files)
{
    const QString folder = window.services().places->recoveryFolder();
    if (folder.isEmpty())
        return;
    auto *keeper = new RecoveryCopy(*window.ui().RichTextBox1, folder, window.services(), &window);
    QObject::connect(&files, &FileCommands::manuscriptSaved, keeper, &RecoveryCopy::saved);
    QObject::connect(&files, &FileCommands::manuscriptReplaced, keeper, &RecoveryCopy::startOver);
    QObject::connect(&window, &Form1::programEnded, keeper, &RecoveryCopy::end);
    new RecoveryOffer(window, *keeper, folder);
}

// The quick-input phrase boxes with the save of "保存定制" and the load
// that ends the quick-phrase mode, and the clipboard boards with their
// watcher on the window's timer.
void installPhrasesAndBoards(Form1 &window, ToolbarDispatch &toolbar, PanelModes &modes)
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
    modes.setPhraseLoader([phrases] { phrases->load(); });
}

// The side panel's modes on the toolbar, the symbol bar and the term
// labels. The quick-phrase mode ends by loading the phrase file and the
// picture mode by the picture load; both hooks are set by their owners.
PanelModes *installPanel(Form1 &window, ToolbarDispatch &toolbar)
{
    auto *modes = new PanelModes(window);
    new SymbolBar(window);
    new VocabularyBoard(window);

    using Mode = PanelModes::Mode;
    toolbar.setAction(ToolbarKey::Image, [modes] { modes->switchTo(Mode::Picture); });
    toolbar.setAction(ToolbarKey::Stop, [modes] { modes->switchTo(Mode::ReferenceText); });
    toolbar.setAction(ToolbarKey::Write, [modes] { modes->switchTo(Mode::Vocabulary); });
    toolbar.setAction(ToolbarKey::Selfdo, [modes] { modes->switchTo(Mode::QuickPhrase); });
    toolbar.setAction(ToolbarKey::Clipboard, [modes] { modes->switchTo(Mode::Clipboard); });
    return modes;
}

// The reference picture with its scroll bars, and the reference text
// area's click; the picture load ends the picture mode.
void installViewer(Form1 &window, PanelModes &modes)
{
    auto *viewer = new ReferenceViewer(window);
    modes.setPictureLoader([viewer] { viewer->loadPicture(); });
}

// The Tools menu: character count, stamps, author details, submission mail.
void installTools(Form1 &window)
{
    auto *tools = new ManuscriptTools(window);
    window.setItemHandler(ItemArray::ToolsItem, [tools](int index) { tools->onToolsItem(index); });
}

// Protection: the login password and the manuscript cipher (文稿加密).
void installProtection(Form1 &window)
{
    auto *login = new LoginCommands(window);
    auto *cipher = new CipherCommands(window);

    window.setItemHandler(ItemArray::CodeItem, [login](int index) { login->onCodeItem(index); });
    window.setItemHandler(ItemArray::CodeChildItem, [cipher](int index) { cipher->onCodeChildItem(index); });
}

// The "定时提醒" command and its dialog.
void installReminder(Form1 &window)
{
    auto *reminder = new Reminder(window);
    window.setBarCommandHandler(BarCommand::Timer, [reminder] { reminder->show(); });
}

// The Help menu.
void installHelp(Form1 &window)
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

    FileCommands *files = installShell(*window, *toolbar);
    installRecovery(*window, *files);
    PanelModes *modes = installPanel(*window, *toolbar);
    installViewer(*window, *modes);
    installPhrasesAndBoards(*window, *toolbar, *modes);
    installTools(*window);
    installProtection(*window);
    installReminder(*window);
    installHelp(*window);
    return window;
}

} // namespace bilan
