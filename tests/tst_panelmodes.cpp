// The side panel's modes through the toolbar, the symbol bar and the term
// labels, on the real window with scripted seams.

#include "support/scriptedservices.h"

#include "aids/panelmodes.h"
#include "shell/form1.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>

using namespace bilan;
using namespace bilan::test;

namespace {

using K = ToolbarKey;
const K kModes[] = {K::Stop, K::Write, K::Selfdo, K::Clipboard, K::Image};

// The state table, column by column: clipboard boards, tab strip, phrase
// boxes, scroll bars, picture, term labels, reference text area (1 shown,
// 0 hidden, - kept), then the watch and "保存定制" (1 or 0, - kept) and the
// tooltip ("=" kept).
struct Row { const char *groups; const char *flags; const char *tooltip; };
const Row kStart{"0000001", "00", "请打开参考用文本、图片等"};

Row rowOf(K key)
{
    switch (key) {
    case K::Stop: return {"00000-1", "00", "请打开参考用文本、图片等"};
    case K::Write: return {"0000010", "00", "="};
    case K::Selfdo: return {"011----", "01", ""};
    case K::Clipboard: return {"1------", "10", "="};
    default: return {"0001100", "-0", "="};
    }
}

QString apply(const QString &state, const Row &row)
{
    QString next = QString::fromLatin1(row.groups) + QString::fromLatin1(row.flags);
    for (int i = 0; i < next.size(); ++i) {
        if (next[i] == '-')
            next[i] = state[i];
    }
    const bool kept = qstrcmp(row.tooltip, "=") == 0;
    return next + '|' + (kept ? state.section('|', 1) : QString::fromUtf8(row.tooltip));
}

// '1' when every control of the group is shown, '0' when none is, '?' otherwise.
QChar shown(const QList<const QWidget *> &group)
{
    const auto count = std::count_if(group.begin(), group.end(), [](const QWidget *w) { return !w->isHidden(); });
    return count == 0 ? '0' : count == group.size() ? '1' : '?';
}

QString stateOf(Form1 &window)
{
    const Form1Ui &ui = window.ui();
    const auto all = [](const auto &array) { return QList<const QWidget *>(array.begin(), array.end()); };
    QString s = QString(shown(all(ui.Text2))) + shown({ui.TabStrip1}) + shown(all(ui.Text1))
        + shown({ui.HScroll1, ui.VScroll1}) + shown({ui.Image1}) + shown(all(ui.Label2)) + shown({ui.RichTextBox2});
    s += window.flags().watchClipboard ? '1' : '0';
    s += ui.toolbarButtons[std::size_t(K::Enter)]->isEnabled() ? '1' : '0';
    return s + '|' + ui.RichTextBox2->toolTip();
}

// Every designed control's place; a mode switch changes none of them. The
// picture's place follows the scroll bars, so only its size counts.
QList<QRect> places(Form1 &window)
{
    const Form1Ui &ui = window.ui();
    QList<QRect> all{QRect(QPoint(), ui.Image1->size())};
    for (QWidget *w : window.findChildren<QWidget *>()) {
        if (w->property("index").isValid() || w->parent() == ui.client || w->parent() == ui.Picture1)
            all.append(w == ui.Image1 ? QRect() : w->geometry());
    }
    return all;
}

// A click as the mouse makes it: the window finds the control under the point.
void clickAt(Form1 &window, QWidget *control)
{
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, control->mapTo(&window, control->rect().center()));
}

using Fails = std::array<bool, 3>; // clipboard read, write, clear

} // namespace

Q_DECLARE_METATYPE(K)

