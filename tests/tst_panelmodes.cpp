// The side panel's modes through the toolbar, the symbol bar and the term
// labels, on the real window with scripted seams.

#include "support/scriptedservices.h"

#include "aids/panelmodes.h"
#include "aids/vocabulary.h"
#include "shell/form1.h"
#include "shell/twips.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

#include <optional>

using namespace bilan;
using namespace bilan::test;

namespace {

const QString kReferenceTooltip = QStringLiteral("请打开参考用文本、图片等");

// What a mode switch decides, group by group.
struct PanelState
{
    bool boards = false;
    bool tabStrip = false;
    bool phraseBoxes = false;
    bool scrollBars = false;
    bool picture = false;
    bool labels = false;
    bool referenceText = true;
    bool watch = false;
    bool saveEnabled = false;
    QString tooltip = kReferenceTooltip;
    friend bool operator==(const PanelState &, const PanelState &) = default;
};

char *toString(const PanelState &s)
{
    return QTest::toString(QStringLiteral("boards %1 tab %2 boxes %3 bars %4 picture %5 labels %6 text %7 "
                                          "watch %8 save %9 tooltip \"%10\"")
                               .arg(s.boards).arg(s.tabStrip).arg(s.phraseBoxes).arg(s.scrollBars)
                               .arg(s.picture).arg(s.labels).arg(s.referenceText).arg(s.watch)
                               .arg(s.saveEnabled).arg(s.tooltip));
}

// A group counts as shown only when every element is, hidden only when none is.
template<typename Array>
std::optional<bool> groupShown(const Array &group)
{
    int shown = 0;
    for (auto *control : group)
        shown += control->isHidden() ? 0 : 1;
    if (shown == 0 || shown == int(group.size()))
        return shown != 0;
    return std::nullopt;
}

PanelState stateOf(Form1 &window)
{
    const Form1Ui &ui = window.ui();
    const auto all = [](auto group) { return groupShown(group).value_or(false); };
    const bool barsAgree = ui.HScroll1->isHidden() == ui.VScroll1->isHidden();
    PanelState s;
    s.boards = all(ui.Text2);
    s.tabStrip = !ui.TabStrip1->isHidden();
    s.phraseBoxes = all(ui.Text1);
    s.scrollBars = barsAgree && !ui.HScroll1->isHidden();
    s.picture = !ui.Image1->isHidden();
    s.labels = all(ui.Label2);
    s.referenceText = !ui.RichTextBox2->isHidden();
    s.watch = window.flags().watchClipboard;
    s.saveEnabled = ui.toolbarButtons[std::size_t(ToolbarKey::Enter)]->isEnabled();
    s.tooltip = ui.RichTextBox2->toolTip();
    return s;
}

// The state table: a row sets what it names and keeps the rest.
PanelState after(PanelState s, ToolbarKey key)
{
    switch (key) {
    case ToolbarKey::Stop:
        s.boards = s.tabStrip = s.phraseBoxes = s.scrollBars = s.picture = false;
        s.referenceText = true;
        s.watch = s.saveEnabled = false;
        s.tooltip = kReferenceTooltip;
        break;
    case ToolbarKey::Write:
        s.boards = s.tabStrip = s.phraseBoxes = s.scrollBars = s.picture = s.referenceText = false;
        s.labels = true;
        s.watch = s.saveEnabled = false;
        break;
    case ToolbarKey::Selfdo:
        s.boards = false;
        s.tabStrip = s.phraseBoxes = true;
        s.watch = false;
        s.saveEnabled = true;
        s.tooltip.clear();
        break;
    case ToolbarKey::Clipboard:
        s.boards = true;
        s.watch = true;
        s.saveEnabled = false;
        break;
    case ToolbarKey::Image:
        s.boards = s.tabStrip = s.phraseBoxes = s.labels = s.referenceText = false;
        s.scrollBars = s.picture = true;
        s.saveEnabled = false;
        break;
    default:
        break;
    }
    return s;
}

void press(Form1 &window, ToolbarKey key)
{
    window.ui().toolbarButtons[std::size_t(key)]->trigger();
}

// Every designed control's place; a mode switch changes none of them.
QList<QRect> designedGeometry(Form1 &window)
{
    const Form1Ui &ui = window.ui();
    QList<QRect> places;
    for (QWidget *w : {static_cast<QWidget *>(ui.Toolbar1), static_cast<QWidget *>(ui.RichTextBox1), ui.Picture1,
                       static_cast<QWidget *>(ui.RichTextBox2), static_cast<QWidget *>(ui.HScroll1),
                       static_cast<QWidget *>(ui.VScroll1), static_cast<QWidget *>(ui.TabStrip1)})
        places.append(w->geometry());
    // The picture's place follows the scroll bars, not the mode.
    places.append(QRect(QPoint(), ui.Image1->size()));
    for (QWidget *w : ui.Label2)
        places.append(w->geometry());
    for (QWidget *w : ui.Text1)
        places.append(w->geometry());
    for (QWidget *w : ui.Text2)
        places.append(w->geometry());
    for (QWidget *w : ui.Command1)
        places.append(w->geometry());
    return places;
}

// The control the author sees at a point of the window, given in units of 1/1440 inch.
QWidget *seenAt(Form1 &window, int left, int top)
{
    QWidget *client = window.ui().client;
    return client->childAt(Twips::toPixelsX(left), Twips::toPixelsY(top));
}

bool isPartOf(QWidget *child, QWidget *control)
{
    return child && (child == control || control->isAncestorOf(child));
}

void select(QTextEdit *edit, int start, int length)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

// A click as the mouse makes it: the window finds the control under the point.
void clickAt(Form1 &window, QWidget *control)
{
    const QPoint centre = control->mapTo(&window, control->rect().center());
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, centre);
}

