// Every caption of the main window shows whole at its designed place and
// size, whichever Chinese face the machine has. CTest runs this once per
// fontconfig configuration that leaves one face installed (FONTCONFIG_FILE),
// named in BILAN_FONT.
//
// Nothing here asks the program how it fitted a text: each control paints
// itself at its designed size and again three times as large, and its text
// must put as much ink on the first as on the second.

#include "support/scriptedservices.h"

#include "shell/fonts.h"
#include "shell/form1.h"

#include <QAction>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include <functional>

using namespace bilan;
using namespace bilan::test;

namespace {

using SetText = std::function<void(const QString &)>;

// How dark the control paints itself, summed over its pixels.
qint64 darkness(QWidget *control)
{
    const QImage image = control->grab().toImage().convertToFormat(QImage::Format_Grayscale8);
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            sum += 255 - row[x];
    }
    return sum;
}

// The ink the text adds to the control: painted with it, less without.
qint64 textInk(QWidget *control, const SetText &setText, const QString &text)
{
    const qint64 with = darkness(control);
    setText(QString());
    const qint64 without = darkness(control);
    setText(text);
    return with - without;
}

// Empty when the text shows whole; otherwise what is missing, for the report.
QString cut(QWidget *control, const QString &text, const SetText &setText)
{
    const qint64 shown = textInk(control, setText, text);
    const QRect designed = control->geometry();
    control->resize(designed.size() * 3);
    const qint64 whole = textInk(control, setText, text);
    control->setGeometry(designed);
    // Glyphs drawn at another fraction of a pixel differ by a little ink.
    if (whole > 0 && shown >= whole * 0.96)
        return {};
    return QStringLiteral("%1 “%2” shows %3% of its ink")
        .arg(control->objectName(), text)
        .arg(whole > 0 ? 100 * shown / whole : 0);
}

} // namespace

class TestTextFit : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> m_harness;
    const Form1Ui &ui() { return m_harness->window().ui(); }

private slots:
    void initTestCase()
    {
        ignoreSizeHintWarnings();
        // The machine is the one the configuration describes, or the test
        // would pass on whatever faces happen to be installed.
        const QString face = qEnvironmentVariable("BILAN_FONT");
        QVERIFY2(!face.isEmpty(), "BILAN_FONT names the one Chinese face installed");
        QVERIFY2(QFontDatabase::hasFamily(face), qPrintable(face + " is not installed"));
        for (const QString &other : {u"Noto Sans CJK SC"_qs, u"Noto Serif CJK SC"_qs, u"WenQuanYi Micro Hei"_qs,
                                     u"WenQuanYi Zen Hei"_qs}) {
            if (other != face)
                QVERIFY2(!QFontDatabase::hasFamily(other), qPrintable(other + " is installed too"));
        }
        installFontSubstitutes();
        m_harness = std::make_unique<Harness>();
        QVERIFY(m_harness->show());
    }

    void cleanupTestCase() { m_harness.reset(); }

    void termLabels()
    {
        m_harness->press(ToolbarKey::Write);
        QStringList failures;
        for (QLabel *label : ui().Label2) {
            const QString failure = cut(label, label->text(), [label](const QString &text) { label->setText(text); });
            if (!failure.isEmpty())
                failures << failure;
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
    }

    void buttonsAndTab()
    {
        m_harness->press(ToolbarKey::Selfdo);
        QStringList failures;
        const auto check = [&failures](QWidget *control, const QString &text, const SetText &setText) {
            if (const QString failure = cut(control, text, setText); !failure.isEmpty())
                failures << failure;
        };
        for (QPushButton *button : ui().Command1)
            check(button, button->text(), [button](const QString &text) { button->setText(text); });
        for (QAction *action : ui().toolbarButtons) {
            QWidget *button = ui().Toolbar1->widgetForAction(action);
            QVERIFY2(button && button->isVisible(), qPrintable(action->text()));
            check(button, action->text(), [action](const QString &text) { action->setText(text); });
        }
        QTabBar *tabs = ui().TabStrip1->tabBar();
        tabs->setObjectName(u"TabStrip1"_qs);
        check(tabs, tabs->tabText(0), [tabs](const QString &text) { tabs->setTabText(0, text); });
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
    }

    // A phrase or a copied text of two lines shows whole in every box.
    void boxesShowTwoLines()
    {
        const QString text = u"220V交流电经变压器降压，VD1～VD4整流，C1滤波"_qs;
        QStringList failures;
        for (int mode : {0, 1}) {
            m_harness->press(mode == 0 ? ToolbarKey::Selfdo : ToolbarKey::Clipboard);
            const auto boxes = mode == 0 ? QList<QPlainTextEdit *>(ui().Text1.begin(), ui().Text1.end())
                                         : QList<QPlainTextEdit *>(ui().Text2.begin(), ui().Text2.end());
            for (QPlainTextEdit *box : boxes) {
                box->setPlainText(text);
                const QString failure = cut(box, text, [box](const QString &t) { box->setPlainText(t); });
                if (!failure.isEmpty())
                    failures << failure;
                box->clear();
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
    }
};

QTEST_MAIN(TestTextFit)
#include "tst_textfit.moc"
