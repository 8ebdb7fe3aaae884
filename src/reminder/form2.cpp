#include "form2.h"

#include "shell/twips.h"
#include "shell/windowicon.h"
#include "text/numericprefix.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace bilan {

namespace {

// Designed geometry, in units of 1/1440 inch.
constexpr int kClientWidth = 4770;
constexpr int kClientHeight = 840;

const QString kExpiredMessage = QStringLiteral("定时时间已到，请注意！");

void place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(Twips::rect(left, top, width, height));
}

} // namespace

Form2::Form2(const Services &services, std::function<bool()> programEnding)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                           | Qt::MSWindowsFixedSizeDialogHint)
    , m_services(services)
    , m_programEnding(std::move(programEnding))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("定时器"));
    setWindowIcon(windowIcon());
    setAccessibleName(windowTitle());
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(9);
    setFont(font);
    setFixedSize(Twips::size(kClientWidth, kClientHeight));

    m_ui.Label1 = new QLabel(QStringLiteral("请输入定时时间（分钟）："), this);
    m_ui.Label1->setObjectName(QStringLiteral("Label1"));
    place(m_ui.Label1, 120, 240, 2175, 375);
    m_ui.Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_ui.Text1 = new QLineEdit(this);
    m_ui.Text1->setObjectName(QStringLiteral("Text1"));
    place(m_ui.Text1, 2340, 120, 1215, 375);
    // The box has no caption of its own: the label beside it names it.
    m_ui.Label1->setBuddy(m_ui.Text1);
    m_ui.Text1->setAccessibleName(m_ui.Label1->text());

    m_ui.Command1 = new QPushButton(QStringLiteral("开始定时"), this);
    m_ui.Command1->setObjectName(QStringLiteral("Command1"));
    m_ui.Command1->setAccessibleName(m_ui.Command1->text());
    place(m_ui.Command1, 3720, 120, 975, 375);
    connect(m_ui.Command1, &QPushButton::clicked, this, [this] { start(); });

    setTabOrder(m_ui.Text1, m_ui.Command1);
    m_ui.Text1->setFocus();

    m_timer = m_services.timers->create(TickInterval, [this] { check(); });
    m_ui.Timer1 = m_timer.get();
}

Form2::~Form2() = default;

void Form2::start()
{
    m_minutesText = m_ui.Text1->text();
    if (m_minutesText.isEmpty())
        return;
    // A running timer keeps its rhythm: starting it again would push the
    // next tick a whole minute away.
    if (!m_timer->isActive())
        m_timer->start();
    hide();
}

void Form2::check()
{
    // The count stops at its largest value rather than wrap round: no
    // entry can be reached beyond it.
    if (m_minuteCount < MaxMinuteCount)
        ++m_minuteCount;
    if (double(m_minuteCount) == numericPrefix(m_minutesText)) {
        remind();
        return;
    }
    if (m_minuteCount == MaxMinuteCount) {
        // Nothing can fire any more; the countdown quietly ends, and the
        // next start counts from the beginning again.
        m_timer->stop();
        m_minuteCount = 0;
    }
}

void Form2::remind()
{
    m_services.desktop->beep();
    // Ticks go on while the message waits and raise the count past the
    // entry, so they show no second message; the count starts again once
    // the message is closed.
    m_services.prompts->message(this, kExpiredMessage, MessageButtons::Ok);
    m_timer->stop();
    m_minuteCount = 0;
    if (!m_programEnding())
        bringForward();
}

void Form2::stop()
{
    m_timer->stop();
    m_minuteCount = 0;
}

void Form2::bringForward()
{
    show();
    raise();
    activateWindow();
}

} // namespace bilan
