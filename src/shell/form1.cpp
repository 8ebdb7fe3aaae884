#include "form1.h"

#include "commondialog.h"
#include "inventory.h"
#include "textaccessible.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolBar>

namespace bilan {

namespace {
constexpr int kClientWidth = 11715;
// The designed client area is 7890 high, where the side panel (1200 less)
// ends 90 units into the last row of the vocabulary board, the maker's
// address (6600 to 6780): the window opens just tall enough to show it
// whole. The boards keep their places; the layout rules do the rest.
constexpr int kClientHeight = 6780 + 1200;

template<std::size_t N>
void connectArray(Form1 *window, const std::array<QAction *, N> &items,
                  const std::function<void(int)> &dispatch)
{
    for (QAction *item : items) {
        if (!item)
            continue;
        const int index = item->property("index").toInt();
        QObject::connect(item, &QAction::triggered, window, [dispatch, index] { dispatch(index); });
    }
}
} // namespace

Form1::Form1(const Services &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
{
    setObjectName(QStringLiteral("Form1"));
    installTextAccessibility();
    if (const QScreen *screen = this->screen())
        Twips::setDpi(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());

    buildForm1(*this, m_ui);
    m_ui.CommonDialog1 = new CommonDialog(services.dialogs, this);
    m_ui.CommonDialog1->fontName = QStringLiteral("宋体");
    m_ui.CommonDialog1->fontSize = 9;
    m_ui.client->installEventFilter(this);

    wireMenus();

    m_ui.Timer1->start();
    resize(Twips::toPixelsX(kClientWidth), Twips::toPixelsY(kClientHeight) + menuBar()->sizeHint().height());
}

Form1::~Form1() = default;

void Form1::wireMenus()
{
    const auto item = [this](ItemArray array) {
        return [this, array](int index) {
            if (const auto &handler = m_itemHandlers[std::size_t(array)])
                handler(index);
        };
    };
    connectArray(this, m_ui.mnufileitem, item(ItemArray::FileItem));
    connectArray(this, m_ui.saveasItems, item(ItemArray::SaveAs));
    connectArray(this, m_ui.mnuedititem, item(ItemArray::EditItem));
    connectArray(this, m_ui.mnucodeitem, item(ItemArray::CodeItem));
    connectArray(this, m_ui.codechilditemItems, item(ItemArray::CodeChildItem));
    connectArray(this, m_ui.mnutoolsitem, item(ItemArray::ToolsItem));
    connectArray(this, m_ui.mnuhelpitem, item(ItemArray::HelpItem));

    const auto bar = [this](QAction *action, BarCommand command) {
        connect(action, &QAction::triggered, this, [this, command] {
            if (const auto &handler = m_barHandlers[std::size_t(command)])
                handler();
        });
    };
    bar(m_ui.font, BarCommand::Font);
    bar(m_ui.color, BarCommand::Color);
    bar(m_ui.timer, BarCommand::Timer);

    for (QAction *button : m_ui.toolbarButtons) {
        const QString key = button->objectName();
        connect(button, &QAction::triggered, this, [this, key] {
            if (m_toolbarHandler)
                m_toolbarHandler(key);
        });
    }
}

void Form1::setItemHandler(ItemArray array, std::function<void(int)> handler)
{
    m_itemHandlers[std::size_t(array)] = std::move(handler);
}

void Form1::setBarCommandHandler(BarCommand command, std::function<void()> handler)
{
    m_barHandlers[std::size_t(command)] = std::move(handler);
}

void Form1::setToolbarHandler(std::function<void(const QString &)> handler)
{
    m_toolbarHandler = std::move(handler);
}

void Form1::setCloseHandler(std::function<bool()> handler)
{
    m_closeHandler = std::move(handler);
}

void Form1::layoutClientArea()
{
    layoutForm1(m_ui, m_ui.client->size());
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui.client && event->type() == QEvent::Resize)
        layoutClientArea();
    return QMainWindow::eventFilter(watched, event);
}

void Form1::endProgram()
{
    if (m_ending)
        return;
    m_ending = true;
    // The main window is the program: its other windows go with it.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window != this && window->isVisible())
            window->close();
    }
    close();
    emit programEnded();
    QCoreApplication::quit();
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (m_ending) {
        event->accept();
        return;
    }
    if (m_closeHandler && !m_closeHandler()) {
        event->ignore();
        return;
    }
    event->accept();
    endProgram();
}

} // namespace bilan
