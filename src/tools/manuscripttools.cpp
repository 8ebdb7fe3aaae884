#include "manuscripttools.h"

#include "shell/caret.h"
#include "shell/form1.h"
#include "stamps.h"
#include "text/documenttext.h"

#include <QTextEdit>

#include <algorithm>

namespace bilan {

ManuscriptTools::ManuscriptTools(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("ManuscriptTools"));
}

void ManuscriptTools::onToolsItem(int index)
{
    switch (index) {
    case ShowCount: showCount(); break;
    case InsertCount: insertCount(); break;
    case InsertDateTime: insertDateTime(); break;
    case InsertAuthor: insertAuthor(); break;
    case ModifyAuthor: modifyAuthor(); break;
    case Submit: submit(); break;
    default: break;
    }
}

CharacterCount ManuscriptTools::countManuscript() const
{
    // The whole manuscript as its plain text is saved, one line feed per
    // paragraph break, whatever is selected and wherever the focus is.
    return CharacterCount::of(documentText(*m_window.ui().RichTextBox1->document()));
}

void ManuscriptTools::insertIntoManuscript(const QString &text)
{
    insertAtCaret(m_window.ui().RichTextBox1, text);
}

void ManuscriptTools::showCount()
{
    m_window.services().prompts->message(&m_window, countManuscript().report(), MessageButtons::Ok,
                                         MessageIcon::None, QStringLiteral("文稿字数统计"));
}

void ManuscriptTools::insertCount()
{
    // Counted before the insertion, so a selection that the figures
    // replace is still in them.
    insertIntoManuscript(countManuscript().stamp());
}

void ManuscriptTools::insertDateTime()
{
    insertIntoManuscript(stamps::dateTime(m_window.services().clock->now()));
}

AuthorFile ManuscriptTools::authorFile() const
{
    return AuthorFile(m_window.services().places->userFolder());
}

AuthorRecord ManuscriptTools::askAuthor(const QString &title)
{
    AuthorRecord record;
    for (std::size_t i = 0; i < AuthorFieldCount; ++i) {
        const QString typed = m_window.services().prompts->input(&m_window, authorFields()[i].prompt, title);
        record[i] = authorFieldFromInput(typed);
    }
    return record;
}

void ManuscriptTools::report(const QString &error)
{
    m_window.services().prompts->message(&m_window, error, MessageButtons::Ok, MessageIcon::Warning);
}

namespace {

// Seven empty answers are seven cancelled questions, not a record: kept,
// they would stop the questions for good.
bool isEmpty(const AuthorRecord &record)
{
    return std::all_of(record.cbegin(), record.cend(), [](const QString &field) { return field.isEmpty(); });
}

} // namespace

bool ManuscriptTools::keep(const AuthorFile &file, const AuthorRecord &record)
{
    const QString error = file.write(record);
    if (!error.isEmpty())
        report(error);
    return error.isEmpty();
}

AuthorRecord ManuscriptTools::firstTimeEntry(const AuthorFile &file)
{
    const AuthorRecord record = askAuthor(QStringLiteral("个人信息首次输入"));
    if (!isEmpty(record))
        keep(file, record);
    return record;
}

void ManuscriptTools::insertAuthor()
{
    const AuthorFile file = authorFile();
    AuthorReading reading = file.read();
    // The answers go into the manuscript even when they could not be kept,
    // so nothing the author typed is lost; an unreadable file still gives
    // the block its labels, once the user knows why they stand empty.
    if (reading.missing)
        reading.record = firstTimeEntry(file);
    else if (!reading.error.isEmpty())
        report(reading.error);
    insertIntoManuscript(stamps::authorBlock(reading.record));
}

void ManuscriptTools::modifyAuthor()
{
    const AuthorFile file = authorFile();
    if (!file.exists()) {
        firstTimeEntry(file);
        return;
    }
    // The old record stays in place until the new one is written whole,
    // and for good when every question was left empty.
    const AuthorRecord record = askAuthor(QStringLiteral("个人信息修改"));
    if (!isEmpty(record) && keep(file, record))
        m_window.services().prompts->message(&m_window, QStringLiteral("个人信息己修改、保存！"),
                                             MessageButtons::Ok);
}

void ManuscriptTools::submit()
{
    const Services &services = m_window.services();
    services.desktop->shellOpen(QStringLiteral("Mailto:"), services.places->applicationFolder());
}

} // namespace bilan
