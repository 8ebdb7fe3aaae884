#pragma once

#include <QColor>
#include <QDateTime>
#include <QKeyCombination>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace bilan {

// The title every message box and input box carries when it has none of its own.
inline const QString &applicationTitle()
{
    static const QString title = QStringLiteral("笔澜2.5");
    return title;
}

// YesNoLater shows Yes and No only; Esc and the close box put the question
// off and answer Cancel.
enum class MessageButtons { Ok, YesNo, YesNoCancel, YesNoLater };
enum class MessageIcon { None, Information, Question, Warning, Critical };
enum class MessageAnswer { Ok, Yes, No, Cancel };
// How an input box's field shows what is typed: as typed, or masked for a secret.
enum class InputEcho { Normal, Masked };

// Message boxes and input boxes. Every question the program asks goes
// through here, so that tests can answer it and check what was shown.
class Prompts
{
public:
    virtual ~Prompts() = default;

    // An empty title stands for the application title.
    MessageAnswer message(QWidget *parent, const QString &text, MessageButtons buttons,
                          MessageIcon icon = MessageIcon::None, const QString &title = {});
    // OK returns the typed text; Cancel returns the empty text.
    QString input(QWidget *parent, const QString &prompt, const QString &title = {});
    // The same for a password, typed into a masked field.
    QString password(QWidget *parent, const QString &prompt, const QString &title = {});

protected:
    virtual MessageAnswer showMessage(QWidget *parent, const QString &text, MessageButtons buttons,
                                      MessageIcon icon, const QString &title) = 0;
    virtual QString showInput(QWidget *parent, const QString &prompt, const QString &title, InputEcho echo) = 0;
};

// What the program asks of the desktop outside its own windows.
class Desktop
{
public:
    virtual ~Desktop() = default;
    // The shell's "open" verb on a file or a mailto: link; the result is not examined.
    virtual void shellOpen(const QString &file, const QString &workingDirectory) = 0;
    virtual void beep() = 0;
    // Sends one keystroke to the control that has the keyboard focus and
    // returns at once, without waiting for the control to handle it.
    virtual void sendKeys(QKeyCombination keys) = 0;
};

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() = 0;
};

// Where the program's own files live.
class Places
{
public:
    virtual ~Places() = default;
    // The folder of the files that ship with the program (the exempt-character
    // file, the help file): its data folder when installed, the executable's
    // folder in a build tree.
    virtual QString applicationFolder() = 0;
    // The folder of the user's own files (login password, author details),
    // which only the user may enter.
    virtual QString userFolder() = 0;
    // The folder of the copies kept of unsaved manuscripts; empty when no
    // copies are to be kept.
    virtual QString recoveryFolder() { return {}; }
};

// The system clipboard, plain text only. Another program may hold the
// clipboard or never answer; each call then fails, and a failure is never
// fatal to the program.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    // The clipboard's plain text, the empty text when it holds none; nothing
    // when it could not be read.
    virtual std::optional<QString> text() = 0;
    // Replaces whatever the clipboard held with the text.
    virtual bool setText(const QString &text) = 0;
    // Empties the clipboard entirely, every format.
    virtual bool clear() = 0;
    // Empties the clipboard only while it still holds the copy that text()
    // last read: a copy that another program made since then stays. True
    // when the copy read is no longer on the clipboard.
    virtual bool clearIfUnchanged() = 0;
};

// A periodic timer on the user-interface thread.
class Ticker
{
public:
    virtual ~Ticker() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual int interval() const = 0;
};

class Timers
{
public:
    virtual ~Timers() = default;
    // A stopped timer that calls onTick every intervalMs once started.
    virtual std::unique_ptr<Ticker> create(int intervalMs, std::function<void()> onTick) = 0;
};

// One entry of a file dialog's filter: "rtf文件(*.rtf)" with pattern "*.rtf".
struct FileFilter
{
    QString description;
    QString pattern;
    friend bool operator==(const FileFilter &, const FileFilter &) = default;
};

// Option flags of the shared dialog, with the values its callers use.
namespace DialogFlag {
inline constexpr int OverwritePrompt = 0x2;
inline constexpr int HideReadOnly = 0x4;
inline constexpr int FontBoth = 0x3; // screen and printer fonts
} // namespace DialogFlag

struct FileDialogRequest
{
    QString title;
    QList<FileFilter> filters;
    int filterIndex = 1; // 1-based, as the shared dialog counts
    int flags = 0;
    QString fileName;
    // A save that would replace an existing file asks first, in the
    // toolkit's own question; No there returns to the dialog. Whatever the
    // flags say: the remembered name may be any earlier file, a picture too.
    bool confirmOverwrite = false;
};

struct FileDialogChoice
{
    QString fileName; // absolute path
    int filterIndex = 1;
};

struct FontChoice
{
    QString name;
    double size = 9;
    bool bold = false;
    bool italic = false;
    bool strikethrough = false;
    bool underline = false;
    friend bool operator==(const FontChoice &, const FontChoice &) = default;
};

// The toolkit side of the shared dialog: each call shows one modal dialog
// and returns nothing when the user cancels it.
class DialogBackend
{
public:
    virtual ~DialogBackend() = default;
    virtual std::optional<FileDialogChoice> openFile(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual std::optional<FileDialogChoice> saveFile(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual std::optional<FontChoice> chooseFont(QWidget *parent, const FontChoice &initial, int flags) = 0;
    virtual std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial, int flags) = 0;
};

// The seams a main window is built with. None is owned.
struct Services
{
    Prompts *prompts = nullptr;
    Desktop *desktop = nullptr;
    Clock *clock = nullptr;
    Places *places = nullptr;
    DialogBackend *dialogs = nullptr;
    Clipboard *clipboard = nullptr;
    Timers *timers = nullptr;
};

// The real implementations, backed by Qt's dialogs and the desktop.
Services qtServices();

// What the real desktop does for sendKeys: posts a press and a release to
// the control with the keyboard focus.
void postKeystroke(QKeyCombination keys);

} // namespace bilan
