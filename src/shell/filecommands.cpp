#include "filecommands.h"

#include "commondialog.h"
#include "form1.h"

#include <QTextDocument>
#include <QTextEdit>

namespace bilan {

namespace {

const QString kFilterRtfList = QStringLiteral("rtf文件(*.rtf)|*.rtf|");
const QString kFilterRtf = QStringLiteral("rtf文件(*.rtf)|*.rtf");
const QString kFilterText = QStringLiteral("txt文件(*.txt)|*.txt");
const QString kFilterOpen = QStringLiteral("所有文件(*.*)|*.*|text文件(*.txt)|*.txt|rtf文件(*.rtf)|*.rtf|");

const QString kTitleSave = QStringLiteral("保存");
const QString kTitleSaveAs = QStringLiteral("另存为");
const QString kTitleOpen = QStringLiteral("打开");
const QString kTitleConfirm = QStringLiteral("请确认");

const QString kAskBeforeNew = QStringLiteral("等...等，保存您正在写的稿子吗？可别后悔哟~0~");
const QString kAskBeforeExit = QStringLiteral("等...等，退出前保存您写好的稿子吗？可别后悔哟~0~");
const QString kAskBeforeClose = QStringLiteral("要保存文稿吗？");
const QString kTitleBeforeClose = QStringLiteral("退出前确认");

const QString kWindowTitlePrefix = QStringLiteral("笔澜2.5 --");
const QString kWindowTitleNew = QStringLiteral("笔澜2.5 --新建空白文档");

// Puts a freshly loaded document into the edit. The edit does not own
// documents it is given, so the one it showed before goes unless it is the
// edit's built-in document, which its control owns.
void replaceDocument(QTextEdit *edit, QTextDocument *document)
{
    QTextDocument *previous = edit->document();
    // Asked before the swap: the edit's control deletes its built-in
    // document itself as soon as it is given another.
    const bool ours = previous->parent() == edit;
    edit->setDocument(document);
    if (ours)
        delete previous;
}

} // namespace

FileCommands::FileCommands(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
}

void FileCommands::onFileItem(int index)
{
    switch (index) {
    case New: newManuscript(); break;
    case Open: open(); break;
    case Save: menuSave(); break;
    case Exit: exit(); break;
    default: break; // 另存为 only opens its submenu
    }
}

void FileCommands::onSaveAs(int index)
{
    switch (index) {
    case SaveAsRtf: saveAs(manuscript::Format::Rtf); break;
    case SaveAsText: saveAs(manuscript::Format::PlainText); break;
    default: break;
    }
}

void FileCommands::newManuscript()
{
    // A manuscript that was not saved after all is kept rather than emptied.
    if (!offerToSave(kAskBeforeNew))
        return;
    m_window.ui().RichTextBox1->clear();
    m_window.setWindowTitle(kWindowTitleNew);
    emit manuscriptReplaced();
}

void FileCommands::open()
{
    WindowFlags &flags = m_window.flags();
    flags.mayEncrypt = true;
    flags.mayDecrypt = true;

    const bool toReference = flags.referenceSelected;
    QTextEdit *target = toReference ? m_window.ui().RichTextBox2 : m_window.ui().RichTextBox1;

    CommonDialog &dialog = m_window.commonDialog();
    dialog.fileName.clear();
    // Loading the (now empty) file name before the dialog opens is a
    // no-op here: the target keeps what it shows.
    dialog.dialogTitle = kTitleOpen;
    dialog.filter = kFilterOpen;
    dialog.filterIndex = 1;
    dialog.flags = DialogFlag::HideReadOnly;
    if (!dialog.showOpen())
        return;
    if (!loadInto(target, dialog.fileName))
        return;
    if (toReference) {
        flags.referenceSelected = false;
    } else {
        m_window.setWindowTitle(kWindowTitlePrefix + dialog.fileName);
        emit manuscriptReplaced();
    }
}

void FileCommands::menuSave()
{
    saveStep(SaveSettings{kTitleSave, kFilterRtfList, std::nullopt, true}, manuscript::Format::Rtf);
}

void FileCommands::toolbarSave()
{
    saveStep(SaveSettings{kTitleSave, kFilterRtf, std::nullopt, true}, manuscript::Format::Rtf);
}

void FileCommands::saveAs(manuscript::Format format)
{
    const QString &filter = format == manuscript::Format::Rtf ? kFilterRtf : kFilterText;
    saveStep(SaveSettings{kTitleSaveAs, filter, DialogFlag::HideReadOnly, false}, format);
}

void FileCommands::exit()
{
    // The program stays with the manuscript when it was not saved after all.
    if (!offerToSave(kAskBeforeExit))
        return;
    m_window.endProgram();
}

bool FileCommands::offerToSave(const QString &question)
{
    const MessageAnswer answer = m_window.services().prompts->message(
        &m_window, question, MessageButtons::YesNo, MessageIcon::None, kTitleConfirm);
    if (answer != MessageAnswer::Yes)
        return true;
    const SaveSettings settings{kTitleSave, kFilterRtfList, DialogFlag::HideReadOnly, false};
    return saveStep(settings, manuscript::Format::Rtf) == SaveResult::Saved;
}

bool FileCommands::closePrompt()
{
    const MessageAnswer answer = m_window.services().prompts->message(
        &m_window, kAskBeforeClose, MessageButtons::YesNoCancel, MessageIcon::None, kTitleBeforeClose);
    switch (answer) {
    case MessageAnswer::Yes: {
        const SaveSettings settings{kTitleSaveAs, kFilterRtf, DialogFlag::HideReadOnly, false};
        return saveStep(settings, manuscript::Format::Rtf) == SaveResult::Saved;
    }
    case MessageAnswer::No:
        m_window.endProgram();
        return true;
    default:
        return false;
    }
}

FileCommands::SaveResult FileCommands::saveStep(const SaveSettings &settings, manuscript::Format format)
{
    CommonDialog &dialog = m_window.commonDialog();
    if (settings.clearFileName)
        dialog.fileName.clear();
    dialog.dialogTitle = settings.title;
    dialog.filter = settings.filter;
    dialog.filterIndex = 1;
    if (settings.flags)
        dialog.flags = *settings.flags;
    if (!dialog.showSave())
        return SaveResult::Cancelled;
    const manuscript::Outcome outcome =
        manuscript::save(dialog.fileName, *m_window.ui().RichTextBox1->document(), format);
    if (!outcome.ok()) {
        reportFailure(outcome.error);
        return SaveResult::Failed;
    }
    emit manuscriptSaved();
    return SaveResult::Saved;
}

bool FileCommands::loadInto(QTextEdit *target, const QString &path)
{
    // Loaded into a document of its own first: a file that cannot be read
    // leaves what the target shows untouched.
    auto *document = new QTextDocument(target);
    document->setDefaultFont(target->document()->defaultFont());
    document->setDocumentMargin(target->document()->documentMargin());
    const manuscript::Outcome outcome = manuscript::load(path, *document);
    if (!outcome.ok()) {
        delete document;
        reportFailure(outcome.error);
        return false;
    }
    replaceDocument(target, document);
    return true;
}

void FileCommands::reportFailure(const QString &message)
{
    m_window.services().prompts->message(&m_window, message, MessageButtons::Ok, MessageIcon::Warning);
}

} // namespace bilan
