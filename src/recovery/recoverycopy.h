#pragma once

#include "copyfolder.h"
#include "platform/services.h"
#include "text/rtf/rtfwriter.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class QTextDocument;
class QTextEdit;
class QWidget;

namespace bilan {

// Keeps a copy of the manuscript in the recovery folder while it holds
// changes that no save has written, so that a program killed at any moment
// leaves the work of all but the last few seconds behind. Nothing is
// written for a manuscript that has not changed.
//
// A copy is made when the author pauses, or, under steady typing, once the
// oldest change it lacks is LatestMs old. The manuscript is taken on this
// thread, between two keystrokes: just after a frame has shown the last
// one, when the next is least likely to be waiting. Only the paragraphs
// changed since the last copy are made into RTF then; the file itself is
// put together, written and synced on a worker thread.
class RecoveryCopy final : public QObject
{
    Q_OBJECT
public:
    static constexpr int TickMs = 250;
    // A pause in the changes this long is a good moment for a copy.
    static constexpr qint64 QuietMs = 2000;
    // The oldest change a copy may lack, under steady typing, before one is
    // made anyway: with a tick and the write, every change is on the disk
    // within 10 seconds.
    static constexpr qint64 LatestMs = 9000;
    // Waiting for a frame after that gives up this much later.
    static constexpr qint64 FrameWaitMs = 500;

    RecoveryCopy(QTextEdit &manuscript, const QString &folder, const Services &services, QWidget *dialogParent);
    ~RecoveryCopy() override;

    // The manuscript shows a document of its own now, as it stands (after
    // Open, after New): nothing to keep until its next change.
    void startOver();
    // A save wrote the manuscript: the copy is not needed until the next change.
    void saved();
    // The program ends deliberately: the copy and its lock go.
    void end();
    // The manuscript now holds work that is on no disk but in a copy left
    // by another program: it counts as changed, and a copy of it is written
    // at once. True when that copy was written.
    bool keepRecovered();

    // Waits for a copy being written; for the end, and for tests.
    void waitForWrite();
    QString copyPath() const { return m_copyPath; }
    bool isKeeping() const { return !m_disabled; }
    int copiesWritten() const { return m_written; }

signals:
    void copyWritten();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow(QTextDocument *document);
    void changed();
    void tick();
    void snapshot();
    void writeFinished();
    void discard();
    bool prepare();
    void giveUp(const QString &reason);
    qint64 sinceMs(const QDateTime &then) const;

    QTextEdit &m_manuscript;
    QString m_folder;
    Services m_services;
    QWidget *m_dialogParent;
    QString m_copyPath;

    QPointer<QTextDocument> m_document;
    QMetaObject::Connection m_contents;
    QMetaObject::Connection m_modification;
    std::unique_ptr<Ticker> m_ticker;
    // The first and the last change that the copy on the disk lacks.
    std::optional<QDateTime> m_firstPending;
    QDateTime m_lastChange;
    // Since when a copy waits for the next frame.
    std::optional<QDateTime> m_waitingForFrame;
    bool m_snapshotQueued = false;
    // The manuscript's RTF is to be made at the next quiet tick.
    bool m_warmUp = false;

    rtf::IncrementalWriter m_rtf;
    std::unique_ptr<recovery::CopyLock> m_lock;
    QFutureWatcher<QString> m_write;
    bool m_disabled = false;
    int m_written = 0;
};

} // namespace bilan
