// The main window as it is built: every control with its designed name,
// kind, container, state, text and place; the stacking of the side panel;
// the layout rules over many client sizes; menus, toolbar, accessibility,
// icon and fonts.

#include "aids/vocabulary.h"
#include "shell/fonts.h"
#include "shell/form1.h"
#include "shell/twips.h"
#include "support/scriptedservices.h"

#include <QAccessible>
#include <QAction>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <memory>

using namespace bilan;

namespace {

// 96 DPI: 15 units of 1/1440 inch to the pixel.
int px(int twips)
{
    return qRound(twips / 15.0);
}

QRect pxRect(const QRect &twips)
{
    return QRect(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height()));
}

const QString kSong = QStringLiteral("宋体");

// The offscreen platform warns at every window it shows that it cannot
// pass size hints on; that says nothing about the window.
QtMessageHandler g_defaultHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(QLatin1String("does not support propagateSizeHints")))
        g_defaultHandler(type, context, message);
}

} // namespace

class TestForm1 final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void inventory_data();
    void inventory();
    void arrays();
    void geometry_data();
    void geometry();
    void vocabularyBoard();
    void captionsFit();
    void stacking_data();
    void stacking();
    void layout_data();
    void layout();
    void menus();
    void toolbar();
    void icon();
    void fontSubstitutes();

private:
    Form1 &window() { return m_harness->window(); }
    QWidget *widget(const QString &name) { return window().findChild<QWidget *>(name); }
    void showWindow();

    std::unique_ptr<test::Harness> m_harness;
};

void TestForm1::initTestCase()
{
    g_defaultHandler = qInstallMessageHandler(quietHandler);
    installFontSubstitutes();
}

void TestForm1::init()
{
    m_harness = std::make_unique<test::Harness>();
    // The designed numbers below are at 96 DPI, which the offscreen screen
    // reports; the window takes its DPI from its screen.
    QVERIFY2(Twips::dpiX() == 96.0 && Twips::dpiY() == 96.0, "the offscreen screen is not at 96 DPI");
}

void TestForm1::cleanup()
{
    m_harness.reset();
}

void TestForm1::showWindow()
{
    window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
}

void TestForm1::inventory_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("container");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QString>("accessibleName"); // for a label or a button, its caption
    QTest::addColumn<double>("points");

    const QString phrase = QStringLiteral("请输入适合您的快捷输入词组");
    const QString board = QStringLiteral("单击可将本板文字贴到您的文稿里");
    const QString client = QStringLiteral("client"), panel = QStringLiteral("Picture1");
    const auto row = [](const char *name, const char *kind, const QString &container, bool shown,
                        const QString &tooltip, const QString &accessibleName, double points = 9) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind) << container << shown << tooltip
                            << accessibleName << points;
    };
    row("Toolbar1", "QToolBar", client, true, {}, QStringLiteral("工具栏"));
    row("RichTextBox1", "QTextEdit", client, true, QStringLiteral("请写您的稿子"), QStringLiteral("文稿"));
    row("Picture1", "QWidget", client, true, {}, QStringLiteral("侧栏"));
    row("RichTextBox2", "QTextEdit", panel, true, QStringLiteral("请打开参考用文本、图片等"), QStringLiteral("参考文本"));
    row("Image1", "QLabel", panel, false, {}, QStringLiteral("参考图片"));
    row("HScroll1", "QScrollBar", panel, false, {}, QStringLiteral("图片水平滚动条"));
    row("VScroll1", "QScrollBar", panel, false, {}, QStringLiteral("图片垂直滚动条"));
    row("TabStrip1", "QTabWidget", panel, false, {}, QStringLiteral("助输定制"), 9.75);
    row("Label2_0", "QLabel", panel, false, {},
        QStringLiteral("220V交流电经变压器降压，VD1～VD4整流，C1滤波，获得+V直流电压。"));
    row("Label2_50", "QLabel", panel, false, {}, QStringLiteral("天线 "));
    row("Label2_63", "QLabel", panel, false, {}, QStringLiteral("VD1～VD4为1N4002"));
    row("Label2_148", "QLabel", panel, false, {}, QStringLiteral("其常闭触点"));
    row("Text1_0", "QPlainTextEdit", panel, false, phrase, QStringLiteral("快捷输入词组1"));
    row("Text1_1", "QPlainTextEdit", panel, false, phrase, QStringLiteral("快捷输入词组2"));
    row("Text1_25", "QPlainTextEdit", client, false, phrase, QStringLiteral("快捷输入词组26"));
    row("Text2_0", "QPlainTextEdit", client, false, board, QStringLiteral("剪贴板1"));
    row("Text2_10", "QPlainTextEdit", client, false, board, QStringLiteral("剪贴板11"));
    row("Command1_0", "QPushButton", client, true, {}, QStringLiteral("，"));
    row("Command1_12", "QPushButton", client, true, {}, QStringLiteral("＋"));
    row("Command1_17", "QPushButton", client, true, {}, QStringLiteral("μF"));
    row("Command1_23", "QPushButton", client, true, {}, QStringLiteral("“”"));
}

