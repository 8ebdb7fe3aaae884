// Qt's own pastes in the real window's text controls (Ctrl+V, Shift+Insert,
// a middle click, the context menu) against other X programs: an owner that
// never answers (silentowner) and xclip. Runs under Xvfb.

#include "support/scriptedservices.h"
#include "support/xclip.h"

#include "shell/application.h"
#include "shell/form1.h"
#include "platform/stalledread.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using namespace bilan;
using namespace bilan::test;

namespace {

enum class Gesture { CtrlV, ShiftInsert, MiddleClick, ContextMenu };

struct Outcome
{
    qint64 heldMs = 0; // how long the synchronous delivery held this thread
    bool menuShown = false;
};

Outcome perform(QWidget *control, Gesture gesture)
{
    auto *area = qobject_cast<QAbstractScrollArea *>(control);
    QWidget *surface = area ? area->viewport() : control;
    Outcome outcome;
    // A menu that opens is closed at once, so that one let through wrongly
    // fails on time instead of waiting for a click.
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [&outcome] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            outcome.menuShown = true;
            menu->close();
        }
    });
    QElapsedTimer clock;
    clock.start();
    switch (gesture) {
    case Gesture::CtrlV: QTest::keyClick(control, Qt::Key_V, Qt::ControlModifier); break;
    case Gesture::ShiftInsert: QTest::keyClick(control, Qt::Key_Insert, Qt::ShiftModifier); break;
    case Gesture::MiddleClick: QTest::mouseClick(surface, Qt::MiddleButton, {}, QPoint(4, 4)); break;
    case Gesture::ContextMenu: {
        closer.start(100);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 4), surface->mapToGlobal(QPoint(4, 4)));
        QCoreApplication::sendEvent(surface, &event);
        break;
    }
    }
    outcome.heldMs = clock.elapsed();
    QTest::qWait(150);
    return outcome;
}

// The text controls all have their text as a property of one of two names.
const char *textProperty(QWidget *control) { return qobject_cast<QLineEdit *>(control) ? "text" : "plainText"; }

enum class Answers { Nothing, FormatsOnly, Text };

// A program that owns the selection ("clipboard" or "primary") until it is
// killed: xclip with the text, or silentowner without one (answering which
// formats it has, or not even that).
struct Owner
{
    QProcess process;
    ~Owner()
    {
        process.kill();
        process.waitForFinished(5000);
    }
    void start(const QString &selection, const QByteArray &text = {}, bool answersFormats = false)
    {
        if (text.isNull()) {
            QStringList arguments{selection.toUpper()};
            if (answersFormats)
                arguments.prepend(QStringLiteral("--answers-formats"));
            process.start(QStringLiteral(SILENT_OWNER), arguments);
            QVERIFY(process.waitForReadyRead(5000));
            // A keystroke reaches Qt only after the news that another
            // program took the selection, so Qt has heard it by then.
            const QClipboard *clipboard = QGuiApplication::clipboard();
            QTRY_VERIFY(!(selection == "primary" ? clipboard->ownsSelection() : clipboard->ownsClipboard()));
            return;
        }
        copyElsewhere(process, text, selection);
    }
};

} // namespace

