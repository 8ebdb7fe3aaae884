// The reminder: its dialog, the minutes it reads, the tick it fires on, and
// the real timer going on under the message box. Minutes pass through the
// scripted timers, so no test waits for one.

#include "support/scriptedservices.h"

#include "app/composition.h"
#include "reminder/form2.h"
#include "reminder/reminder.h"
#include "shell/form1.h"
#include "shell/twips.h"

#include <QAction>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace bilan;
using namespace bilan::test;

namespace {

constexpr int Never = 0;
const QString kExpired = QStringLiteral("定时时间已到，请注意！");

Form2 *openReminder(Form1 &window)
{
    window.ui().timer->trigger();
    Reminder *reminder = window.findChild<Reminder *>();
    return reminder ? reminder->form2() : nullptr;
}

ManualTicker &minuteTimer(Form2 &form)
{
    return *dynamic_cast<ManualTicker *>(form.ui().Timer1);
}

void startWith(Form2 &form, const QString &entry)
{
    form.ui().Text1->setText(entry);
    QTest::mouseClick(form.ui().Command1, Qt::LeftButton);
}

// Lets minutes pass one by one until a reminder comes or `limit` have
// passed; the number of the minute it came in, or Never.
int minutesUntilReminder(Form2 &form, ScriptedDesktop &desktop, int limit)
{
    const int beepsBefore = desktop.beeps;
    for (int minute = 1; minute <= limit; ++minute) {
        minuteTimer(form).elapse();
        if (desktop.beeps != beepsBefore)
            return minute;
    }
    return Never;
}

// Message boxes that let minutes pass while they are open.
class TickingPrompts final : public Prompts
{
public:
    ManualTicker *timer = nullptr;
    int minutesWhileOpen = 0;
    QStringList shown;

protected:
    MessageAnswer showMessage(QWidget *, const QString &text, MessageButtons, MessageIcon, const QString &) override
    {
        shown << text;
        for (int i = 0; i < minutesWhileOpen && timer; ++i)
            timer->elapse();
        return MessageAnswer::Ok;
    }
    QString showInput(QWidget *, const QString &, const QString &) override { return {}; }
};

} // namespace

class TestReminder : public QObject
{
    Q_OBJECT

private slots:
    void dialogIsMadeOnceWithoutOwner();
    void firesWhenTheCountReachesTheEntry_data();
    void firesWhenTheCountReachesTheEntry();
    void startingAgainWhileCountingKeepsTheCount_data();
    void startingAgainWhileCountingKeepsTheCount();
    void minutesWhileTheMessageIsOpenCount();
    void countStopsAtItsLimit_data();
    void countStopsAtItsLimit();
    void closingHidesAndTheCountGoesOn();
    void programEndTakesTheCountdownWithIt();
    void realTimerTicksUnderAMessageBox();
};

void TestReminder::dialogIsMadeOnceWithoutOwner()
{
    Harness h;
    QVERIFY(!h.window().findChild<Reminder *>()->form2());
    Form2 *form = openReminder(h.window());
    QVERIFY(form);
    QVERIFY(form->isVisible());
    QVERIFY(!form->parentWidget());
    QVERIFY(!form->isModal());
    QCOMPARE(form->windowTitle(), QStringLiteral("定时器"));
    QCOMPARE(form->size(), Twips::size(4770, 840));
    QVERIFY(!(form->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(form->ui().Text1->nextInFocusChain(), form->ui().Command1);
    QVERIFY(!form->ui().Timer1->isActive()); // idle until the first start
    QCOMPARE(form->ui().Timer1->interval(), 60000);

    form->hide();
    QCOMPARE(openReminder(h.window()), form);
    QVERIFY(form->isVisible());
}

void TestReminder::firesWhenTheCountReachesTheEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("firesAt");
    QTest::newRow("5") << "5" << 5;
    QTest::newRow("unit after the number") << "10分钟" << 10;
    QTest::newRow("blank inside") << "1 0" << 10;
    QTest::newRow("5.0") << "5.0" << 5;
    QTest::newRow("5E0") << "5E0" << 5;
    QTest::newRow("fraction") << "2.5" << Never;
    QTest::newRow("zero") << "0" << Never;
    QTest::newRow("negative") << "-3" << Never;
    QTest::newRow("letters") << "abc" << Never;
}

void TestReminder::firesWhenTheCountReachesTheEntry()
{
    QFETCH(QString, entry);
    QFETCH(int, firesAt);
    Harness h;
    Form2 *form = openReminder(h.window());
    startWith(*form, entry);
    QVERIFY(!form->isVisible());
    QVERIFY(form->ui().Timer1->isActive());

    QCOMPARE(minutesUntilReminder(*form, h.desktop, 40), firesAt);
    if (firesAt == Never) {
        QVERIFY(h.prompts.messages.isEmpty());
        QVERIFY(form->ui().Timer1->isActive()); // it just never fires
        QVERIFY(!form->isVisible());
        return;
    }
    QCOMPARE(h.desktop.beeps, 1);
    QCOMPARE(h.prompts.messages.size(), 1);
    const ShownMessage &shown = h.prompts.messages.constFirst();
    QCOMPARE(shown.text, kExpired);
    QCOMPARE(shown.title, QStringLiteral("笔澜2.5"));
    QCOMPARE(shown.buttons, MessageButtons::Ok);
    QCOMPARE(shown.icon, MessageIcon::None);
    QVERIFY(!form->ui().Timer1->isActive());
    QVERIFY(form->isVisible());
    QCOMPARE(form->ui().Text1->text(), entry);

    // The same entry again: the count began anew.
    QTest::mouseClick(form->ui().Command1, Qt::LeftButton);
    QCOMPARE(minutesUntilReminder(*form, h.desktop, 40), firesAt);
    QCOMPARE(h.desktop.beeps, 2);
}

void TestReminder::startingAgainWhileCountingKeepsTheCount_data()
{
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("firesAfter");
    QTest::newRow("6 after 4 of 10") << "6" << 2;
    QTest::newRow("3 after 4 of 10") << "3" << Never;
    QTest::newRow("4 after 4 of 10") << "4" << Never;
    QTest::newRow("emptied box") << "" << Never;
}

void TestReminder::startingAgainWhileCountingKeepsTheCount()
{
    QFETCH(QString, second);
    QFETCH(int, firesAfter);
    Harness h;
    Form2 *form = openReminder(h.window());
    startWith(*form, QStringLiteral("10"));
    QCOMPARE(minutesUntilReminder(*form, h.desktop, 4), Never);

    QCOMPARE(openReminder(h.window()), form);
    startWith(*form, second);
    // An empty box is taken as the entry but does not start or hide anything.
    QCOMPARE(form->isVisible(), second.isEmpty());
    QCOMPARE(form->minutesText(), second);
    QVERIFY(form->ui().Timer1->isActive());
    QCOMPARE(minutesUntilReminder(*form, h.desktop, 40), firesAfter);
}

void TestReminder::minutesWhileTheMessageIsOpenCount()
{
    Harness h;
    TickingPrompts prompts;
    Services services = h.services();
    services.prompts = &prompts;
    const std::unique_ptr<Form1> window = createMainWindow(services);
    Form2 *form = openReminder(*window);
    prompts.timer = &minuteTimer(*form);
    prompts.minutesWhileOpen = 3;

    startWith(*form, QStringLiteral("5"));
    QCOMPARE(minutesUntilReminder(*form, h.desktop, 5), 5);
    QCOMPARE(prompts.shown, QStringList{kExpired}); // the minutes past 5 show nothing
    QCOMPARE(h.desktop.beeps, 1);
    QVERIFY(!form->ui().Timer1->isActive());

    // Closing the message began the count anew, whatever passed meanwhile.
    prompts.minutesWhileOpen = 0;
    QTest::mouseClick(form->ui().Command1, Qt::LeftButton);
    QCOMPARE(minutesUntilReminder(*form, h.desktop, 40), 5);
}

void TestReminder::countStopsAtItsLimit_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("firesAt");
    QTest::newRow("the largest count") << "32767" << 32767;
    QTest::newRow("one past it") << "32768" << Never;
    QTest::newRow("far past it") << "70000" << Never;
}

