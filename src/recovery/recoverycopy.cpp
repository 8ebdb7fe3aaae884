#include "recoverycopy.h"

#include "text/manuscriptio.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QTextDocument>
#include <QTextEdit>
#include <QtConcurrent/QtConcurrentRun>

namespace bilan {

RecoveryCopy::RecoveryCopy(QTextEdit &manuscript, const QString &folder, const Services &services,
                           QWidget *dialogParent)
    : QObject(&manuscript)
    , m_manuscript(manuscript)
    , m_folder(folder)
    , m_services(services)
    , m_dialogParent(dialogParent)
    , m_copyPath(QDir(folder).filePath(recovery::newCopyName()))
    , m_ticker(services.timers->create(TickMs, [this] { tick(); }))
{
    connect(&m_write, &QFutureWatcher<QString>::finished, this, &RecoveryCopy::writeFinished);
    manuscript.viewport()->installEventFilter(this);
    follow(manuscript.document());
}

RecoveryCopy::~RecoveryCopy()
{
    waitForWrite();
}

void RecoveryCopy::follow(QTextDocument *document)
{
    if (document == m_document)
        return;
    disconnect(m_contents);
    disconnect(m_modification);
    // Another manuscript: nothing kept of the last one's RTF is of use.
    m_rtf.forget();
    m_document = document;
    m_contents = connect(document, &QTextDocument::contentsChanged, this, &RecoveryCopy::changed);
    // Undo back to what the last save wrote leaves nothing to keep.
    m_modification = connect(document, &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (!modified)
            discard();
    });
}

void RecoveryCopy::changed()
{
    if (m_disabled || !m_document || !m_document->isModified())
        return;
    const QDateTime now = m_services.clock->now();
    if (!m_firstPending)
        m_firstPending = now;
    m_lastChange = now;
    if (!m_ticker->isActive())
        m_ticker->start();
}

qint64 RecoveryCopy::sinceMs(const QDateTime &then) const
{
    return then.msecsTo(m_services.clock->now());
}

void RecoveryCopy::tick()
{
    if (m_write.isRunning() || m_snapshotQueued)
        return;
    // A manuscript just opened, not yet changed: its RTF is made now, while
    // the author reads, so that the first copy finds every paragraph made
    // and holds no keystroke.
    if (m_warmUp && !m_disabled && m_document && !m_firstPending) {
        m_warmUp = false;
        m_rtf.write(*m_document);
    }
    if (m_disabled || !m_firstPending) {
        m_ticker->stop();
        return;
    }
    if (sinceMs(m_lastChange) >= QuietMs) {
        snapshot();
    } else if (sinceMs(*m_firstPending) >= LatestMs) {
        // Still typing: the copy waits for the frame that shows the last
        // keystroke, unless no frame comes (the window minimised, a change
        // made by a command that shows nothing).
        if (!m_waitingForFrame)
            m_waitingForFrame = m_services.clock->now();
        else if (sinceMs(*m_waitingForFrame) >= FrameWaitMs)
            snapshot();
    }
}

bool RecoveryCopy::eventFilter(QObject *watched, QEvent *event)
{
    // Queued, the copy is made once this frame is out, not before it.
    if (event->type() == QEvent::Paint && m_waitingForFrame && !m_snapshotQueued) {
        m_snapshotQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_snapshotQueued = false;
                snapshot();
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void RecoveryCopy::snapshot()
{
    m_waitingForFrame.reset();
    m_warmUp = false;
    if (m_disabled || !m_document || !m_firstPending || m_write.isRunning() || !prepare())
        return;
    m_firstPending.reset();
    // Only what changed since the last copy is made into RTF here; the
    // rest is the last copy's, and the bytes are put together and written
    // on the worker.
    const rtf::Snapshot rtf = m_rtf.write(*m_document);
    const QString path = m_copyPath;
    m_write.setFuture(QtConcurrent::run([path, rtf] {
        return manuscript::writeWhole(path, [&rtf](const manuscript::Put &put) { return rtf.write(put); }, true);
    }));
}

void RecoveryCopy::writeFinished()
{
    const QString reason = m_write.result();
    if (!reason.isEmpty()) {
        giveUp(reason);
        return;
    }
    ++m_written;
    emit copyWritten();
}

bool RecoveryCopy::prepare()
{
    if (m_lock)
        return true;
    QString reason = manuscript::preparePrivateFolder(m_folder);
    if (reason.isEmpty()) {
        m_lock = recovery::CopyLock::create(recovery::lockPathOf(m_copyPath), &reason);
        if (m_lock)
            return true;
    }
    giveUp(reason);
    return false;
}

void RecoveryCopy::giveUp(const QString &reason)
{
    // Said once: the program goes on as before, only without copies.
    if (m_disabled)
        return;
    m_disabled = true;
    m_firstPending.reset();
    m_ticker->stop();
    m_services.prompts->message(
        m_dialogParent,
        QStringLiteral("无法在文件夹“%1”里保存稿子的恢复副本：%2。\n"
                       "笔澜2.5 照常工作，只是不再保存恢复副本，请记得随时保存稿子。")
            .arg(QDir::toNativeSeparators(m_folder), reason),
        MessageButtons::Ok, MessageIcon::Warning);
}

void RecoveryCopy::waitForWrite()
{
    m_write.waitForFinished();
}

void RecoveryCopy::discard()
{
    // A write still going would put the copy back after its removal.
    waitForWrite();
    m_firstPending.reset();
    m_waitingForFrame.reset();
    m_ticker->stop();
    if (QFileInfo::exists(m_copyPath))
        QFile::remove(m_copyPath);
}

void RecoveryCopy::startOver()
{
    follow(m_manuscript.document());
    if (m_document)
        m_document->setModified(false);
    discard();
    if (!m_disabled && m_document && !m_document->isEmpty()) {
        m_warmUp = true;
        m_ticker->start();
    }
}

void RecoveryCopy::saved()
{
    if (m_document)
        m_document->setModified(false);
    discard();
}

void RecoveryCopy::end()
{
    discard();
    if (m_lock) {
        m_lock->removeFile();
        m_lock.reset();
    }
    m_disabled = true;
    m_rtf.forget();
}

bool RecoveryCopy::keepRecovered()
{
    follow(m_manuscript.document());
    if (!m_document)
        return false;
    m_document->setModified(true);
    waitForWrite();
    if (m_disabled || !prepare())
        return false;
    m_firstPending.reset();
    const rtf::Snapshot rtf = m_rtf.write(*m_document);
    if (const QString reason = manuscript::writeWhole(
            m_copyPath, [&rtf](const manuscript::Put &put) { return rtf.write(put); }, true);
        !reason.isEmpty()) {
        giveUp(reason);
        return false;
    }
    ++m_written;
    emit copyWritten();
    return true;
}

} // namespace bilan
