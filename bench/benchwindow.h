#pragma once

// The editor's real main window, driven by a benchmark: its open dialog
// answers with one file and notes when it did, every other dialog is
// cancelled, and every message box is counted (none is expected).

#include "platform/services.h"

#include <QTemporaryDir>

#include <memory>
#include <optional>

class QTextEdit;

namespace bilan {
class Form1;
}

namespace bench {

class FrameClock;

class BenchPrompts final : public bilan::Prompts
{
public:
    int shown = 0;
    QString last;

protected:
    bilan::MessageAnswer showMessage(QWidget *, const QString &text, bilan::MessageButtons, bilan::MessageIcon,
                                     const QString &) override;
    QString showInput(QWidget *, const QString &, const QString &, bilan::InputEcho) override { return {}; }
};

class BenchDialogs final : public bilan::DialogBackend
{
public:
    QString file;
    qint64 confirmedAt = -1; // FrameClock time of the last confirmed open dialog

    std::optional<bilan::FileDialogChoice> openFile(QWidget *, const bilan::FileDialogRequest &) override;
    std::optional<bilan::FileDialogChoice> saveFile(QWidget *, const bilan::FileDialogRequest &) override
    {
        return std::nullopt;
    }
    std::optional<bilan::FontChoice> chooseFont(QWidget *, const bilan::FontChoice &, int) override
    {
        return std::nullopt;
    }
    std::optional<QColor> chooseColor(QWidget *, const QColor &, int) override { return std::nullopt; }
};

class BenchDesktop final : public bilan::Desktop
{
public:
    void shellOpen(const QString &, const QString &) override {}
    void beep() override {}
    void sendKeys(QKeyCombination keys) override { bilan::postKeystroke(keys); }
};

class BenchClock final : public bilan::Clock
{
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }
};

class BenchPlaces final : public bilan::Places
{
public:
    QTemporaryDir folder;
    bool keepCopies = false;
    QString applicationFolder() override { return folder.path(); }
    QString userFolder() override { return folder.path(); }
    QString recoveryFolder() override { return keepCopies ? folder.filePath(QStringLiteral("recovery")) : QString(); }
};

// Times of one Open, in FrameClock nanoseconds.
struct OpenTimes
{
    qint64 confirmed = 0; // the dialog returned the file
    qint64 loaded = 0;    // the command returned: the manuscript holds the document
    qint64 painted = 0;   // the first frame showing it was complete
};

class BenchWindow final
{
public:
    // With keepCopies the window keeps its recovery copy, as the program does.
    explicit BenchWindow(const QString &file, bool keepCopies = false);
    ~BenchWindow();

    bilan::Form1 &form() { return *m_window; }
    QTextEdit &manuscript();

    // Shows the window and waits for its first frame.
    bool show(FrameClock &clock);
    // File → 打开, confirmed with the file, and its first frame; a message
    // on the way (a failed load) is an error.
    std::optional<OpenTimes> open(FrameClock &clock);
    // Ends the window without its close prompt, as the program's end does.
    void end();

private:
    BenchPrompts m_prompts;
    BenchDialogs m_dialogs;
    BenchDesktop m_desktop;
    BenchClock m_clock;
    BenchPlaces m_places;
    std::unique_ptr<bilan::Form1> m_window;
};

} // namespace bench