void TestReminder::countStopsAtItsLimit()
{
    QFETCH(QString, entry);
    QFETCH(int, firesAt);
    Harness h;
    Form2 *form = openReminder(h.window());
    startWith(*form, entry);
    QCOMPARE(minutesUntilReminder(*form, h.desktop, Form2::MaxMinuteCount), firesAt);
    // Either way the countdown is over and the count back at 0; the
    // minutes after it change nothing.
    QVERIFY(!form->ui().Timer1->isActive());
    QCOMPARE(form->minuteCount(), 0);
    QCOMPARE(minutesUntilReminder(*form, h.desktop, 10), Never);
    QCOMPARE(h.prompts.messages.size(), firesAt == Never ? 0 : 1);
}

void TestReminder::closingHidesAndTheCountGoesOn()
{
    Harness h;
    Form2 *form = openReminder(h.window());
    startWith(*form, QStringLiteral("3"));
    QCOMPARE(minutesUntilReminder(*form, h.desktop, 1), Never);
    QCOMPARE(openReminder(h.window()), form);
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
    QCOMPARE(h.window().findChild<Reminder *>()->form2(), form);
    QCOMPARE(minutesUntilReminder(*form, h.desktop, 5), 2);
}

void TestReminder::programEndTakesTheCountdownWithIt()
{
    Harness h;
    h.window().show();
    Form2 *form = openReminder(h.window());
    startWith(*form, QStringLiteral("1"));
    QCOMPARE(openReminder(h.window()), form);

    // No to "save?" ends the program at once.
    h.prompts.answers = {MessageAnswer::No};
    QTimer::singleShot(0, &h.window(), [&h] { h.window().close(); });
    QTimer::singleShot(5000, &h.window(), [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
    // The last window's close posts a quit of its own, which would end the
    // next event loop anywhere; it lands in one of ours instead.
    QTimer::singleShot(0, &h.window(), [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    QVERIFY(!form->isVisible());
    QVERIFY(!form->ui().Timer1->isActive());
    minuteTimer(*form).elapse();
    QCOMPARE(h.desktop.beeps, 0);
}

void TestReminder::realTimerTicksUnderAMessageBox()
{
    // The real timer's tick opens a "message" (a nested event loop) on its
    // first minute; the minutes that pass while it is open must still tick.
    int ticks = 0;
    int ticksWhileOpen = 0;
    std::unique_ptr<Ticker> timer;
    timer = qtServices().timers->create(10, [&] {
        if (++ticks != 1)
            return;
        QEventLoop message;
        QTimer::singleShot(300, &message, &QEventLoop::quit);
        message.exec();
        ticksWhileOpen = ticks - 1;
        timer->stop();
    });
    timer->start();
    QTRY_VERIFY(!timer->isActive());
    QVERIFY2(ticksWhileOpen >= 3, qPrintable(QString::number(ticksWhileOpen)));
}

QTEST_MAIN(TestReminder)
#include "tst_reminder.moc"