class TestPanelModes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ignoreSizeHintWarnings(); }

    void stateTable_data()
    {
        QTest::addColumn<int>("from"); // -1: the start
        QTest::addColumn<int>("to");
        for (int from = -1; from < 5; ++from) {
            for (int to = 0; to < 5; ++to)
                QTest::addRow("%s > %s", from < 0 ? "start" : toolbarButton(kModes[from]).keyText,
                              toolbarButton(kModes[to]).keyText) << from << to;
        }
    }

    // Every mode from the start and from every mode, itself included: the
    // table's row, no control moved, and the last step (phrase load,
    // picture dialog) run after the rest, again at every repeated click.
    void stateTable()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        Harness h;
        QVERIFY(h.show());
        Form1 &window = h.window();
        QStringList seenByLoader;
        window.findChild<PanelModes *>()->setPhraseLoader([&] { seenByLoader.append(stateOf(window)); });

        QString expected = apply(QString(), kStart);
        QCOMPARE(stateOf(window), expected);
        if (from >= 0) {
            h.press(kModes[from]);
            QCOMPARE(stateOf(window), expected = apply(expected, rowOf(kModes[from])));
        }
        window.ui().HScroll1->setMaximum(5000);
        window.ui().HScroll1->setValue(1200);
        window.ui().VScroll1->setValue(40);
        const QList<QRect> before = places(window);
        const qsizetype dialogs = h.dialogs.shown.size(), loads = seenByLoader.size();

        h.press(kModes[to]);
        QCOMPARE(stateOf(window), expected = apply(expected, rowOf(kModes[to])));
        QCOMPARE(places(window), before);
        const bool phrases = kModes[to] == K::Selfdo, picture = kModes[to] == K::Image;
        QCOMPARE(seenByLoader.size() - loads, phrases ? 1 : 0);
        if (phrases)
            QCOMPARE(seenByLoader.last(), expected);
        QCOMPARE(h.dialogs.shown.size() - dialogs, picture ? 1 : 0);
        if (picture)
            QCOMPARE(window.ui().HScroll1->value() + window.ui().VScroll1->value(), 0);
    }

    // The tab strip covers the term labels behind it, the strip beside its
    // one tab included (Qt leaves that part unpainted unless told).
    void tabStripCoversTheTermLabels()
    {
        Harness h;
        QVERIFY(h.show());
        h.press(K::Write);
        h.press(K::Selfdo);
        const Form1Ui &ui = h.window().ui();
        const QPoint term = ui.Label2[88]->geometry().center(); // beside the tab, on the panel
        QVERIFY(!ui.TabStrip1->findChild<QTabBar *>()->tabRect(0).contains(ui.TabStrip1->mapFrom(ui.Picture1, term)));
        const QImage panel = ui.Picture1->grab().toImage();
        QCOMPARE(panel.pixelColor(term), ui.TabStrip1->palette().color(QPalette::Window));
    }

    void symbolButtons_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("inserted");
        const char16_t *texts[] = {u"，", u"。", u"、", u"；", u"：", u"？", u"！", u"（）", u"…", u"《》", u"～", u"·",
                                   u"+", u"-", u"×", u"÷", u"/", u"μF", u"Ω", u"KΩ", u"—", u"=", u"pF", u"“”"};
        for (int i = 0; i < 24; ++i)
            QTest::addRow("%d", i) << i << QString::fromUtf16(texts[i]);
    }

    // With the focus elsewhere: it returns to the manuscript, a selection
    // is replaced, the caret ends behind the text (both marks of a pair).
    void symbolButtons()
    {
        QFETCH(int, index);
        QFETCH(QString, inserted);
        Harness h;
        QVERIFY(h.show());
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        QPushButton *button = h.window().ui().Command1[std::size_t(index)];
        manuscript->setPlainText(QStringLiteral("电阻R1"));
        select(manuscript, 2, 0);
        h.window().ui().RichTextBox2->setFocus();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("电阻") + inserted + QStringLiteral("R1"));
        QCOMPARE(manuscript->textCursor().position(), 2 + inserted.size());
        QVERIFY(manuscript->hasFocus());
        select(manuscript, 0, 2);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(manuscript->toPlainText(), inserted + inserted + QStringLiteral("R1"));
        QCOMPARE(manuscript->textCursor().position(), inserted.size());
    }

    void termLabels_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("term");
        QTest::addColumn<bool>("selection");
        QTest::addColumn<bool>("focusOnSymbol");
        QTest::addColumn<Fails>("fails");
        const QString sentence = QStringLiteral("220V交流电经变压器降压，VD1～VD4整流，C1滤波，获得+V直流电压。");
        QTest::newRow("at the caret") << 7 << QStringLiteral("电阻") << false << false << Fails{};
        QTest::newRow("over a selection") << 7 << QStringLiteral("电阻") << true << false << Fails{};
        QTest::newRow("trailing blank") << 50 << QStringLiteral("天线 ") << false << true << Fails{};
        QTest::newRow("two-line sentence") << 0 << sentence << true << true << Fails{};
        QTest::newRow("last") << 148 << QStringLiteral("其常闭触点") << false << false << Fails{};
        // A clipboard that refuses costs the author only the clipboard copy.
        QTest::newRow("cannot be written") << 8 << QStringLiteral("电容") << true << false << Fails{false, true, false};
        QTest::newRow("cannot be read back") << 8 << QStringLiteral("电容") << true << false << Fails{true, false, false};
        QTest::newRow("cannot be emptied") << 50 << QStringLiteral("天线 ") << false << false << Fails{false, false, true};
        QTest::newRow("held by another program") << 8 << QStringLiteral("电容") << false << true << Fails{true, true, true};
    }

    // The clipboard is emptied, then left holding the term, which goes in
    // at the caret; the focus does not move.
    void termLabels()
    {
        QFETCH(int, index);
        QFETCH(QString, term);
        QFETCH(bool, selection);
        QFETCH(bool, focusOnSymbol);
        QFETCH(Fails, fails);
        Harness h;
        QVERIFY(h.show());
        QTextEdit *manuscript = h.window().ui().RichTextBox1;
        manuscript->setPlainText(QStringLiteral("甲乙丙"));
        select(manuscript, 1, selection ? 1 : 0);
        QWidget *focused = focusOnSymbol ? static_cast<QWidget *>(h.window().ui().Command1[3]) : manuscript;
        focused->setFocus();
        h.clipboard.content = QStringLiteral("旧内容");
        std::tie(h.clipboard.readFails, h.clipboard.writeFails, h.clipboard.clearFails) = std::tuple_cat(fails);

        h.press(K::Write);
        clickAt(h.window(), h.window().ui().Label2[std::size_t(index)]);
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("甲") + term + QStringLiteral("乙丙").mid(selection ? 1 : 0));
        QCOMPARE(manuscript->textCursor().position(), 1 + term.size());
        QVERIFY(focused->hasFocus());
        QCOMPARE(h.prompts.messages.size(), 0);
        if (fails == Fails{})
            QCOMPARE(h.clipboard.content, term);
    }

    // Labels left visible behind the reference text area, or hidden in the
    // picture mode, take no clicks.
    void termLabelsClickOnlyWhileShown()
    {
        Harness h;
        QVERIFY(h.show());
        for (const K mode : {K::Write, K::Stop, K::Image, K::Write}) {
            h.press(mode);
            clickAt(h.window(), h.window().ui().Label2[7]);
        }
        QCOMPARE(h.window().ui().RichTextBox1->toPlainText(), QStringLiteral("电阻电阻"));
        QCOMPARE(h.clipboard.writes, 2);
        QVERIFY(h.window().flags().referenceSelected); // the click behind the text area went to it
    }
};

QTEST_MAIN(TestPanelModes)
#include "tst_panelmodes.moc"
