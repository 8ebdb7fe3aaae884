#include "menus.h"

#include "aids/toolbardispatch.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QWidget>

#include <initializer_list>

namespace bilan {

namespace {

QString elementName(const char *array, int index)
{
    return QLatin1String(array) + QLatin1Char('_') + QString::number(index);
}

// Marks an action as element `index` of an item array: the window's
// handlers find the index in the "index" property.
QAction *asElement(QAction *action, const char *array, int index)
{
    action->setObjectName(elementName(array, index));
    action->setProperty("index", index);
    return action;
}

QMenu *addMenu(QMenuBar *bar, const char *name, const QString &caption)
{
    QMenu *menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QAction *addCommand(QMenuBar *bar, const char *name, const QString &caption)
{
    QAction *action = bar->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

template<std::size_t N>
void addItems(QMenu *menu, const char *array, std::array<QAction *, N> &items,
              std::initializer_list<QString> captions)
{
    int index = 0;
    for (const QString &caption : captions) {
        items[std::size_t(index)] = asElement(menu->addAction(caption), array, index);
        ++index;
    }
}

// An item that opens a submenu: the submenu's own action is the element.
QMenu *addSubmenu(QMenu *menu, const char *array, int index, const QString &caption, const char *submenuName)
{
    QMenu *submenu = menu->addMenu(caption);
    submenu->setObjectName(QLatin1String(submenuName));
    asElement(submenu->menuAction(), array, index);
    return submenu;
}

struct ToolbarButton
{
    ToolbarKey key;
    const char16_t *caption;
    const char16_t *tooltip;
};

constexpr ToolbarButton kToolbarButtons[] = {
    {ToolbarKey::Open, u"打开", u"打开文本文件"},
    {ToolbarKey::Save, u"保存", u"保存您的稿子"},
    {ToolbarKey::Copy, u"复制", u"将所选文字复制到剪贴板"},
    {ToolbarKey::Palse, u"粘贴", u"将剪贴板文字粘贴在您的稿子里"},
    {ToolbarKey::Back, u"撤消", u"撤消您在写稿时的上一步操作"},
    {ToolbarKey::Image, u"打开图片", u"打开照片、图纸、图象等"},
    {ToolbarKey::Clipboard, u"剪贴板", u"内置可视化超级剪贴板"},
    {ToolbarKey::Write, u"词汇助输", u"方便电子术语输入稿件"},
    {ToolbarKey::Selfdo, u"助输定制", u"定制适合您的快捷输入词组"},
    {ToolbarKey::Enter, u"保存定制", u"保存对“助输定制”所作的修改"},
    {ToolbarKey::Stop, u"回文本窗", u"回到文本窗口"},
};

} // namespace

void buildMenus(QMainWindow &window, Form1Ui &ui)
{
    QMenuBar *bar = window.menuBar();

    ui.file = addMenu(bar, "file", QStringLiteral("文件"));
    addItems(ui.file, "mnufileitem", ui.mnufileitem,
             {QStringLiteral("新建"), QStringLiteral("打开"), QStringLiteral("保存")});
    ui.saveas = addSubmenu(ui.file, "mnufileitem", 3, QStringLiteral("另存为"), "saveas");
    ui.mnufileitem[3] = ui.saveas->menuAction();
    addItems(ui.saveas, "saveas", ui.saveasItems, {QStringLiteral("rtf文档"), QStringLiteral("txt文档")});
    ui.mnufileitem[4] = asElement(ui.file->addAction(QStringLiteral("退出")), "mnufileitem", 4);

    ui.edit = addMenu(bar, "edit", QStringLiteral("编辑"));
    addItems(ui.edit, "mnuedititem", ui.mnuedititem,
             {QStringLiteral("撤消"), QStringLiteral("全选"), QStringLiteral("剪切"), QStringLiteral("删除"),
              QStringLiteral("复制"), QStringLiteral("粘贴")});

    ui.font = addCommand(bar, "font", QStringLiteral("文本字体"));
    ui.color = addCommand(bar, "color", QStringLiteral("文本颜色"));

    ui.code = addMenu(bar, "code", QStringLiteral("文稿加密"));
    ui.mnucodeitem[0] = asElement(ui.code->addAction(QStringLiteral("请输入登录密码")), "mnucodeitem", 0);
    ui.codechilditem = addSubmenu(ui.code, "mnucodeitem", 1, QStringLiteral("入口"), "codechilditem");
    ui.mnucodeitem[1] = ui.codechilditem->menuAction();
    addItems(ui.codechilditem, "codechilditem", ui.codechilditemItems,
             {QStringLiteral("文稿加密"), QStringLiteral("文稿解密")});
    ui.mnucodeitem[2] = asElement(ui.code->addAction(QStringLiteral("更改登录密码")), "mnucodeitem", 2);
    // Encrypting, decrypting and changing the password wait for a login.
    for (QAction *item : ui.codechilditemItems)
        item->setEnabled(false);
    ui.mnucodeitem[2]->setEnabled(false);

    ui.tools = addMenu(bar, "tools", QStringLiteral("工具"));
    addItems(ui.tools, "mnutoolsitem", ui.mnutoolsitem,
             {QStringLiteral("统计文稿字数"), QStringLiteral("插入文稿字数统计信息"),
              QStringLiteral("插入写稿日期和时间信息"), QStringLiteral("插入文稿作者信息"),
              QStringLiteral("修改文稿作者信息"), QStringLiteral("我要投稿")});

    ui.timer = addCommand(bar, "timer", QStringLiteral("定时提醒"));

    // Help item 1 was dropped long ago; the others keep their indices.
    ui.help = addMenu(bar, "help", QStringLiteral("帮助"));
    ui.mnuhelpitem[0] = asElement(ui.help->addAction(QStringLiteral("帮助")), "mnuhelpitem", 0);
    ui.mnuhelpitem[2] = asElement(ui.help->addAction(QStringLiteral("给我写信")), "mnuhelpitem", 2);
    ui.mnuhelpitem[3] = asElement(ui.help->addAction(QStringLiteral("关于本软件")), "mnuhelpitem", 3);
}

void buildToolbarButtons(Form1Ui &ui)
{
    std::size_t number = 0;
    for (const ToolbarButton &entry : kToolbarButtons) {
        const QString tooltip = QString::fromUtf16(entry.tooltip);
        QAction *action = ui.Toolbar1->addAction(QString::fromUtf16(entry.caption));
        action->setObjectName(toolbarKeyText(entry.key));
        action->setToolTip(tooltip);
        if (QWidget *button = ui.Toolbar1->widgetForAction(action))
            button->setAccessibleDescription(tooltip);
        ui.toolbarButtons[number++] = action;
    }
    // The phrase boxes are empty until the quick-phrase mode loads them;
    // saving before that would overwrite the phrase file with nothing.
    ui.toolbarButtons[std::size_t(ToolbarKey::Enter)]->setEnabled(false);
}

} // namespace bilan
