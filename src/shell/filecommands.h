#pragma once

#include "text/manuscriptio.h"

#include <QObject>

#include <optional>

class QTextEdit;

namespace bilan {

class Form1;

// The File menu, the toolbar's open and save buttons and the save of the
// close prompt: new, open, save, save as RTF or text, exit.
class FileCommands final : public QObject
{
    Q_OBJECT
public:
    enum FileItem { New = 0, Open = 1, Save = 2, SaveAsMenu = 3, Exit = 4 };
    enum SaveAsItem { SaveAsRtf = 0, SaveAsText = 1 };

    explicit FileCommands(Form1 &window);

    void onFileItem(int index);
    void onSaveAs(int index);

    void newManuscript();
    void open();
    void menuSave();
    void toolbarSave();
    void saveAs(manuscript::Format format);
    void exit();

    // Asks before the main window closes; true when it may close, which a
    // Yes whose save was cancelled or failed does not allow.
    bool closePrompt();

signals:
    // A save wrote the manuscript to a file.
    void manuscriptSaved();
    // The manuscript holds a document that has not changed since it was
    // begun or opened (after New, after Open into the manuscript).
    void manuscriptReplaced();

private:
    // The dialog properties one command sets; the others keep their values.
    struct SaveSettings
    {
        QString title;
        QString filter;
        std::optional<int> flags; // none: the flags the dialog last had
        bool clearFileName = false;
    };
    enum class SaveResult { Saved, Cancelled, Failed };

    // Asks whether to save first and saves on Yes; false when the save was
    // wanted and then cancelled in its dialog or failed: the author who
    // said Yes keeps the manuscript either way.
    bool offerToSave(const QString &question);
    SaveResult saveStep(const SaveSettings &settings, manuscript::Format format);
    bool loadInto(QTextEdit *target, const QString &path);
    void reportFailure(const QString &message);

    Form1 &m_window;
};

} // namespace bilan
