#pragma once

#include "authorfile.h"
#include "charactercount.h"

#include <QObject>

namespace bilan {

class Form1;

// The Tools menu: the character count shown or inserted, the date-and-time
// and author stamps, the author's details entered anew, and a new mail
// message for submitting the manuscript. The stamps and the count always
// go to the manuscript, never to the reference text area.
class ManuscriptTools final : public QObject
{
    Q_OBJECT
public:
    enum ToolsItem {
        ShowCount = 0,
        InsertCount = 1,
        InsertDateTime = 2,
        InsertAuthor = 3,
        ModifyAuthor = 4,
        Submit = 5,
    };

    explicit ManuscriptTools(Form1 &window);

    void onToolsItem(int index);

    void showCount();
    void insertCount();
    void insertDateTime();
    void insertAuthor();
    void modifyAuthor();
    void submit();

private:
    CharacterCount countManuscript() const;
    void insertIntoManuscript(const QString &text);
    AuthorFile authorFile() const;
    // The seven questions, each in its own input box with the title; a
    // cancelled one gives an empty field and the questions go on.
    AuthorRecord askAuthor(const QString &title);
    // Asks for the details the first time and keeps them in the file.
    AuthorRecord firstTimeEntry(const AuthorFile &file);
    // Writes the record; a failure is told to the user. True when written.
    bool keep(const AuthorFile &file, const AuthorRecord &record);
    void report(const QString &error);

    Form1 &m_window;
};

} // namespace bilan