void TestForm1::inventory()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, container);
    QFETCH(bool, shown);
    QFETCH(QString, tooltip);
    QFETCH(QString, accessibleName);
    QFETCH(double, points);

    showWindow();
    QWidget *control = widget(name);
    QVERIFY2(control, qPrintable(name));
    QVERIFY(control->inherits(kind.toLatin1()));
    QCOMPARE(control->parentWidget()->objectName(), container);
    QCOMPARE(control->isVisible(), shown);
    QCOMPARE(control->toolTip(), tooltip);
    QCOMPARE(control->font().family(), kSong);
    QCOMPARE(control->font().pointSizeF(), points);
    if (auto *label = qobject_cast<QLabel *>(control); label && name.startsWith(QLatin1String("Label2")))
        QCOMPARE(label->text(), accessibleName);
    if (auto *button = qobject_cast<QPushButton *>(control))
        QCOMPARE(button->text(), accessibleName);
    if (auto *edit = qobject_cast<QTextEdit *>(control))
        QVERIFY(edit->document()->isEmpty());
    if (auto *edit = qobject_cast<QPlainTextEdit *>(control))
        QVERIFY(edit->document()->isEmpty());

    // Assistive technology finds the control by name and reads its tooltip.
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), accessibleName);
    QCOMPARE(accessible->text(QAccessible::Description), tooltip);
}

void TestForm1::arrays()
{
    const Form1Ui &ui = window().ui();
    const auto check = [this](const auto &array, const char *name) {
        for (int i = 0; i < int(array.size()); ++i) {
            QCOMPARE(widget(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i)), array[std::size_t(i)]);
            QCOMPARE(array[std::size_t(i)]->property("index").toInt(), i);
        }
    };
    check(ui.Label2, "Label2");
    check(ui.Text1, "Text1");
    check(ui.Text2, "Text2");
    check(ui.Command1, "Command1");

    QSet<QString> captions;
    for (const QLabel *label : ui.Label2)
        captions.insert(label->text());
    QCOMPARE(captions.size(), 149);
    // The maker's four lines: a field label, a full-width colon, the value.
    for (int i = 94; i <= 97; ++i)
        QVERIFY2(ui.Label2[std::size_t(i)]->text().indexOf(QStringLiteral("：")) > 0, qPrintable(QString::number(i)));
    QVERIFY(ui.Label2[96]->text().endsWith(vocabulary::makerMailAddress()));
    QVERIFY(ui.Label2[0]->wordWrap());
    QVERIFY(!ui.Label2[1]->wordWrap());
    QVERIFY(ui.Label2[7]->autoFillBackground());
    QCOMPARE(ui.Label2[7]->palette().color(QPalette::Window), QColor(Qt::white));

    QCOMPARE(ui.Timer1->objectName(), QStringLiteral("Timer1"));
    QCOMPARE(ui.Timer1->interval(), 800);
    QCOMPARE(ui.TabStrip1->count(), 1);
    QCOMPARE(ui.TabStrip1->tabText(0), QStringLiteral("助输定制"));
    QCOMPARE(ui.HScroll1->minimum(), 0);
    QCOMPARE(ui.VScroll1->minimum(), 0);
    QCOMPARE(ui.HScroll1->orientation(), Qt::Horizontal);
    QCOMPARE(ui.VScroll1->orientation(), Qt::Vertical);
    QCOMPARE(window().windowTitle(), QStringLiteral("笔澜2.5"));
    QCOMPARE(window().font().family(), kSong);
    QCOMPARE(window().font().pointSizeF(), 10.5);
    QCOMPARE(window().focusWidget(), ui.RichTextBox1);

    // With nothing on it, the side panel is white.
    ui.RichTextBox2->hide();
    const QImage surface = ui.Picture1->grab().toImage();
    QCOMPARE(surface.pixelColor(surface.width() / 2, surface.height() / 2), QColor(Qt::white));
}

