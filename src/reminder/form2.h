#pragma once

#include "platform/services.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace bilan {

// The controls of the reminder dialog under their designed names, which
// are also their object names.
struct Form2Ui
{
    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    Ticker *Timer1 = nullptr; // one tick a minute; owned by the dialog
};

// The reminder dialog: the author types a number of minutes and starts
// the count; when the count of minutes reaches the number, the program
// beeps, says so and shows the dialog again for the next reminder.
//
// It is created idle, its timer off: nothing counts before the first
// start. Its close box only hides it, and a countdown goes on meanwhile.
class Form2 final : public QWidget
{
    Q_OBJECT
public:
    // The count never passes this, the largest signed 16-bit value.
    static constexpr int MaxMinuteCount = 32767;
    static constexpr int TickInterval = 60000;

    // programEnding tells whether the program is on its way out, when the
    // dialog must not come back after a reminder.
    Form2(const Services &services, std::function<bool()> programEnding);
    ~Form2() override;

    const Form2Ui &ui() const { return m_ui; }
    // The entry as it was at the last start with a non-empty box.
    const QString &minutesText() const { return m_minutesText; }
    // Minutes counted since the timer was turned on from idle.
    int minuteCount() const { return m_minuteCount; }

    // "开始定时".
    void start();
    // One tick of the minute timer.
    void check();
    // The program ends: the countdown ends with it.
    void stop();

    // Shows the dialog, or brings it forward when it is already shown.
    void bringForward();

private:
    void remind();

    Services m_services;
    std::function<bool()> m_programEnding;
    Form2Ui m_ui;
    std::unique_ptr<Ticker> m_timer;
    QString m_minutesText;
    int m_minuteCount = 0;
};

} // namespace bilan
