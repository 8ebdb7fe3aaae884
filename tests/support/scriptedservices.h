#pragma once

// Seams for tests: prompts and dialogs answered from a script, with a
// record of everything that was shown.

#include "platform/services.h"

#include <QDir>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <deque>
#include <memory>
#include <optional>
#include <variant>

namespace bilan {
class Form1;
}

namespace bilan::test {

struct ShownMessage
{
    QString text;
    QString title;
    MessageButtons buttons;
    MessageIcon icon;
};

struct ShownInput
{
    QString prompt;
    QString title;
};

class ScriptedPrompts final : public Prompts
{
public:
    // Answers are used in order; with none left, a message box is answered
    // Cancel (No for Yes/No, OK for OK) and an input box with Cancel.
    std::deque<MessageAnswer> answers;
    std::deque<std::optional<QString>> inputs; // nullopt = Cancel
    QList<ShownMessage> messages;
    QList<ShownInput> prompts;

protected:
    MessageAnswer showMessage(QWidget *, const QString &text, MessageButtons buttons, MessageIcon icon,
                              const QString &title) override;
    QString showInput(QWidget *, const QString &prompt, const QString &title) override;
};

enum class DialogKind { Open, Save, Font, Color };

struct ShownDialog
{
    DialogKind kind;
    FileDialogRequest file; // open and save
    FontChoice font;        // font: what the dialog opened on
    QColor color;           // colour: what the dialog opened on
    int flags = 0;
};

// A scripted answer: a file path, a font, a colour, or Cancel.
using DialogAnswer = std::variant<std::monostate, QString, FontChoice, QColor>;
inline const DialogAnswer Cancel{};

class ScriptedDialogs final : public DialogBackend
{
public:
    std::deque<DialogAnswer> answers; // with none left, every dialog is cancelled
    QList<ShownDialog> shown;

    std::optional<FileDialogChoice> openFile(QWidget *, const FileDialogRequest &request) override;
    std::optional<FileDialogChoice> saveFile(QWidget *, const FileDialogRequest &request) override;
    std::optional<FontChoice> chooseFont(QWidget *, const FontChoice &initial, int flags) override;
    std::optional<QColor> chooseColor(QWidget *, const QColor &initial, int flags) override;

private:
    std::optional<FileDialogChoice> file(DialogKind kind, const FileDialogRequest &request);
    DialogAnswer next();
};

// Records what reaches the desktop; keystrokes are delivered for real to
// the focused control, as the program's own desktop does.
class ScriptedDesktop final : public Desktop
{
public:
    struct ShellCall
    {
        QString file;
        QString workingDirectory;
    };
    QList<ShellCall> shellCalls;
    int beeps = 0;
    QList<QKeyCombination> keys;

    void shellOpen(const QString &file, const QString &workingDirectory) override;
    void beep() override;
    void sendKeys(QKeyCombination keys) override;
};

class FixedClock final : public Clock
{
public:
    QDateTime time = QDateTime(QDate(2003, 9, 5), QTime(9, 5, 7));
    QDateTime now() override { return time; }
};

class TempPlaces final : public Places
{
public:
    TempPlaces();
    QTemporaryDir applicationDir;
    QTemporaryDir passwordDir;
    QString applicationFolder() override { return applicationDir.path(); }
    QString passwordFolder() override { return passwordDir.path(); }
};

// A main window built with scripted seams. Restores the working directory
// when it goes.
class Harness
{
public:
    Harness();
    ~Harness();

    ScriptedPrompts prompts;
    ScriptedDialogs dialogs;
    ScriptedDesktop desktop;
    FixedClock clock;
    TempPlaces places;
    Services services() { return Services{&prompts, &desktop, &clock, &places, &dialogs}; }

    Form1 &window() { return *m_window; }

private:
    QString m_workingDirectory;
    std::unique_ptr<Form1> m_window;
};

} // namespace bilan::test