void TestForm1::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");

    // Designed places of controls that the layout rules never touch.
    const struct { const char *name; QRect twips; } rows[] = {
        {"Image1", {0, 0, 4455, 6855}},       {"TabStrip1", {0, 0, 4695, 7095}},
        {"Text1_0", {0, 480, 2295, 495}},     {"Text1_1", {2250, 480, 2295, 495}},
        {"Text1_2", {120, 1680, 2295, 495}},  {"Text1_21", {2400, 6000, 2295, 495}},
        {"Text1_22", {2400, 6480, 2295, 495}}, {"Text1_23", {120, 6480, 2295, 495}},
        {"Text1_24", {120, 6960, 2295, 495}}, {"Text2_0", {120, 720, 4695, 615}},
        {"Text2_9", {120, 6120, 4695, 615}},  {"Text2_10", {120, 6720, 4695, 735}},
        {"Label2_0", {0, 5160, 3015, 375}},   {"Label2_12", {0, 120, 540, 180}},
        {"Label2_50", {0, 2040, 450, 180}},   {"Label2_58", {0, 5640, 2385, 180}},
        {"Label2_65", {1800, 3720, 2580, 180}}, {"Label2_68", {960, 2280, 435, 180}},
        {"Label2_96", {0, 6360, 2430, 180}},  {"Label2_97", {0, 6600, 3060, 180}},
        {"Label2_147", {4080, 3000, 360, 180}},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << QString::fromLatin1(row.name) << row.twips;

    // The symbol bar, slot by slot, at the top the initial client area gives.
    const int slotOrder[] = {0, 1, 2, 3, 4, 5, 6, 23, 7, 8, 9, 10, 11, 12, 13, 14, 15, 21, 16, 20, 17, 22, 18, 19};
    for (int slot = 0; slot < 24; ++slot) {
        const QString name = QStringLiteral("Command1_%1").arg(slotOrder[slot]);
        QTest::newRow(qPrintable(name)) << name << QRect(120 + 480 * slot, 7490, 500, 320);
    }
}

void TestForm1::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    showWindow();
    QCOMPARE(widget(name)->geometry(), pxRect(twips));
}

void TestForm1::vocabularyBoard()
{
    int wider = 0;
    int worstOverlap = 0;
    for (int i = 0; i < vocabulary::Count; ++i) {
        const QString caption = vocabulary::caption(i);
        const QRect r = vocabulary::geometry(i);
        // 180 per Chinese character, 90 per ASCII one.
        int rule = 0;
        for (const QChar c : caption)
            rule += c.unicode() < 0x80 ? 90 : 180;
        if (i != vocabulary::SentenceLabel) {
            QCOMPARE(r.height(), 180);
            QVERIFY2(r.width() >= rule && r.width() - rule <= 120, qPrintable(caption)); // at most slightly wider
            wider += r.width() > rule;
        }
        QVERIFY2(r.left() >= 0 && r.left() <= 4500 && r.right() < 4695, qPrintable(caption));
        QVERIFY2(r.top() >= 120 && r.top() <= 6780 && (r.top() - 120) % 240 == 0, qPrintable(caption));
        for (int j = 0; j < i; ++j) {
            if (vocabulary::geometry(j).top() == r.top())
                worstOverlap = std::max(worstOverlap, vocabulary::geometry(j).intersected(r).width());
        }
    }
    QCOMPARE(wider, 11);
    // Neighbours in a row never overlap by more than the one designed case (起振 over 停振).
    QCOMPARE(worstOverlap, 75);
    QVERIFY(vocabulary::geometry(-1).isNull());
    QVERIFY(vocabulary::geometry(149).isNull());
    QVERIFY(vocabulary::caption(149).isEmpty());
}

void TestForm1::captionsFit()
{
    if (QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
        QSKIP("no Chinese font installed here");
    // Whatever face stands in for 宋体, no term loses its end.
    for (const QLabel *label : window().ui().Label2) {
        const QFontMetrics metrics(label->font());
        if (label->wordWrap()) {
            const QRect text = metrics.boundingRect(QRect(0, 0, label->width(), 10000), Qt::TextWordWrap, label->text());
            QVERIFY2(text.height() < 3 * metrics.lineSpacing(), qPrintable(label->text()));
        } else {
            QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));
        }
    }
}

