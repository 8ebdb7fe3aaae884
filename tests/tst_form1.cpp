// The main window as it is built: every control with its designed name,
// kind, container, state, text and place; the stacking of the side panel;
// the layout rules over many client sizes; menus, toolbar, accessibility,
// icon and fonts.

#include "aids/vocabulary.h"
#include "shell/fonts.h"
#include "shell/form1.h"
#include "shell/twips.h"
#include "support/scriptedservices.h"

#include <QTest>
#include <QtWidgets>

using namespace bilan;

namespace {

// 96 DPI: 15 units of 1/1440 inch to the pixel.
int px(int twips) { return qRound(twips / 15.0); }
QRect pxRect(const QRect &t) { return QRect(px(t.x()), px(t.y()), px(t.width()), px(t.height())); }
const QString kSong = QStringLiteral("宋体");
QString fontOf(const QWidget *w) { return w->font().family() + ' ' + QString::number(w->font().pointSizeF()); }

// What assistive technology reads out for a control: its name, then its description.
QString readOut(QObject *object)
{
    const QAccessibleInterface *a = QAccessible::queryAccessibleInterface(object);
    return a ? a->text(QAccessible::Name) + " | " + a->text(QAccessible::Description) : QStringLiteral("nothing");
}

// The symbol buttons by slot, left to right.
const std::size_t kBySlot[] = {0, 1, 2, 3, 4, 5, 6, 23, 7, 8, 9, 10, 11, 12, 13, 14, 15, 21, 16, 20, 17, 22, 18, 19};

// A control of the inventory, named by its row's tag; for a term label or a
// symbol button, the accessible name is also the caption.
struct Control { const char *kind, *container; bool shown; const char *tooltip, *name; double points = 9; };

// Designed places of controls that the layout rules never move.
const std::pair<const char *, QRect> kFixed[] = {
    {"Image1", {0, 0, 4455, 6855}}, {"TabStrip1", {0, 0, 4695, 7095}}, {"Text1_0", {0, 480, 2295, 495}},
    {"Text1_1", {2250, 480, 2295, 495}}, {"Text1_2", {120, 1680, 2295, 495}}, {"Text1_22", {2400, 6480, 2295, 495}},
    {"Text1_23", {120, 6480, 2295, 495}}, {"Text1_24", {120, 6960, 2295, 495}}, {"Text2_0", {120, 720, 4695, 615}},
    {"Text2_10", {120, 6720, 4695, 735}}, {"Label2_0", {0, 5160, 3015, 375}}, {"Label2_58", {0, 5640, 2385, 180}},
    {"Label2_65", {1800, 3720, 2580, 180}}, {"Label2_68", {960, 2280, 435, 180}}, {"Label2_96", {0, 6360, 2430, 180}},
};

} // namespace

class TestForm1 final : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::Harness> m_harness;
    Form1 &window() { return m_harness->window(); }
    const Form1Ui &ui() { return m_harness->window().ui(); }
    QWidget *widget(const QString &name) { return window().findChild<QWidget *>(name); }

