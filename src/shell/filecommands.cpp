#include "filecommands.h"

#include "form1.h"

namespace bilan {

struct FileCommands::SaveSettings
{
};

FileCommands::FileCommands(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
}

void FileCommands::onFileItem(int) {}
void FileCommands::onSaveAs(int) {}
void FileCommands::newManuscript() {}
void FileCommands::open() {}
void FileCommands::menuSave() {}
void FileCommands::toolbarSave() {}
void FileCommands::saveAs(manuscript::Format) {}
void FileCommands::exit() {}
bool FileCommands::closePrompt() { return true; }
bool FileCommands::saveStep(const SaveSettings &, manuscript::Format) { return true; }
bool FileCommands::loadInto(QTextEdit *, const QString &) { return true; }

} // namespace bilan