void TestForm1::stacking_data()
{
    QTest::addColumn<QStringList>("toggle"); // shown, or hidden with a leading '-'
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("front");

    QTest::newRow("board over panel") << QStringList{"Text2_3"} << "Text2_3" << "Text2_3";
    QTest::newRow("board over phrase box") << QStringList{"Text2_1", "Text1_2"} << "Text1_2" << "Text2_1";
    QTest::newRow("window phrase box over tab strip") << QStringList{"TabStrip1", "Text1_5"} << "Text1_5" << "Text1_5";
    QTest::newRow("panel phrase box over tab strip") << QStringList{"TabStrip1", "Text1_0"} << "Text1_0" << "Text1_0";
    QTest::newRow("tab strip over reference text") << QStringList{"TabStrip1"} << "Label2_40" << "TabStrip1";
    QTest::newRow("tab strip over scroll bar") << QStringList{"TabStrip1", "HScroll1"} << "HScroll1" << "TabStrip1";
    QTest::newRow("scroll bar over reference text") << QStringList{"VScroll1"} << "VScroll1" << "VScroll1";
    QTest::newRow("reference text over labels") << QStringList{"Label2_40"} << "Label2_40" << "RichTextBox2";
    QTest::newRow("reference text over picture") << QStringList{"Image1"} << "Image1" << "RichTextBox2";
    QTest::newRow("labels on the bare panel") << QStringList{"Label2_40", "-RichTextBox2"} << "Label2_40"
                                              << "Label2_40";
    QTest::newRow("board over picture") << QStringList{"Image1", "Text2_0", "-RichTextBox2"} << "Text2_0" << "Text2_0";
}

void TestForm1::stacking()
{
    QFETCH(QStringList, toggle);
    QFETCH(QString, probe);
    QFETCH(QString, front);

    showWindow();
    for (const QString &name : toggle) {
        if (name.startsWith(QLatin1Char('-')))
            widget(name.mid(1))->hide();
        else
            widget(name)->show();
    }
    QWidget *target = widget(probe);
    QWidget *client = window().ui().client;
    QWidget *hit = client->childAt(target->mapTo(client, target->rect().center()));
    QWidget *expected = widget(front);
    QVERIFY2(hit && (hit == expected || expected->isAncestorOf(hit)),
             qPrintable(hit ? hit->objectName() + QLatin1Char('/') + QLatin1String(hit->metaObject()->className())
                            : QStringLiteral("nothing")));
}

void TestForm1::layout_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");

    // Client sizes in units of 1/1440 inch, multiples of 15 so that pixels are exact.
    QTest::newRow("designed") << 11715 << 7890;
    QTest::newRow("larger") << 15000 << 10500;
    QTest::newRow("narrow and tall") << 6000 << 12000;
    QTest::newRow("at the smallest") << 4905 << 1215;
    QTest::newRow("exactly zero") << 4905 << 1200;
    QTest::newRow("below width") << 3000 << 9000;
    QTest::newRow("below height") << 9000 << 600;
    QTest::newRow("tiny") << 15 << 15;
    QTest::newRow("empty") << 0 << 0;
}