const ToolbarKey kModeKeys[] = {ToolbarKey::Stop, ToolbarKey::Write, ToolbarKey::Selfdo, ToolbarKey::Clipboard,
                                ToolbarKey::Image};

} // namespace

Q_DECLARE_METATYPE(ToolbarKey)

class TestPanelModes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        static const QtMessageHandler standard = qInstallMessageHandler([](auto type, const auto &context, auto &text) {
            if (!text.contains(QLatin1String("does not support propagateSizeHints")))
                standard(type, context, text);
        });
    }

    void stateTable_data();
    void stateTable();
    void whatTheAuthorSees_data();
    void whatTheAuthorSees();
    void symbolButtons_data();
    void symbolButtons();
    void termLabels_data();
    void termLabels();
    void termLabelsClickOnlyWhileShown();
    void termWithoutClipboard_data();
    void termWithoutClipboard();
};

void TestPanelModes::stateTable_data()
{
    QTest::addColumn<std::optional<ToolbarKey>>("from");
    QTest::addColumn<ToolbarKey>("to");
    for (const ToolbarKey to : kModeKeys)
        QTest::addRow("start > %s", toolbarButton(to).keyText) << std::optional<ToolbarKey>() << to;
    for (const ToolbarKey from : kModeKeys) {
        for (const ToolbarKey to : kModeKeys)
            QTest::addRow("%s > %s", toolbarButton(from).keyText, toolbarButton(to).keyText)
                << std::optional<ToolbarKey>(from) << to;
    }
}

// Every mode reached from the start and from every mode, itself included:
// the groups, the watch, "保存定制" and the tooltip follow the table, no
// control moves, and the last steps (phrase load, picture dialog) run
// after the rest of the switch, again at every repeated click.
void TestPanelModes::stateTable()
{
    QFETCH(std::optional<ToolbarKey>, from);
    QFETCH(ToolbarKey, to);
    Harness h;
    Form1 &window = h.window();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QList<PanelState> seenByLoader;
    window.findChild<PanelModes *>()->setPhraseLoader([&] { seenByLoader.append(stateOf(window)); });

    PanelState expected;
    QCOMPARE(stateOf(window), expected);
    if (from) {
        press(window, *from);
        expected = after(expected, *from);
        QCOMPARE(stateOf(window), expected);
    }
    // Scrolled away from the origin, so that the picture mode's reset shows.
    window.ui().HScroll1->setMaximum(5000);
    window.ui().VScroll1->setMaximum(5000);
    window.ui().HScroll1->setValue(1200);
    window.ui().VScroll1->setValue(2400);
    const QList<QRect> places = designedGeometry(window);
    const qsizetype dialogsBefore = h.dialogs.shown.size();
    const qsizetype loadsBefore = seenByLoader.size();

    press(window, to);
    expected = after(expected, to);
    QCOMPARE(stateOf(window), expected);
    QCOMPARE(designedGeometry(window), places);

    const bool phrases = to == ToolbarKey::Selfdo;
    QCOMPARE(seenByLoader.size() - loadsBefore, phrases ? 1 : 0);
    if (phrases)
        QCOMPARE(seenByLoader.last(), expected);
    const bool picture = to == ToolbarKey::Image;
    QCOMPARE(h.dialogs.shown.size() - dialogsBefore, picture ? 1 : 0);
    if (picture) {
        QCOMPARE(window.ui().HScroll1->value(), 0);
        QCOMPARE(window.ui().VScroll1->value(), 0);
        QCOMPARE(window.ui().Image1->pos(), QPoint(0, 0));
    }
}

