#pragma once

#include <QObject>

#include <memory>

namespace bilan {

class Form1;
class Form2;

// The "定时提醒" command: the reminder dialog, made on first use. The
// dialog is a window of its own, without an owner, and lives as long as
// the main window; the program's end ends a countdown with it.
class Reminder final : public QObject
{
    Q_OBJECT
public:
    explicit Reminder(Form1 &window);
    ~Reminder() override;

    // Shows the dialog, creating it the first time, or brings it forward.
    void show();
    // The dialog, or nothing before the first use.
    Form2 *form2() const { return m_form2.get(); }

private:
    Form1 &m_window;
    std::unique_ptr<Form2> m_form2;
};

} // namespace bilan