private slots:
    void initTestCase()
    {
        test::ignoreSizeHintWarnings();
        installFontSubstitutes();
    }

    void init()
    {
        m_harness = std::make_unique<test::Harness>();
        // The designed numbers below are at 96 DPI, which the offscreen screen
        // reports; the window takes its DPI from its screen.
        QVERIFY2(Twips::dpiX() == 96.0 && Twips::dpiY() == 96.0, "the offscreen screen is not at 96 DPI");
        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
    }

    void inventory_data()
    {
        QTest::addColumn<Control>("control");
        QTest::newRow("Toolbar1") << Control{"QToolBar", "client", true, "", "工具栏"};
        QTest::newRow("RichTextBox1") << Control{"QTextEdit", "client", true, "请写您的稿子", "文稿"};
        QTest::newRow("Picture1") << Control{"QWidget", "client", true, "", "侧栏"};
        QTest::newRow("RichTextBox2") << Control{"QTextEdit", "Picture1", true, "请打开参考用文本、图片等", "参考文本"};
        QTest::newRow("Image1") << Control{"QLabel", "Picture1", false, "", "参考图片"};
        QTest::newRow("HScroll1") << Control{"QScrollBar", "Picture1", false, "", "图片水平滚动条"};
        QTest::newRow("VScroll1") << Control{"QScrollBar", "Picture1", false, "", "图片垂直滚动条"};
        QTest::newRow("TabStrip1") << Control{"QTabWidget", "Picture1", false, "", "助输定制", 9.75};
        QTest::newRow("Label2_0") << Control{"QLabel", "Picture1", false, "", "220V交流电经变压器降压，VD1～VD4整流，C1滤波，获得+V直流电压。"};
        QTest::newRow("Label2_50") << Control{"QLabel", "Picture1", false, "", "天线 "};
        QTest::newRow("Label2_148") << Control{"QLabel", "Picture1", false, "", "其常闭触点"};
        QTest::newRow("Text1_0") << Control{"QPlainTextEdit", "Picture1", false, "请输入适合您的快捷输入词组", "快捷输入词组1"};
        QTest::newRow("Text2_0") << Control{"QPlainTextEdit", "client", false, "单击可将本板文字贴到您的文稿里", "剪贴板1"};
        QTest::newRow("Command1_12") << Control{"QPushButton", "client", true, "", "＋"};
    }

    void inventory()
    {
        QFETCH(Control, control);
        const QString name = QString::fromUtf8(control.name), tooltip = QString::fromUtf8(control.tooltip);
        QWidget *w = widget(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(w && w->inherits(control.kind));
        QCOMPARE(w->parentWidget()->objectName(), QLatin1String(control.container));
        QCOMPARE(w->isVisible(), control.shown);
        QCOMPARE(w->toolTip(), tooltip);
        if (w->inherits("QLabel") || w->inherits("QPlainTextEdit")) {
            // Term labels and boxes keep their designed boxes: a face that
            // draws taller than 宋体 9 pt stands in, or a smaller size.
            const QStringList faces = QStringList{kSong} + QFont::substitutes(kSong);
            QVERIFY2(faces.contains(w->font().family()) && w->font().pointSizeF() <= control.points
                         && w->font().pointSizeF() >= 6.5,
                     qPrintable(fontOf(w)));
        } else {
            QCOMPARE(fontOf(w), kSong + ' ' + QString::number(control.points));
        }
        if (w->objectName().startsWith(QLatin1String("Label2")) || qobject_cast<QPushButton *>(w))
            QCOMPARE(w->property("text").toString(), name);
        if (w->metaObject()->indexOfProperty("plainText") >= 0) // a text area starts empty
            QCOMPARE(w->property("plainText").toString(), QString());
        QCOMPARE(readOut(w), name + " | " + tooltip);
    }

    void startState()
    {
        QVERIFY(ui().Label2[96]->text().endsWith(vocabulary::makerMailAddress()));
        QVERIFY(ui().Timer1->isActive());
        QCOMPARE(window().windowTitle(), QStringLiteral("笔澜2.5"));
        QCOMPARE(fontOf(&window()), kSong + " 10.5");
        QCOMPARE(window().focusWidget(), ui().RichTextBox1);

        // With nothing on it, the side panel is white.
        ui().RichTextBox2->hide();
        const QImage surface = ui().Picture1->grab().toImage();
        QCOMPARE(surface.pixelColor(surface.width() / 2, surface.height() / 2), QColor(Qt::white));

        // The icon: a drawing in a few colours at each size, not an empty or a filled square.
        for (const int size : {16, 32}) {
            const QImage image = window().windowIcon().pixmap(size).toImage();
            QSet<QRgb> colours;
            int opaque = 0;
            for (int i = 0; i < size * size; ++i) // count each pixel's colour, and the pixel if it is opaque
                opaque += qAlpha(*colours.insert(image.pixel(i % size, i / size))) == 255;
            QVERIFY(image.size() == QSize(size, size) && opaque > size * size / 4 && opaque < size * size);
            QVERIFY(colours.size() >= 4 && colours.size() <= 16);
        }
    }

    // Every term on the panel, in its row, one line high but the two-line
    // sentence, never over another by more than the one designed case
    // (起振 over 停振). That each reads whole is tst_textfit's.
    void vocabularyBoard()
    {
        int worstOverlap = 0;
        for (int i = 0; i < vocabulary::Count; ++i) {
            const QRect r = vocabulary::geometry(i);
            const bool rowOk = r.top() >= 120 && r.top() <= 6780 && (r.top() - 120) % 240 == 0;
            QVERIFY2(rowOk && r.left() >= 0 && r.right() < 4695 && (r.height() == 180 || i == vocabulary::SentenceLabel),
                     qPrintable(vocabulary::caption(i)));
            for (int j = 0; j < i; ++j)
                worstOverlap = std::max(worstOverlap, vocabulary::geometry(j).intersected(r).width());
        }
        QCOMPARE(worstOverlap, 75);
        QVERIFY(vocabulary::geometry(149).isNull() && vocabulary::caption(149).isEmpty());
    }

    // Back to front in tiers: the controls of a tier (an array by its name) lie in front of those of every tier
    // before it. Controls whose order does not matter are left out.
    void stacking_data()
    {
        QTest::addColumn<QStringList>("tiers");
        QTest::newRow("client") << QStringList{"Picture1", "Text1", "Text2"};
        QTest::newRow("Picture1") << QString("Image1 Label2|RichTextBox2|HScroll1 VScroll1|TabStrip1|Text1").split('|');
    }

    void stacking()
    {
        QFETCH(QStringList, tiers);
        QStringList seen; // the tier of each child in turn, repeats left out
        for (const QObject *child : widget(QString::fromLatin1(QTest::currentDataTag()))->children()) {
            const QString name = child->objectName().section('_', 0, 0);
            for (const QString &tier : tiers)
                if (tier.split(' ').contains(name) && (seen.isEmpty() || seen.last() != tier))
                    seen.append(tier);
        }
        QCOMPARE(seen, tiers);
    }

    void layout_data()
    {
        // Client sizes in units of 1/1440 inch, multiples of 15 so that pixels are exact: the designed size,
        // larger, just above the sizes the rules need, exactly at them, below either, and nothing at all.
        QTest::addColumn<QSize>("client");
        for (const QSize size : {QSize(11715, 7890), QSize(15000, 10500), QSize(4905, 1215), QSize(4905, 1200),
                                 QSize(3000, 9000), QSize(9000, 600), QSize(0, 0)})
            QTest::addRow("%d x %d", size.width(), size.height()) << size;
    }

    void layout()
    {
        QFETCH(QSize, client);
        // As the window opens: the designed client area below the menu bar,
        // tall enough for the vocabulary board's last row (6600 + 180 + 1200).
        QCOMPARE(ui().client->geometry(), QRect(0, window().menuBar()->height(), px(11715), px(7980)));
        // Resizing the client area runs the rules, as the window system does.
        ui().client->resize(px(client.width()), px(client.height()));
        const int width = std::max(0, client.width() - 4900), panelHeight = std::max(0, client.height() - 1200);
        QCOMPARE(ui().RichTextBox1->geometry(), pxRect({4920, 720, width, panelHeight}));
        QCOMPARE(ui().Picture1->geometry(), pxRect({120, 720, 4695, panelHeight}));
        QCOMPARE(ui().RichTextBox2->geometry(), pxRect({0, 0, 4695, panelHeight}));
        QCOMPARE(ui().VScroll1->geometry(), pxRect({4440, 0, 255, panelHeight}));
        QCOMPARE(ui().HScroll1->geometry(), pxRect({0, panelHeight - 300, 4455, 255}));
        QCOMPARE(ui().Toolbar1->geometry(), QRect(0, 0, px(client.width()), px(615)));
        // The symbol bar, slot by slot (i), along the bottom.
        for (int i = 0; i < 24; ++i)
            QCOMPARE(ui().Command1[kBySlot[i]]->geometry(), pxRect({120 + 480 * i, client.height() - 400, 500, 320}));
        // Nothing else moves (the pair names the control in a failure).
        for (const auto &[name, twips] : kFixed)
            QCOMPARE(std::pair(QString(name), widget(name)->geometry()), std::pair(QString(name), pxRect(twips)));
    }

    void menus()
    {
        // The menu bar in order, a drop-down marked '▾'.
        QStringList bar;
        for (const QAction *a : window().menuBar()->actions())
            bar.append((a->menu() ? a->menu()->objectName() + "▾ " : a->objectName() + ' ') + a->text());
        QCOMPARE(bar.join(','), "file▾ 文件,edit▾ 编辑,font 文本字体,color 文本颜色,code▾ 文稿加密,tools▾ 工具,timer 定时提醒,help▾ 帮助");

        // Per menu, its item array's prefix and its items in order as index:caption; '!' marks a disabled item.
        const std::array<const char *, 3> menus[] = {
            {"file", "mnufileitem_", "0:新建 1:打开 2:保存 3:另存为 4:退出"},
            {"saveas", "saveas_", "0:rtf文档 1:txt文档"},
            {"edit", "mnuedititem_", "0:撤消 1:全选 2:剪切 3:删除 4:复制 5:粘贴"},
            {"code", "mnucodeitem_", "0:请输入登录密码 1:入口 2:更改登录密码!"},
            {"codechilditem", "codechilditem_", "0:文稿加密! 1:文稿解密!"},
            {"tools", "mnutoolsitem_", "0:统计文稿字数 1:插入文稿字数统计信息 2:插入写稿日期和时间信息 3:插入文稿作者信息 4:修改文稿作者信息 5:我要投稿"},
            {"help", "mnuhelpitem_", "0:帮助 2:给我写信 3:关于本软件"},
        };
        for (const auto &[menuName, prefix, items] : menus) {
            const QMenu *menu = window().findChild<QMenu *>(menuName);
            QVERIFY2(menu, menuName);
            QStringList actual; // an item not named for its array and the index it carries shows by its name
            for (const QAction *a : menu->actions()) {
                const QString index = a->property("index").toString(), name = a->objectName();
                actual.append((name == prefix + index ? index : name) + ':' + a->text() + (a->isEnabled() ? "" : "!"));
            }
            QCOMPARE(actual.join(' '), QString::fromUtf8(items));
        }

        // No shortcut anywhere, and no mnemonic that would make one.
        for (const QAction *action : window().findChildren<QAction *>())
            QVERIFY2(action->shortcuts().isEmpty() && !action->text().contains('&'), qPrintable(action->text()));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
