#include "commondialog.h"

#include "platform/filefilter.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

namespace bilan {

CommonDialog::CommonDialog(DialogBackend *backend, QWidget *owner)
    : QObject(owner)
    , m_backend(backend)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("CommonDialog1"));
}

bool CommonDialog::showOpen()
{
    return showFile(false);
}

bool CommonDialog::showSave()
{
    return showFile(true);
}

bool CommonDialog::showFile(bool save)
{
    FileDialogRequest request;
    request.title = dialogTitle;
    request.filters = parseFileFilter(filter);
    request.filterIndex = filterIndex;
    request.flags = flags;
    request.fileName = fileName;
    request.confirmOverwrite = save;
    const std::optional<FileDialogChoice> choice =
        save ? m_backend->saveFile(m_owner, request) : m_backend->openFile(m_owner, request);
    if (!choice || choice->fileName.isEmpty())
        return false;
    fileName = QDir::toNativeSeparators(QFileInfo(choice->fileName).absoluteFilePath());
    filterIndex = choice->filterIndex;
    // The dialog is not told to keep the working directory: bare file names
    // used later (the phrase file) follow the folder chosen here.
    QDir::setCurrent(QFileInfo(choice->fileName).absolutePath());
    return true;
}

FontChoice CommonDialog::font() const
{
    return FontChoice{fontName, fontSize, fontBold, fontItalic, fontStrikethru, fontUnderline};
}

void CommonDialog::setFont(const FontChoice &font)
{
    fontName = font.name;
    fontSize = font.size;
    fontBold = font.bold;
    fontItalic = font.italic;
    fontStrikethru = font.strikethrough;
    fontUnderline = font.underline;
}

bool CommonDialog::showFont()
{
    const std::optional<FontChoice> choice = m_backend->chooseFont(m_owner, font(), flags);
    if (!choice)
        return false;
    setFont(*choice);
    return true;
}

bool CommonDialog::showColor()
{
    const std::optional<QColor> choice = m_backend->chooseColor(m_owner, color, flags);
    if (!choice)
        return false;
    color = *choice;
    return true;
}

} // namespace bilan
