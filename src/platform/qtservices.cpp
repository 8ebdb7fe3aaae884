// The real seams: Qt's message boxes, input boxes and common dialogs, the
// desktop's open verb, the system beep, the clock, the program's folders,
// the clipboard and timers.
#include "services.h"
#include "filefilter.h"
#include "fontdialog.h"
#include "qtdialogs.h"
#include "wlclipboard.h"
#include "xselection.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

// Qt's X platform takes its time for the clipboard from here (Debian:
// qt6-base-private-dev); the public interface has no way to set it.
#include <qpa/qplatformnativeinterface.h>

// Where the installed program's data folder lies, relative to the folder
// of the executable; the build sets it from the install layout.
#ifndef BILAN_DATA_FROM_PROGRAM
#define BILAN_DATA_FROM_PROGRAM "../share/bilan"
#endif

namespace bilan {
namespace {

// A question with only Yes and No has no third answer. Qt would take Esc
// and the window's close box for No, which in New and Exit means "do not
// save" and loses the manuscript; here they do nothing.
class QuestionBox final : public QMessageBox
{
public:
    QuestionBox(QWidget *parent, bool mustAnswer)
        : QMessageBox(parent)
        , m_mustAnswer(mustAnswer)
    {
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (m_mustAnswer && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

    void closeEvent(QCloseEvent *event) override
    {
        if (m_mustAnswer) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }

private:
    bool m_mustAnswer;
};

class QtPrompts final : public Prompts
{
protected:
    MessageAnswer showMessage(QWidget *parent, const QString &text, MessageButtons buttons,
                              MessageIcon icon, const QString &title) override
    {
        QuestionBox box(parent, buttons == MessageButtons::YesNo);
        box.setWindowTitle(title);
        box.setText(text);
        switch (icon) {
        case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
        case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
        }
        switch (buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case MessageButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MessageButtons::YesNoLater:
            // A Cancel nobody sees, for Esc and the close box to press.
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            box.button(QMessageBox::Cancel)->hide();
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Yes: return MessageAnswer::Yes;
        case QMessageBox::No: return MessageAnswer::No;
        case QMessageBox::Ok: return MessageAnswer::Ok;
        default: return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
        }
    }

    QString showInput(QWidget *parent, const QString &prompt, const QString &title, InputEcho echo) override
    {
        bool ok = false;
        const QLineEdit::EchoMode mode = echo == InputEcho::Masked ? QLineEdit::Password : QLineEdit::Normal;
        const QString text = QInputDialog::getText(parent, title, prompt, mode, {}, &ok);
        return ok ? text : QString();
    }
};

// Whether the desktop names a program for files of this type. Unknown
// (nothing) where the desktop has no xdg-mime to ask.
std::optional<bool> hasAssociation(const QString &path)
{
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return std::nullopt;
    const QString type = QMimeDatabase().mimeTypeForFile(path).name();
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return std::nullopt;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

// A help file opens in a viewer of its kind even where the desktop knows
// no program for it (a viewer installed without its desktop entry, or no
// xdg-open at all); for any other file the desktop's word stands.
bool openInKnownViewer(const QString &path, const QString &workingDirectory)
{
    if (!path.endsWith(QLatin1String(".chm"), Qt::CaseInsensitive))
        return false;
    for (const char *viewer : {"xchm", "kchmviewer"}) {
        const QString program = QStandardPaths::findExecutable(QLatin1String(viewer));
        if (!program.isEmpty() && QProcess::startDetached(program, {path}, workingDirectory))
            return true;
    }
    return false;
}

class QtDesktop final : public Desktop
{
public:
    void shellOpen(const QString &file, const QString &workingDirectory) override
    {
        if (file.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) {
            QDesktopServices::openUrl(QUrl(file));
            return;
        }
        const QString path = QDir(workingDirectory).absoluteFilePath(file);
        const QUrl url = QUrl::fromLocalFile(path);
        if (hasAssociation(path) == false && openInKnownViewer(path, workingDirectory))
            return;
        if (!QDesktopServices::openUrl(url))
            openInKnownViewer(path, workingDirectory);
    }

    void beep() override { QApplication::beep(); }

    void sendKeys(QKeyCombination keys) override { postKeystroke(keys); }
};

class QtClock final : public Clock
{
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }
};

class QtPlaces final : public Places
{
public:
    QString applicationFolder() override
    {
        // In a build tree the files the program ships with lie beside the
        // executable; installed, they are in its data folder.
        const QDir program(QCoreApplication::applicationDirPath());
        for (const char *shipped : {"badcode.txt", "笔澜2.5.chm"}) {
            if (program.exists(QString::fromUtf8(shipped)))
                return program.path();
        }
        const QString data = QDir::cleanPath(program.filePath(QStringLiteral(BILAN_DATA_FROM_PROGRAM)));
        return QFileInfo(data).isDir() ? data : program.path();
    }
    QString userFolder() override
    {
        // The user's own files belong in the user's configuration folder:
        // an installed program's folder is not writable, and there is no
        // system folder of the old kind here.
        return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    }
    QString recoveryFolder() override
    {
        // The author may want no copies of unsaved work on the disk.
        if (qEnvironmentVariableIntValue("BILAN_NO_RECOVERY") != 0)
            return {};
        // The state folder of the XDG base directories, which Qt 6.4 does
        // not know yet: $XDG_STATE_HOME when it is an absolute path.
        QString state = qEnvironmentVariable("XDG_STATE_HOME");
        if (!QDir::isAbsolutePath(state))
            state = QDir::home().filePath(QStringLiteral(".local/state"));
        return QDir(state).filePath(QStringLiteral("bilan/recovery"));
    }
};

// The system clipboard. Qt holds what this program puts there and serves it
// to other programs; everything else goes by the X server's answer over a
// connection of our own with short deadlines (XSelection): whether this
// program owns the clipboard (Qt's own belief can be wrong), reading a text
// that another program owns, and emptying. Elsewhere (the offscreen platform
// of the tests) Qt's clipboard is in the process and answers at once.
class QtClipboard final : public Clipboard
{
public:
    std::optional<QString> text() override
    {
        XSelection *x = XSelection::shared();
        if (!x)
            return QGuiApplication::clipboard()->text();
        const std::optional<XSelection::Owner> owner = x->owner();
        if (!owner)
            return std::nullopt;
        if (*owner == XSelection::Owner::Program) {
            x->noteProgramRead();
            return QGuiApplication::clipboard()->text();
        }
        return x->text();
    }

    bool setText(const QString &text) override
    {
        XSelection *x = XSelection::shared();
        if (!x) {
            QGuiApplication::clipboard()->setText(text);
            return true;
        }
        // Qt takes the clipboard stamped with the time of the last event it
        // handled, and the server ignores a claim older than the current
        // owner's: brought up to the server's time first, the claim holds
        // whoever copied last. Only the server can say whether it did.
        for (int attempt = 0; attempt < 2; ++attempt) {
            bringQtToServerTime();
            QGuiApplication::clipboard()->setText(text);
            if (x->owner() == XSelection::Owner::Program)
                return true;
        }
        return false;
    }

    bool clear() override
    {
        // Qt would not give up a copy taken in the same millisecond as the
        // emptying; told first, it forgets it whatever the time.
        if (XSelection *x = XSelection::shared(); x && x->owner() == XSelection::Owner::Program)
            QGuiApplication::clipboard()->clear();
        return empty(&XSelection::clear);
    }
    bool clearIfUnchanged() override { return empty(&XSelection::clearIfUnchanged); }

private:
    static void bringQtToServerTime()
    {
        QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
        QScreen *screen = QGuiApplication::primaryScreen();
        if (!native || !screen)
            return;
        // The xcb platform hands its functions out under a common type; this
        // one takes the screen and the time.
        using SetAppTime = void (*)(QScreen *, quint32);
        const auto setAppTime = reinterpret_cast<SetAppTime>(
            reinterpret_cast<void (*)()>(native->nativeResourceFunctionForScreen("setapptime")));
        const auto now = quint32(
            reinterpret_cast<quintptr>(native->nativeResourceForScreen("gettimestamp", screen)));
        if (setAppTime && now != 0)
            setAppTime(screen, now);
    }

    // Empties the clipboard one way or the other over X; Qt lets go of its
    // own copy when it hears that the clipboard was taken from it.
    static bool empty(bool (XSelection::*how)())
    {
        XSelection *x = XSelection::shared();
        if (!x) {
            QGuiApplication::clipboard()->clear();
            return true;
        }
        return (x->*how)();
    }
};

class QtTicker final : public Ticker
{
public:
    QtTicker(int intervalMs, std::function<void()> onTick)
    {
        m_timer.setInterval(intervalMs);
        // Qt never fires a timer again while its own timeout is still being
        // handled. Queued, the tick runs after the timer event is over, so
        // a tick that opens a message box leaves the timer free to go on
        // ticking while the box waits.
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, std::move(onTick), Qt::QueuedConnection);
    }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    int interval() const override { return m_timer.interval(); }

private:
    QTimer m_timer;
};

class QtTimers final : public Timers
{
public:
    std::unique_ptr<Ticker> create(int intervalMs, std::function<void()> onTick) override
    {
        return std::make_unique<QtTicker>(intervalMs, std::move(onTick));
    }
};

} // namespace

void configureFileDialog(QFileDialog &dialog, const FileDialogRequest &request, QFileDialog::AcceptMode mode)
{
    dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite,
                     mode != QFileDialog::AcceptSave || !request.confirmOverwrite);
    QStringList names;
    for (const FileFilter &filter : request.filters)
        names << qtNameFilter(filter);
    if (!names.isEmpty()) {
        // The combo box shows each description exactly as given; the
        // pattern Qt filters by rides along behind it, hidden.
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(names);
        const int index = std::clamp(request.filterIndex, 1, int(names.size()));
        dialog.selectNameFilter(names.at(index - 1));
    }
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
}

int selectedFilterIndex(const QFileDialog &dialog, const FileDialogRequest &request)
{
    // With the details hidden, Qt reports the filter by its description.
    const QString selected = dialog.selectedNameFilter();
    for (qsizetype i = 0; i < request.filters.size(); ++i) {
        const FileFilter &filter = request.filters.at(i);
        if (selected == filter.description || selected == qtNameFilter(filter))
            return int(i) + 1;
    }
    return request.filterIndex;
}

namespace {

class QtDialogs final : public DialogBackend
{
public:
    std::optional<FileDialogChoice> openFile(QWidget *parent, const FileDialogRequest &request) override
    {
        return run(parent, request, QFileDialog::AcceptOpen);
    }
    std::optional<FileDialogChoice> saveFile(QWidget *parent, const FileDialogRequest &request) override
    {
        return run(parent, request, QFileDialog::AcceptSave);
    }

