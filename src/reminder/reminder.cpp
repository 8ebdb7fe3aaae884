#include "reminder.h"

#include "form2.h"
#include "shell/form1.h"

namespace bilan {

Reminder::Reminder(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("Reminder"));
    connect(&window, &Form1::programEnded, this, [this] {
        if (m_form2)
            m_form2->stop();
    });
}

Reminder::~Reminder() = default;

void Reminder::show()
{
    if (!m_form2) {
        m_form2 = std::make_unique<Form2>(m_window.services(), [this] { return m_window.isEnding(); });
        // Without an owner the dialog would open wherever the desktop puts
        // it; it opens over the middle of the main window instead.
        m_form2->move(m_window.frameGeometry().center() - m_form2->rect().center());
    }
    m_form2->bringForward();
}

} // namespace bilan