void TestForm1::layout()
{
    QFETCH(int, width);
    QFETCH(int, height);

    showWindow();
    const Form1Ui &ui = window().ui();
    // As the window opens: the designed client area below the menu bar.
    QCOMPARE(ui.client->geometry(), QRect(0, window().menuBar()->height(), px(11715), px(7890)));
    QCOMPARE(ui.RichTextBox1->size(), QSize(px(6815), px(6690)));
    QCOMPARE(ui.HScroll1->y(), px(6390));

    // Resizing the client area runs the rules, as the window system does.
    ui.client->resize(px(width), px(height));
    QCOMPARE(ui.client->size(), QSize(px(width), px(height)));
    const int manuscriptWidth = std::max(0, width - 4900);
    const int panelHeight = std::max(0, height - 1200);
    QCOMPARE(ui.RichTextBox1->geometry(), pxRect({4920, 720, manuscriptWidth, panelHeight}));
    QCOMPARE(ui.Picture1->geometry(), pxRect({120, 720, 4695, panelHeight}));
    QCOMPARE(ui.RichTextBox2->geometry(), pxRect({0, 0, 4695, panelHeight}));
    QCOMPARE(ui.VScroll1->geometry(), pxRect({4440, 0, 255, panelHeight}));
    QCOMPARE(ui.HScroll1->geometry(), pxRect({0, panelHeight - 300, 4455, 255}));
    QCOMPARE(ui.Toolbar1->geometry(), QRect(0, 0, px(width), px(615)));
    for (const QPushButton *button : ui.Command1) {
        QCOMPARE(button->y(), px(height - 400));
        QCOMPARE(button->size(), QSize(px(500), px(320)));
    }
    // Nothing else moves.
    QCOMPARE(ui.Text2[10]->geometry(), pxRect({120, 6720, 4695, 735}));
    QCOMPARE(ui.Label2[97]->geometry(), pxRect({0, 6600, 3060, 180}));
    QCOMPARE(ui.TabStrip1->geometry(), pxRect({0, 0, 4695, 7095}));
    QCOMPARE(ui.Command1[23]->x(), px(3480));
    for (const QWidget *child : ui.client->findChildren<QWidget *>())
        QVERIFY2(child->width() >= 0 && child->height() >= 0, qPrintable(child->objectName()));
}

void TestForm1::menus()
{
    const Form1Ui &ui = window().ui();
    QStringList bar;
    for (const QAction *action : window().menuBar()->actions())
        bar.append((action->menu() ? action->menu()->objectName() : action->objectName()) + QLatin1Char(' ')
                   + action->text());
    QCOMPARE(bar, QStringList({"file 文件", "edit 编辑", "font 文本字体", "color 文本颜色", "code 文稿加密", "tools 工具",
                               "timer 定时提醒", "help 帮助"}));
    QVERIFY(!ui.font->menu() && !ui.color->menu() && !ui.timer->menu());

    // Per menu, its items in order as index:caption; '!' marks a disabled item.
    const QList<std::pair<QString, QStringList>> menus = {
        {"file", {"0:新建", "1:打开", "2:保存", "3:另存为", "4:退出"}},
        {"saveas", {"0:rtf文档", "1:txt文档"}},
        {"edit", {"0:撤消", "1:全选", "2:剪切", "3:删除", "4:复制", "5:粘贴"}},
        {"code", {"0:请输入登录密码", "1:入口", "2:更改登录密码!"}},
        {"codechilditem", {"0:文稿加密!", "1:文稿解密!"}},
        {"tools", {"0:统计文稿字数", "1:插入文稿字数统计信息", "2:插入写稿日期和时间信息", "3:插入文稿作者信息",
                   "4:修改文稿作者信息", "5:我要投稿"}},
        {"help", {"0:帮助", "2:给我写信", "3:关于本软件"}},
    };
    const QHash<QString, QString> arrays = {{"file", "mnufileitem"}, {"saveas", "saveas"}, {"edit", "mnuedititem"},
                                            {"code", "mnucodeitem"}, {"codechilditem", "codechilditem"},
                                            {"tools", "mnutoolsitem"}, {"help", "mnuhelpitem"}};
    for (const auto &[menuName, items] : menus) {
        auto *menu = window().findChild<QMenu *>(menuName);
        QVERIFY2(menu, qPrintable(menuName));
        QStringList actual;
        for (const QAction *item : menu->actions()) {
            const int index = item->property("index").toInt();
            QCOMPARE(item->objectName(), QStringLiteral("%1_%2").arg(arrays[menuName]).arg(index));
            actual.append(QStringLiteral("%1:%2%3").arg(index).arg(item->text(), item->isEnabled() ? "" : "!"));
        }
        QCOMPARE(actual, items);
    }
    QCOMPARE(ui.saveas->menuAction(), ui.mnufileitem[3]);
    QCOMPARE(ui.codechilditem->menuAction(), ui.mnucodeitem[1]);
    QVERIFY(!ui.mnuhelpitem[1]);

    // No shortcut anywhere, and no mnemonic that would make one.
    for (const QAction *action : window().findChildren<QAction *>()) {
        QVERIFY2(action->shortcuts().isEmpty(), qPrintable(action->objectName()));
        QVERIFY2(!action->text().contains(QLatin1Char('&')), qPrintable(action->text()));
    }
    for (const QPushButton *button : ui.Command1)
        QVERIFY(button->shortcut().isEmpty());

    // The handlers receive the index the item carries.
    QList<int> indices;
    window().setItemHandler(ItemArray::HelpItem, [&indices](int index) { indices.append(index); });
    for (QAction *item : ui.mnuhelpitem) {
        if (item)
            item->trigger();
    }
    QCOMPARE(indices, QList<int>({0, 2, 3}));

    // Menu items are read out by their captions.
    QAccessibleInterface *tools = QAccessible::queryAccessibleInterface(ui.tools);
    QVERIFY(tools && tools->childCount() == 6);
    QCOMPARE(tools->child(3)->text(QAccessible::Name), QStringLiteral("插入文稿作者信息"));
}