    std::optional<FontChoice> chooseFont(QWidget *parent, const FontChoice &initial, int) override
    {
        return chooseFontWithQt(parent, initial);
    }

    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial, int) override
    {
        const QColor color = QColorDialog::getColor(initial, parent);
        if (!color.isValid())
            return std::nullopt;
        return color;
    }

private:
    std::optional<FileDialogChoice> run(QWidget *parent, const FileDialogRequest &request,
                                        QFileDialog::AcceptMode mode)
    {
        QFileDialog dialog(parent);
        configureFileDialog(dialog, request, mode);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        FileDialogChoice choice;
        choice.fileName = dialog.selectedFiles().constFirst();
        choice.filterIndex = selectedFilterIndex(dialog, request);
        return choice;
    }
};

} // namespace

void postKeystroke(QKeyCombination keys)
{
    QWidget *target = QApplication::focusWidget();
    if (!target)
        return;
    // Posted, not sent: the command returns before the control acts on the keys.
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, keys.key(), keys.keyboardModifiers()));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, keys.key(), keys.keyboardModifiers()));
}

Services qtServices()
{
    static QtPrompts prompts;
    static QtDesktop desktop;
    static QtClock clock;
    static QtPlaces places;
    static QtDialogs dialogs;
    static QtClipboard clipboard;
    static QtTimers timers;
    // On a Wayland desktop whose compositor lets a program manage the
    // clipboard, the seam is a Wayland connection of our own: XWayland
    // shows an X program the session's clipboard only while one of its
    // windows has the focus. Elsewhere it is the toolkit's, read over X.
    Clipboard *session = WaylandClipboard::shared();
    return Services{&prompts, &desktop, &clock, &places, &dialogs, session ? session : &clipboard, &timers};
}

} // namespace bilan
