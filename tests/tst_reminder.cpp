// The reminder: its dialog, the tick it fires on, and the minutes that
// pass while its message is open. Minutes pass through the scripted timers.

#include "support/scriptedservices.h"

#include "reminder/form2.h"
#include "reminder/reminder.h"
#include "shell/form1.h"

#include <QAction>
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
    return window.findChild<Reminder *>()->form2();
}

void startWith(Form2 &form, const QString &entry)
{
    form.ui().Text1->setText(entry);
    QTest::mouseClick(form.ui().Command1, Qt::LeftButton);
}

ManualTicker &minutes(Form2 &form)
{
    return *dynamic_cast<ManualTicker *>(form.ui().Timer1);
}

// The minute, counted from now, in which the beep comes; Never within `limit`.
int minutesUntilReminder(Form2 &form, const ScriptedDesktop &desktop, int limit)
{
    const int beeps = desktop.beeps;
    for (int minute = 1; minute <= limit; ++minute) {
        minutes(form).elapse();
        if (desktop.beeps != beeps)
            return minute;
    }
    return Never;
}

} // namespace

class TestReminder : public QObject
{
    Q_OBJECT

private slots:
    // One dialog of its own, not modal, that waits for an entry; its close
    // box hides it and the countdown goes on in the same dialog.
    void oneIdleDialogWithoutOwner()
    {
        Harness h;
        Form2 *form = openReminder(h.window());
        QVERIFY(form && form->isVisible() && !form->parentWidget() && !form->isModal());
        QCOMPARE(form->ui().Text1->nextInFocusChain(), form->ui().Command1); // Tab from the entry to its button
        QVERIFY(!form->ui().Timer1->isActive());
        QCOMPARE(form->ui().Timer1->interval(), 60000); // the scripted timers tick a minute at a time
        startWith(*form, QStringLiteral("3"));
        minutes(*form).elapse();
        QCOMPARE(openReminder(h.window()), form);
        QVERIFY(form->close());
        QVERIFY(!form->isVisible());
        QCOMPARE(minutesUntilReminder(*form, h.desktop, 5), 2);
    }

    void firesWhenTheCountReachesTheEntry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("firesAt");
        // How the number is read is tst_numericprefix's; here, which numbers count.
        QTest::newRow("5") << "5" << 5;
        QTest::newRow("unit after") << "10分钟" << 10;
        QTest::newRow("5.0") << "5.0" << 5;
        QTest::newRow("fraction") << "2.5" << Never;
        QTest::newRow("zero") << "0" << Never;
        QTest::newRow("negative") << "-3" << Never;
        // The count stops at its limit, which an entry can still reach.
        QTest::newRow("the count's limit") << QString::number(Form2::MaxMinuteCount) << Form2::MaxMinuteCount;
        QTest::newRow("past the limit") << QString::number(Form2::MaxMinuteCount + 1) << Never;
    }

    void firesWhenTheCountReachesTheEntry()
    {
        QFETCH(QString, entry);
        QFETCH(int, firesAt);
        Harness h;
        Form2 *form = openReminder(h.window());
        startWith(*form, entry);
        QVERIFY(!form->isVisible());

        const int limit = std::max(40, entry.toInt());
        QCOMPARE(minutesUntilReminder(*form, h.desktop, limit), firesAt);
        // Counting on towards an entry it never meets, or stopped and reset.
        const bool counting = firesAt == Never && limit == 40;
        QCOMPARE(form->ui().Timer1->isActive(), counting);
        QCOMPARE(form->minuteCount() == 0, !counting);
        QCOMPARE(form->isVisible(), firesAt != Never);
        if (firesAt == Never) {
            QVERIFY(h.prompts.messages.isEmpty());
            return;
        }
        QCOMPARE(h.desktop.beeps, 1);
        QCOMPARE(h.prompts.takeMessages(), QStringList{kExpired});
        QCOMPARE(form->ui().Text1->text(), entry);

        // The same entry again counts from the beginning.
        QTest::mouseClick(form->ui().Command1, Qt::LeftButton);
        QCOMPARE(minutesUntilReminder(*form, h.desktop, limit), firesAt);
    }

    void startingAgainKeepsTheCount_data()
    {
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("firesAfter");
        QTest::newRow("6 after 4 of 10") << "6" << 2;
        QTest::newRow("3 after 4 of 10") << "3" << Never;
        QTest::newRow("emptied box") << "" << Never;
    }

    void startingAgainKeepsTheCount()
    {
        QFETCH(QString, second);
        QFETCH(int, firesAfter);
        Harness h;
        Form2 *form = openReminder(h.window());
        startWith(*form, QStringLiteral("10"));
        QCOMPARE(minutesUntilReminder(*form, h.desktop, 4), Never);

        openReminder(h.window());
        startWith(*form, second);
        // An empty box is taken as the entry, and hides nothing.
        QCOMPARE(form->isVisible(), second.isEmpty());
        QCOMPARE(minutesUntilReminder(*form, h.desktop, 40), firesAfter);
    }

    void minutesUnderTheMessageCount()
    {
        Harness h;
        Form2 *form = openReminder(h.window());
        int minutesWhileOpen = 3;
        h.prompts.whileOpen = [&] {
            for (int i = 0; i < minutesWhileOpen; ++i)
                minutes(*form).elapse();
        };
        startWith(*form, QStringLiteral("5"));
        QCOMPARE(minutesUntilReminder(*form, h.desktop, 5), 5);
        QCOMPARE(h.prompts.takeMessages(), QStringList{kExpired});
        QVERIFY(!form->ui().Timer1->isActive());

        // Closing the message began the count anew, whatever passed meanwhile.
        minutesWhileOpen = 0;
        QTest::mouseClick(form->ui().Command1, Qt::LeftButton);
        QCOMPARE(minutesUntilReminder(*form, h.desktop, 40), 5);
    }

    void programEndTakesTheCountdownWithIt()
    {
        Harness h;
        h.window().show();
        Form2 *form = openReminder(h.window());
        startWith(*form, QStringLiteral("1"));
        openReminder(h.window());

        h.prompts.answers = {MessageAnswer::No}; // to "save?": end at once
        QTimer::singleShot(0, &h.window(), [&h] { h.window().close(); });
        QTimer::singleShot(5000, &h.window(), [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        // The last window's close posts a quit of its own, which would end the
        // next event loop anywhere; it lands in one of ours instead.
        QTimer::singleShot(0, &h.window(), [] { QCoreApplication::quit(); });
        QCoreApplication::exec();

        QVERIFY(!form->isVisible());
        QVERIFY(!form->ui().Timer1->isActive());
    }
};

QTEST_MAIN(TestReminder)
#include "tst_reminder.moc"
