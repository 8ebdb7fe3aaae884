#pragma once

#include "form1ui.h"
#include "platform/services.h"

#include <QMainWindow>

#include <functional>

namespace bilan {

// Flags the main window holds for its whole life; all false at start-up.
struct WindowFlags
{
    bool referenceSelected = false;
    bool mayEncrypt = false;
    bool mayDecrypt = false;
    bool watchClipboard = false;
};

// The menu item arrays; each has one handler that receives the item's index.
enum class ItemArray {
    FileItem,      // mnufileitem
    SaveAs,        // saveas
    EditItem,      // mnuedititem
    CodeItem,      // mnucodeitem
    CodeChildItem, // codechilditem
    ToolsItem,     // mnutoolsitem
    HelpItem,      // mnuhelpitem
};
inline constexpr std::size_t ItemArrayCount = std::size_t(ItemArray::HelpItem) + 1;

// Commands on the menu bar itself.
enum class BarCommand { Font, Color, Timer };
inline constexpr std::size_t BarCommandCount = std::size_t(BarCommand::Timer) + 1;

// The main window. It creates the controls in their designed state and
// routes every menu, menu-bar, toolbar and close event to the one handler
// registered for it; the handlers live with their subsystems, which the
// composition step (app/composition) creates and registers.
class Form1 final : public QMainWindow
{
    Q_OBJECT
public:
    explicit Form1(const Services &services, QWidget *parent = nullptr);
    ~Form1() override;

    const Form1Ui &ui() const { return m_ui; }
    WindowFlags &flags() { return m_flags; }
    const WindowFlags &flags() const { return m_flags; }
    const Services &services() const { return m_services; }
    CommonDialog &commonDialog() const { return *m_ui.CommonDialog1; }

    void setItemHandler(ItemArray array, std::function<void(int)> handler);
    void setBarCommandHandler(BarCommand command, std::function<void()> handler);
    void setToolbarHandler(std::function<void(const QString &key)> handler);
    // Asked when a close of the window is requested, from any source;
    // returns true when the window may close. Without one it closes.
    void setCloseHandler(std::function<bool()> handler);

    // Ends the program at once: every window closes and no close prompt runs.
    void endProgram();
    bool isEnding() const { return m_ending; }

    // Runs the layout rules for the client area's current size.
    void layoutClientArea();

signals:
    void programEnded();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void wireMenus();

    Services m_services;
    Form1Ui m_ui;
    WindowFlags m_flags;
    bool m_ending = false;

    std::array<std::function<void(int)>, ItemArrayCount> m_itemHandlers;
    std::array<std::function<void()>, BarCommandCount> m_barHandlers;
    std::function<void(const QString &)> m_toolbarHandler;
    std::function<bool()> m_closeHandler;
};

} // namespace bilan
