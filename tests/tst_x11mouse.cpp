// The mouse as the author uses it, on a real X server: xdotool presses the
// buttons and turns the wheel, and the X server makes double clicks and
// wheel steps of them exactly as for a real mouse.

#include "support/scriptedservices.h"

#include "shell/form1.h"
#include "shell/twips.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

using namespace bilan;
using namespace bilan::test;

namespace {

// Runs xdotool with the arguments and waits for it.
bool xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(5000) && process.exitCode() == 0;
}

// Moves the pointer over the point of the widget, then sends the rest.
bool pointAt(QWidget *widget, QPoint point, const QStringList &then)
{
    const QPoint global = widget->mapToGlobal(point);
    return xdotool(QStringList{"mousemove", "--sync", QString::number(global.x()), QString::number(global.y())} + then);
}

enum class Target { Term, Phrase, Board };

} // namespace

Q_DECLARE_METATYPE(Target)

class TestX11Mouse : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QFAIL("needs a real X server (QT_QPA_PLATFORM=xcb)");
    }

    void doubleClickInsertsOnce_data()
    {
        QTest::addColumn<Target>("target");
        QTest::addColumn<QString>("inserted");
        QTest::newRow("term label") << Target::Term << QStringLiteral("电阻");
        QTest::newRow("phrase box") << Target::Phrase << QStringLiteral("VD1 to VD4");
        QTest::newRow("clipboard board") << Target::Board << QStringLiteral("C1 filter");
    }

    // One double click, one insertion; in a box the double click still
    // selects the word under the pointer.
    void doubleClickInsertsOnce()
    {
        QFETCH(Target, target);
        QFETCH(QString, inserted);
        Harness h;
        h.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window()));
        const Form1Ui &ui = h.window().ui();
        QWidget *control = nullptr;
        QPoint point;
        switch (target) {
        case Target::Term:
            h.press(ToolbarKey::Write);
            control = ui.Label2[7];
            point = control->rect().center();
            break;
        case Target::Phrase:
        case Target::Board: {
            h.press(target == Target::Phrase ? ToolbarKey::Selfdo : ToolbarKey::Clipboard);
            QPlainTextEdit *box = target == Target::Phrase ? ui.Text1[2] : ui.Text2[0];
            box->setPlainText(inserted);
            control = box->viewport();
            point = box->cursorRect(QTextCursor(box->document())).center() + QPoint(2, 0);
            break;
        }
        }
        QVERIFY(control->isVisible());
        QVERIFY(pointAt(control, point, {"click", "--repeat", "2", "--delay", "60", "1"}));
        QTest::qWait(500);
        QCOMPARE(ui.RichTextBox1->toPlainText(), inserted);
        if (auto *box = qobject_cast<QPlainTextEdit *>(control->parentWidget()))
            QCOMPARE(box->textCursor().selectedText(), inserted.section(u' ', 0, 0));
    }

    // A notch moves the picture as one click on the bar's arrow; Shift
    // turns the wheel sideways.
    void wheelScrollsThePicture()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("circuit.png"));
        QImage picture(1500, 1500, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QVERIFY(picture.save(path));
        Harness h;
        h.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window()));
        const Form1Ui &ui = h.window().ui();
        h.dialogs.answers = {path};
        h.press(ToolbarKey::Image);
        QVERIFY(ui.Image1->isVisible());
        const int step = ui.VScroll1->singleStep();
        QCOMPARE(ui.HScroll1->singleStep(), step);
        const QPoint middle(80, 80);

        QVERIFY(pointAt(ui.Image1, middle, {"click", "--repeat", "2", "--delay", "30", "5"}));
        QTRY_COMPARE(ui.VScroll1->value(), 2 * step);
        QCOMPARE(ui.Image1->y(), -Twips::toPixelsY(2 * step));
        QVERIFY(pointAt(ui.Image1, middle, {"click", "4"}));
        QTRY_COMPARE(ui.VScroll1->value(), step);
        QVERIFY(pointAt(ui.Image1, middle, {"keydown", "shift", "click", "5", "keyup", "shift"}));
        QTRY_COMPARE(ui.HScroll1->value(), step);
        QCOMPARE(ui.VScroll1->value(), step);
        QCOMPARE(ui.Image1->x(), -Twips::toPixelsX(step));
    }
};

QTEST_MAIN(TestX11Mouse)
#include "tst_x11mouse.moc"
