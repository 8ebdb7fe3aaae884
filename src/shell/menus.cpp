#include "menus.h"

#include "elements.h"
#include "toolbarbuttons.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QWidget>

#include <initializer_list>

namespace bilan {

namespace {

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
    for (const ToolbarButtonDesign &design : ToolbarButtons) {
        const QString tooltip = QString::fromUtf16(design.tooltip);
        QAction *action = ui.Toolbar1->addAction(QString::fromUtf16(design.caption));
        action->setObjectName(QLatin1String(design.keyText));
        action->setToolTip(tooltip);
        if (QWidget *button = ui.Toolbar1->widgetForAction(action))
            button->setAccessibleDescription(tooltip);
        ui.toolbarButtons[std::size_t(design.key)] = action;
    }
    // The phrase boxes are empty until the quick-phrase mode loads them;
    // saving before that would overwrite the phrase file with nothing.
    ui.toolbarButtons[std::size_t(ToolbarKey::Enter)]->setEnabled(false);
}

} // namespace bilan
