#pragma once

// Seams for tests: prompts and dialogs answered from a script, with a
// record of everything that was shown.

#include "platform/services.h"
#include "shell/toolbarbuttons.h"

#include <QDir>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

class QTextEdit;

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
    // The text, then whatever a plain box would not have: " [title]" for a
    // title other than the program's, " [Yes/No]" or " [Yes/No/Cancel]",
    // " [warning]" or another icon's name.
    QString summary() const;
};

struct ShownInput
{
    QString prompt;
    QString title;
    InputEcho echo = InputEcho::Normal;
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
    // Runs while each message box is open, as timers that fall due meanwhile would.
    std::function<void()> whileOpen;

    // The summaries of the message boxes shown since the last call.
    QStringList takeMessages();
    // The last message box's summary; empty when none was shown.
    QString last() const { return messages.isEmpty() ? QString() : messages.last().summary(); }

protected:
    MessageAnswer showMessage(QWidget *, const QString &text, MessageButtons buttons, MessageIcon icon,
                              const QString &title) override;
    QString showInput(QWidget *, const QString &prompt, const QString &title, InputEcho echo) override;
};

enum class DialogKind { Open, Save, Font, Color };

struct ShownDialog
{
    DialogKind kind;
    FileDialogRequest file; // open and save
    FontChoice font;        // font: what the dialog opened on
    int flags = 0;
};

// A scripted answer: a file path, a font, a colour, or Cancel.
using DialogAnswer = std::variant<std::monostate, QString, FontChoice, QColor>;

class ScriptedDialogs final : public DialogBackend
{
public:
    std::deque<DialogAnswer> answers; // with none left, every dialog is cancelled
    QList<ShownDialog> shown;

    std::optional<FileDialogChoice> openFile(QWidget *, const FileDialogRequest &request) override
    {
        return file(DialogKind::Open, request);
    }
    std::optional<FileDialogChoice> saveFile(QWidget *, const FileDialogRequest &request) override
    {
        return file(DialogKind::Save, request);
    }
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

    void shellOpen(const QString &file, const QString &workingDirectory) override
    {
        shellCalls.append(ShellCall{file, workingDirectory});
    }
    void beep() override { ++beeps; }
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
    QTemporaryDir applicationDir;
    QTemporaryDir userDir;
    QString applicationFolder() override { return applicationDir.path(); }
    QString userFolder() override { return userDir.path(); }
    // No copies of the manuscript unless a test names a folder.
    QString recovery;
    QString recoveryFolder() override { return recovery; }
};

// A clipboard in memory that a test can make fail, call by call.
class ScriptedClipboard final : public Clipboard
{
public:
    QString content;
    bool readFails = false;
    bool writeFails = false;
    bool clearFails = false;
    int writes = 0;
    int clears = 0;

    // What text() last returned; a test that changes content behind it
    // plays another program copying.
    std::optional<QString> lastRead;

    std::optional<QString> text() override;
    bool setText(const QString &text) override;
    bool clear() override;
    bool clearIfUnchanged() override;
};

// Timers that tick only when a test says so.
class ManualTicker final : public Ticker
{
public:
    ManualTicker(int intervalMs, std::function<void()> onTick)
        : m_interval(intervalMs)
        , m_onTick(std::move(onTick))
    {
    }
    void start() override { m_active = true; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    int interval() const override { return m_interval; }
    // One interval passes: the timer ticks if it is running.
    void elapse()
    {
        if (m_active && m_onTick)
            m_onTick();
    }

private:
    int m_interval;
    std::function<void()> m_onTick;
    bool m_active = false;
};

class ManualTimers final : public Timers
{
public:
    std::unique_ptr<Ticker> create(int intervalMs, std::function<void()> onTick) override
    {
        auto ticker = std::make_unique<ManualTicker>(intervalMs, std::move(onTick));
        made.append(ticker.get());
        return ticker;
    }
    // The last timer made with that interval, for a test to tick by hand.
    ManualTicker *withInterval(int intervalMs) const
    {
        for (auto it = made.crbegin(); it != made.crend(); ++it)
            if ((*it)->interval() == intervalMs)
                return *it;
        return nullptr;
    }

private:
    QList<ManualTicker *> made;
};

// A main window with all its subsystems, built with scripted seams.
// Restores the working directory when it goes.
class Harness
{
public:
    // The window uses the given clipboard, or the scripted one, and keeps
    // its recovery copies in recoveryFolder (none when empty).
    explicit Harness(Clipboard *realClipboard = nullptr, const QString &recoveryFolder = {});
    ~Harness();

    ScriptedPrompts prompts;
    ScriptedDialogs dialogs;
    ScriptedDesktop desktop;
    FixedClock clock;
    TempPlaces places;
    ScriptedClipboard clipboard;
    ManualTimers timers;
    Services services() { return Services{&prompts, &desktop, &clock, &places, &dialogs, m_clipboard, &timers}; }

    Form1 &window() { return *m_window; }
    // Shows the window and waits until it is active, as the author finds it.
    bool show();
    void press(ToolbarKey key);

private:
    Clipboard *m_clipboard;
    QString m_workingDirectory;
    std::unique_ptr<Form1> m_window;
};

// Selects length characters from start, the caret at the end.
void select(QTextEdit *edit, int start, int length);

// The offscreen platform warns at every window it shows that it cannot pass
// size hints on; that says nothing about the window, so it is dropped.
void ignoreSizeHintWarnings();

} // namespace bilan::test
