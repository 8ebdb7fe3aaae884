#pragma once

#include "rtfsnapshot.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QMetaObject>
#include <QPointer>
#include <QTextDocument>

#include <functional>
#include <memory>

class QTextDocument;

namespace bilan::rtf {

// The document as RTF that other word processors read with the same text
// and formatting.
QByteArray write(const QTextDocument &document);

// The same RTF handed to put in pieces of a few megabytes as it is made,
// for a save that must not hold a manuscript of photographs twice. False
// when put failed, after which nothing more is handed to it.
bool write(const QTextDocument &document, const std::function<bool(QByteArrayView)> &put);

// The same RTF, byte for byte, of a document written again and again while
// it is edited, as the recovery copy writes it: each paragraph's RTF is kept
// and used again while the paragraph, its formats and the document's font
// and colour tables are unchanged. A paragraph that Qt reports changed is
// read again and found among the kept ones by all it is made from, or made
// anew; the others are taken as they were. A write between two keystrokes
// then costs a walk over the paragraphs and the making of the few that
// changed. The snapshot is written out on any thread.
// The same as pieces, taking each paragraph that the cache holds from it
// and leaving the ones it makes there (IncrementalWriter keeps the cache).
Snapshot write(const QTextDocument &document, ParagraphCache &cache);

class IncrementalWriter final
{
public:
    IncrementalWriter();
    ~IncrementalWriter();

    Snapshot write(const QTextDocument &document);
    // Lets go of every kept paragraph (another document follows).
    void forget();

    // Paragraphs of the last write taken from those kept, and made anew;
    // of those taken, the ones whose blocks Qt reported unchanged, taken
    // without reading them.
    int reused() const;
    int made() const;
    int unread() const;

private:
    std::unique_ptr<ParagraphCache> m_cache;
    QPointer<const QTextDocument> m_document;
    QMetaObject::Connection m_changes;
    int m_revision = 0;
};

} // namespace bilan::rtf
