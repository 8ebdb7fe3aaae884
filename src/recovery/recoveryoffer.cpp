#include "recoveryoffer.h"

#include "copyfolder.h"
#include "recoverycopy.h"
#include "shell/form1.h"
#include "text/manuscriptio.h"

#include <QEvent>
#include <QTextDocument>
#include <QTextEdit>

namespace bilan {

namespace {

const QString kAskToRecover = QStringLiteral("上次没有保存的稿子（%1）找到了，要恢复吗？");
const QString kAskToDelete = QStringLiteral("不恢复的话，这份稿子（%1）就删掉了，以后再也找不回来。确定删掉吗？");
const QString kRecoveredTitle = QStringLiteral("笔澜2.5 --恢复的稿子");

// "12月7日 14:32"; the year only when it is not this one.
QString whenMade(const QDateTime &madeAt, const QDateTime &now)
{
    const QDateTime local = madeAt.toLocalTime();
    const QDate day = local.date();
    const QString date = day.year() == now.date().year()
                             ? QStringLiteral("%1月%2日").arg(day.month()).arg(day.day())
                             : QStringLiteral("%1年%2月%3日").arg(day.year()).arg(day.month()).arg(day.day());
    return date + QLatin1Char(' ') + local.toString(QStringLiteral("HH:mm"));
}

// Puts the recovered document into the manuscript. The edit does not own
// documents it is given, so the one it showed goes unless it is the
// edit's built-in document, which its control deletes itself.
void showInManuscript(QTextEdit &manuscript, QTextDocument *document)
{
    QTextDocument *previous = manuscript.document();
    const bool ours = previous->parent() == &manuscript;
    manuscript.setDocument(document);
    if (ours)
        delete previous;
}

} // namespace

RecoveryOffer::RecoveryOffer(Form1 &window, RecoveryCopy &keeper, const QString &folder)
    : QObject(&window)
    , m_window(window)
    , m_keeper(keeper)
    , m_folder(folder)
{
    window.installEventFilter(this);
}

bool RecoveryOffer::eventFilter(QObject *watched, QEvent *event)
{
    // Asked once the window is up, not while it is being built.
    if (watched == &m_window && event->type() == QEvent::Show && !m_done)
        QMetaObject::invokeMethod(this, &RecoveryOffer::offer, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void RecoveryOffer::offer()
{
    if (m_done)
        return;
    m_done = true;
    m_window.removeEventFilter(this);

    Prompts &prompts = *m_window.services().prompts;
    QTextEdit &manuscript = *m_window.ui().RichTextBox1;
    // The locks are held until the questions are over, so that a program
    // started meanwhile does not offer the same copies.
    std::vector<recovery::LeftCopy> copies = recovery::leftCopies(m_folder);
    for (recovery::LeftCopy &copy : copies) {
        const QString made = whenMade(copy.madeAt, m_window.services().clock->now());
        const MessageAnswer answer = prompts.message(&m_window, kAskToRecover.arg(made), MessageButtons::YesNoLater);
        if (answer == MessageAnswer::No) {
            if (prompts.message(&m_window, kAskToDelete.arg(made), MessageButtons::YesNoLater) == MessageAnswer::Yes)
                recovery::removeCopy(copy.path, *copy.lock);
            continue;
        }
        if (answer != MessageAnswer::Yes)
            continue;

        auto *document = new QTextDocument(&manuscript);
        document->setDefaultFont(manuscript.document()->defaultFont());
        document->setDocumentMargin(manuscript.document()->documentMargin());
        if (const manuscript::Outcome outcome = manuscript::load(copy.path, *document); !outcome.ok()) {
            delete document;
            prompts.message(&m_window, outcome.error, MessageButtons::Ok, MessageIcon::Warning);
            continue;
        }
        showInManuscript(manuscript, document);
        m_window.setWindowTitle(kRecoveredTitle);
        // The old copy goes once the work is safe in this program's own.
        if (m_keeper.keepRecovered())
            recovery::removeCopy(copy.path, *copy.lock);
        // The manuscript now holds work that no save has written; another
        // copy would replace it, so the rest wait for the next start.
        break;
    }
}

} // namespace bilan