void TestForm1::toolbar()
{
    // number, caption, key, tooltip, in toolbar order
    const QStringList expected = {
        "1 打开 open 打开文本文件",
        "2 保存 save 保存您的稿子",
        "3 复制 copy 将所选文字复制到剪贴板",
        "4 粘贴 palse 将剪贴板文字粘贴在您的稿子里",
        "5 撤消 back 撤消您在写稿时的上一步操作",
        "6 打开图片 image 打开照片、图纸、图象等",
        "7 剪贴板 clipboard 内置可视化超级剪贴板",
        "8 词汇助输 write 方便电子术语输入稿件",
        "9 助输定制 selfdo 定制适合您的快捷输入词组",
        "10 保存定制 enter 保存对“助输定制”所作的修改",
        "11 回文本窗 stop 回到文本窗口",
    };
    const Form1Ui &ui = window().ui();
    QVERIFY(!ui.Toolbar1->isMovable());
    QCOMPARE(ui.Toolbar1->toolButtonStyle(), Qt::ToolButtonTextOnly);
    const QList<QAction *> actions = ui.Toolbar1->actions();
    QCOMPARE(actions.size(), expected.size());
    QString clicked;
    window().setToolbarHandler([&clicked](const QString &key) { clicked = key; });
    for (int i = 0; i < actions.size(); ++i) {
        QAction *action = actions[i];
        QCOMPARE(ui.toolbarButtons[std::size_t(i)], action);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(i + 1).arg(action->text(), action->objectName(), action->toolTip()),
                 expected[i]);
        // Only 保存定制 waits for the quick-phrase mode.
        QCOMPARE(action->isEnabled(), action->objectName() != QLatin1String("enter"));
        QWidget *button = ui.Toolbar1->widgetForAction(action);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(button);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), action->text());
        QCOMPARE(accessible->text(QAccessible::Description), action->toolTip());
        action->setEnabled(true);
        action->trigger();
        QCOMPARE(clicked, action->objectName());
    }
}

void TestForm1::icon()
{
    const QIcon icon = window().windowIcon();
    for (const int size : {16, 32}) {
        QVERIFY(icon.availableSizes().contains(QSize(size, size)));
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        int opaque = 0;
        QSet<QRgb> colours;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                opaque += qAlpha(image.pixel(x, y)) == 255;
                colours.insert(image.pixel(x, y));
            }
        }
        // A drawing in a few colours, not an empty or a filled square.
        QVERIFY(opaque > size * size / 4 && opaque < size * size);
        QVERIFY(colours.size() >= 4 && colours.size() <= 16);
    }
}

void TestForm1::fontSubstitutes()
{
    QCOMPARE(QFont(kSong).family(), kSong);
    if (QFontDatabase::families().contains(kSong))
        QSKIP("宋体 is installed here");
    if (QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
        QSKIP("no Chinese font installed here");
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const char *name : {"宋体", "黑体", "楷体", "仿宋", "SimSun", "微软雅黑"}) {
        const QStringList substitutes = QFont::substitutes(QString::fromUtf8(name));
        QVERIFY2(!substitutes.isEmpty(), name);
        // Qt keeps the table in lower case.
        for (const QString &face : substitutes)
            QVERIFY2(QFontDatabase::families().contains(face, Qt::CaseInsensitive), qPrintable(face));
        QVERIFY2(chinese.contains(QFontInfo(QFont(QString::fromUtf8(name))).family()), name);
    }
    // The manuscript is drawn in the first substitute, not in a Latin face.
    const QFontInfo manuscript(window().ui().RichTextBox1->font());
    QCOMPARE(manuscript.family().toLower(), QFont::substitutes(kSong).first().toLower());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