void TestPanelModes::whatTheAuthorSees_data()
{
    // Modes chosen in turn, then a point of the window (1/1440 inch) and the control in front there.
    QTest::addColumn<QList<ToolbarKey>>("modes");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QString>("front");
    using K = ToolbarKey;
    const QPoint onLabel7(120 + 3120 + 90, 720 + 360 + 90);
    QTest::newRow("start: reference text") << QList<K>{} << onLabel7 << "RichTextBox2";
    QTest::newRow("vocabulary: a term") << QList<K>{K::Write} << onLabel7 << "Label2_7";
    QTest::newRow("back to text: labels covered") << QList<K>{K::Write, K::Stop} << onLabel7 << "RichTextBox2";
    QTest::newRow("phrases: a box") << QList<K>{K::Selfdo} << QPoint(120 + 100, 1680 + 480 * 2 + 100)
                                    << "Text1_6";
    QTest::newRow("phrases: the tab strip between boxes") << QList<K>{K::Selfdo} << QPoint(2000, 900)
                                                          << "TabStrip1";
    QTest::newRow("picture") << QList<K>{K::Write, K::Image} << onLabel7 << "Image1";
    QTest::newRow("picture: a scroll bar") << QList<K>{K::Image} << QPoint(120 + 4500, 720 + 3000) << "VScroll1";
    QTest::newRow("clipboard: a board") << QList<K>{K::Selfdo, K::Clipboard} << QPoint(2000, 720 + 600 * 3 + 300)
                                        << "Text2_3";
    QTest::newRow("clipboard after phrases: tab strip below the boards")
        << QList<K>{K::Selfdo, K::Clipboard} << QPoint(2000, 7600) << "TabStrip1";
    QTest::newRow("clipboard after vocabulary: white panel below") << QList<K>{K::Write, K::Clipboard}
                                                                    << QPoint(2000, 7600) << "Picture1";
}

// The stacking order gives each mode its look; the window is made taller
// so that some of the panel shows below the last clipboard board.
void TestPanelModes::whatTheAuthorSees()
{
    QFETCH(QList<ToolbarKey>, modes);
    QFETCH(QPoint, point);
    QFETCH(QString, front);
    Harness h;
    Form1 &window = h.window();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.resize(window.width(), window.height() + Twips::toPixelsY(1500));
    QTRY_VERIFY(window.ui().Picture1->height() >= Twips::toPixelsY(7800));

    for (const ToolbarKey key : modes)
        press(window, key);
    QWidget *seen = seenAt(window, point.x(), point.y());
    QWidget *expected = window.findChild<QWidget *>(front);
    QVERIFY(expected);
    QVERIFY2(isPartOf(seen, expected), qPrintable(seen ? seen->objectName() + '/' + seen->metaObject()->className()
                                                       : QStringLiteral("nothing")));
}

void TestPanelModes::symbolButtons_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("inserted");
    const char16_t *texts[] = {u"，", u"。", u"、", u"；", u"：", u"？", u"！", u"（）", u"…", u"《》", u"～", u"·",
                               u"+", u"-", u"×", u"÷", u"/", u"μF", u"Ω", u"KΩ", u"—", u"=", u"pF", u"“”"};
    for (int i = 0; i < 24; ++i)
        QTest::addRow("%d", i) << i << QString::fromUtf16(texts[i]);
}

// Each button, clicked with the focus elsewhere: the focus returns to the
// manuscript, a selection is replaced, and the caret ends behind the text
// (behind both marks of a pair).
void TestPanelModes::symbolButtons()
{
    QFETCH(int, index);
    QFETCH(QString, inserted);
    Harness h;
    Form1 &window = h.window();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTextEdit *manuscript = window.ui().RichTextBox1;

    manuscript->setPlainText(QStringLiteral("电阻R1"));
    select(manuscript, 2, 0);
    window.ui().RichTextBox2->setFocus();
    QTest::mouseClick(window.ui().Command1[std::size_t(index)], Qt::LeftButton);
    QCOMPARE(manuscript->toPlainText(), QStringLiteral("电阻") + inserted + QStringLiteral("R1"));
    QCOMPARE(manuscript->textCursor().position(), 2 + inserted.size());
    QVERIFY(manuscript->hasFocus());

    select(manuscript, 0, 2);
    QTest::mouseClick(window.ui().Command1[std::size_t(index)], Qt::LeftButton);
    QCOMPARE(manuscript->toPlainText(), inserted + inserted + QStringLiteral("R1"));
    QCOMPARE(manuscript->textCursor().position(), inserted.size());
}