class TestX11Paste : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> m_h;
    QLineEdit m_inputBox;

    QWidget *prepared(const QString &which)
    {
        QWidget *control = which == "manuscript" ? m_h->window().ui().RichTextBox1
                         : which == "board"      ? m_h->window().ui().Text2[0]
                                                 : static_cast<QWidget *>(&m_inputBox);
        control->setProperty(textProperty(control), QStringLiteral("原稿"));
        m_inputBox.setCursorPosition(0);
        return control;
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QFAIL("needs a real X server (QT_QPA_PLATFORM=xcb)");
        // As the program starts: the guard comes with the application's set-up.
        QVERIFY(prepareApplication(*qApp));
        m_h = std::make_unique<Harness>(qtServices().clipboard);
        m_h->window().show();
        m_h->window().ui().Text2[0]->show();
        m_inputBox.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_h->window()));
    }

    void cleanupTestCase() { m_h.reset(); }

    void pasteWaitsOnlyForAnOwnerThatAnswers_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<Answers>("answers");
        for (const Answers answers : {Answers::Nothing, Answers::FormatsOnly, Answers::Text}) {
            const char *owner = answers == Answers::Text      ? "xclip: "
                              : answers == Answers::Nothing   ? "silent: "
                                                              : "formats only: ";
            auto row = [&](const char *name, const char *which, Gesture gesture) {
                QTest::addRow("%s%s", owner, name) << QString::fromLatin1(which) << gesture << answers;
            };
            row("manuscript Ctrl+V", "manuscript", Gesture::CtrlV);
            row("manuscript middle click", "manuscript", Gesture::MiddleClick);
            row("manuscript context menu", "manuscript", Gesture::ContextMenu);
            row("board Shift+Insert", "board", Gesture::ShiftInsert);
            row("board context menu", "board", Gesture::ContextMenu);
            row("input box Ctrl+V", "input box", Gesture::CtrlV);
            row("input box middle click", "input box", Gesture::MiddleClick);
            row("input box context menu", "input box", Gesture::ContextMenu);
        }
    }

    void pasteWaitsOnlyForAnOwnerThatAnswers()
    {
        QFETCH(QString, which);
        QFETCH(Gesture, gesture);
        QFETCH(Answers, answers);
        QWidget *control = prepared(which);
        Owner owner;
        owner.start(gesture == Gesture::MiddleClick ? "primary" : "clipboard",
                    answers == Answers::Text ? "别处的" : QByteArray(), answers == Answers::FormatsOnly);
        const Outcome outcome = perform(control, gesture);
        QVERIFY2(outcome.heldMs < 300, qPrintable(QString::number(outcome.heldMs)));
        const bool textComes = answers == Answers::Text;
        QCOMPARE(outcome.menuShown, textComes && gesture == Gesture::ContextMenu);
        const bool pastes = textComes && gesture != Gesture::ContextMenu;
        QCOMPARE(control->property(textProperty(control)).toString(), QString::fromUtf8(pastes ? "别处的原稿" : "原稿"));
    }

    // Reads Qt makes with no event before them to guard (a paste asked for
    // over the accessibility bus) end within a second when the owner does
    // not answer, and an owner that answers, however much, is not cut short.
    void qtsOwnReadEndsInTime_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<int>("size");
        QTest::newRow("silent clipboard") << "clipboard" << Answers::Nothing << 0;
        QTest::newRow("formats only") << "clipboard" << Answers::FormatsOnly << 0;
        QTest::newRow("silent primary") << "primary" << Answers::Nothing << 0;
        QTest::newRow("xclip, 6 MB in pieces") << "clipboard" << Answers::Text << 6 * 1024 * 1024;
    }

    void qtsOwnReadEndsInTime()
    {
        QFETCH(QString, selection);
        QFETCH(Answers, answers);
        QFETCH(int, size);
        QTRY_VERIFY(qApp->findChild<StalledReads *>());
        const StalledReads *reads = qApp->findChild<StalledReads *>();
        const QByteArray text(size, 'a');
        Owner owner;
        owner.start(selection, answers == Answers::Text ? text : QByteArray(), answers == Answers::FormatsOnly);
        const int releasedBefore = reads->released();
        QElapsedTimer clock;
        clock.start();
        const QString read = QGuiApplication::clipboard()->text(selection == "primary" ? QClipboard::Selection
                                                                                       : QClipboard::Clipboard);
        const qint64 heldMs = clock.elapsed();
        // Back in the event loop, as after any paste.
        QTest::qWait(100);
        if (answers == Answers::Text) {
            QCOMPARE(read.size(), text.size());
            QCOMPARE(reads->released(), releasedBefore);
        } else {
            QVERIFY2(heldMs < 1000, qPrintable(QString::number(heldMs)));
            QVERIFY(read.isEmpty());
            QVERIFY(reads->released() > releasedBefore);
        }
    }

    void ownCopyPastes()
    {
        // Qt answers for what this program copied; asking over X would
        // wait on this very thread.
        auto *manuscript = static_cast<QTextEdit *>(prepared("manuscript"));
        manuscript->selectAll();
        QTest::keyClick(manuscript, Qt::Key_C, Qt::ControlModifier);
        prepared("manuscript");
        QVERIFY(perform(manuscript, Gesture::CtrlV).heldMs < 300);
        QCOMPARE(manuscript->toPlainText(), QStringLiteral("原稿原稿"));
    }

    void pastesAgainOnceTheSilentOwnerIsGone()
    {
        QWidget *manuscript = prepared("manuscript");
        {
            Owner silent;
            silent.start("clipboard");
            QVERIFY(perform(manuscript, Gesture::CtrlV).heldMs < 300);
        }
        Owner owner;
        owner.start("clipboard", "之后");
        QVERIFY(perform(manuscript, Gesture::CtrlV).heldMs < 300);
        QCOMPARE(manuscript->property("plainText").toString(), QStringLiteral("之后原稿"));
    }
};

QTEST_MAIN(TestX11Paste)
#include "tst_x11paste.moc"