void TestPanelModes::termLabels_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("term");
    QTest::addColumn<bool>("withSelection");
    QTest::addColumn<bool>("focusOnSymbol");
    QTest::newRow("电阻 at the caret") << 7 << QStringLiteral("电阻") << false << false;
    QTest::newRow("电阻 over a selection") << 7 << QStringLiteral("电阻") << true << false;
    QTest::newRow("天线 keeps its blank") << 50 << QStringLiteral("天线 ") << false << true;
    QTest::newRow("the two-line sentence whole")
        << 0 << QStringLiteral("220V交流电经变压器降压，VD1～VD4整流，C1滤波，获得+V直流电压。") << true << true;
    QTest::newRow("last label") << 148 << QStringLiteral("其常闭触点") << false << false;
}

// A label clicked with the mouse: the clipboard is emptied, then left
// holding the term, which goes in at the caret; the focus does not move.
void TestPanelModes::termLabels()
{
    QFETCH(int, index);
    QFETCH(QString, term);
    QFETCH(bool, withSelection);
    QFETCH(bool, focusOnSymbol);
    Harness h;
    Form1 &window = h.window();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTextEdit *manuscript = window.ui().RichTextBox1;
    manuscript->setPlainText(QStringLiteral("甲乙丙"));
    select(manuscript, 1, withSelection ? 1 : 0);
    QWidget *focused = focusOnSymbol ? static_cast<QWidget *>(window.ui().Command1[3]) : manuscript;
    focused->setFocus();
    h.clipboard.content = QStringLiteral("旧内容");

    press(window, ToolbarKey::Write);
    clickAt(window, window.ui().Label2[std::size_t(index)]);
    const QString expected = QStringLiteral("甲") + term + (withSelection ? QStringLiteral("丙") : QStringLiteral("乙丙"));
    QCOMPARE(manuscript->toPlainText(), expected);
    QCOMPARE(manuscript->textCursor().position(), 1 + term.size());
    QCOMPARE(h.clipboard.content, term);
    QCOMPARE(h.clipboard.clears, 1);
    QVERIFY(focused->hasFocus());
}

// Labels left visible behind the reference text area, or hidden in the
// picture mode, take no clicks; the area in front takes them instead.
void TestPanelModes::termLabelsClickOnlyWhileShown()
{
    Harness h;
    Form1 &window = h.window();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QLabel *label = window.ui().Label2[7];

    press(window, ToolbarKey::Write);
    press(window, ToolbarKey::Stop);
    QVERIFY(!label->isHidden());
    clickAt(window, label);
    QCOMPARE(window.ui().RichTextBox1->toPlainText(), QString());
    QCOMPARE(h.clipboard.writes, 0);
    QVERIFY(window.flags().referenceSelected);

    press(window, ToolbarKey::Image);
    clickAt(window, label);
    QCOMPARE(window.ui().RichTextBox1->toPlainText(), QString());
    QCOMPARE(h.clipboard.writes, 0);

    press(window, ToolbarKey::Write);
    clickAt(window, label);
    QCOMPARE(window.ui().RichTextBox1->toPlainText(), QStringLiteral("电阻"));
}

void TestPanelModes::termWithoutClipboard_data()
{
    QTest::addColumn<bool>("readFails");
    QTest::addColumn<bool>("writeFails");
    QTest::addColumn<bool>("clearFails");
    QTest::newRow("cannot be written") << false << true << false;
    QTest::newRow("cannot be read back") << true << false << false;
    QTest::newRow("cannot be emptied") << false << false << true;
    QTest::newRow("taken by another program") << true << true << true;
}

// A clipboard that refuses costs the author only the clipboard copy.
void TestPanelModes::termWithoutClipboard()
{
    QFETCH(bool, readFails);
    QFETCH(bool, writeFails);
    QFETCH(bool, clearFails);
    Harness h;
    Form1 &window = h.window();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    h.clipboard.readFails = readFails;
    h.clipboard.writeFails = writeFails;
    h.clipboard.clearFails = clearFails;

    press(window, ToolbarKey::Write);
    clickAt(window, window.ui().Label2[8]);
    clickAt(window, window.ui().Label2[50]);
    QCOMPARE(window.ui().RichTextBox1->toPlainText(), QStringLiteral("电容天线 "));
    QCOMPARE(h.prompts.messages.size(), 0);
}

QTEST_MAIN(TestPanelModes)
#include "tst_panelmodes.moc"
