#include "rtfsnapshot.h"

#include "rtfwriter.h"

#include <QHashFunctions>
#include <QTextBlock>

#include <string>

namespace bilan::rtf {

namespace {

// What gathers before it goes to put: few calls for the file, and little
// memory beside the pictures.
constexpr size_t kGatherBytes = 4 * 1024 * 1024;
// Picture bytes turned into digits at a time: whole lines.
constexpr qsizetype kHexStretch = 64 * 1024;

} // namespace

bool Snapshot::write(const std::function<bool(QByteArrayView)> &put) const
{
    std::string gathered;
    gathered.reserve(kGatherBytes + kHexStretch * 3);
    const auto handOn = [&gathered, &put] {
        if (gathered.empty())
            return true;
        const bool ok = put(QByteArrayView(gathered.data(), qsizetype(gathered.size())));
        gathered.clear();
        return ok;
    };
    for (const Piece &piece : m_pieces) {
        if (!piece.hex) {
            // A large kept picture group goes on as it is, not copied.
            if (size_t(piece.bytes.size()) >= kGatherBytes) {
                if (!handOn() || !put(piece.bytes))
                    return false;
                continue;
            }
            gathered.append(piece.bytes.constData(), size_t(piece.bytes.size()));
        } else {
            const QByteArrayView bytes(piece.bytes);
            for (qsizetype at = 0; at < bytes.size(); at += kHexStretch) {
                hexLines(gathered, bytes.sliced(at, std::min(kHexStretch, bytes.size() - at)));
                if (gathered.size() >= kGatherBytes && !handOn())
                    return false;
            }
        }
        if (gathered.size() >= kGatherBytes && !handOn())
            return false;
    }
    return handOn();
}

QByteArray Snapshot::bytes() const
{
    QByteArray all;
    write([&all](QByteArrayView piece) {
        all.append(piece);
        return true;
    });
    return all;
}

void ParagraphKey::seal(size_t seed)
{
    size_t h = qHash(text, seed);
    for (const auto &run : runs)
        h = qHashMulti(h, run.first);
    hash = qHashMulti(h, ending, inTable, column, pendingDelimiter);
}

bool ParagraphKey::operator==(const ParagraphKey &other) const
{
    // The cheap differences first; formats that are one and the same
    // object compare at once.
    return hash == other.hash && ending == other.ending && inTable == other.inTable && column == other.column
           && pendingDelimiter == other.pendingDelimiter && runs.size() == other.runs.size()
           && text == other.text && runs == other.runs && format == other.format && charFormat == other.charFormat;
}

void ParagraphCache::begin(Tables tables)
{
    if (m_tables != tables) {
        // Every font and colour is referred to by its place in the tables.
        clear();
        m_tables = std::move(tables);
    }
    ++m_write;
    m_written.clear();
    m_reused = 0;
    m_made = 0;
    m_unread = 0;
}

ParagraphCache::Kept *ParagraphCache::find(const ParagraphKey &key)
{
    const auto it = m_kept.find(key);
    if (it == m_kept.end())
        return nullptr;
    ++m_reused;
    it->second.used = m_write;
    return &*it;
}

ParagraphCache::Kept &ParagraphCache::keep(ParagraphKey key, ParagraphRtf rtf)
{
    ++m_made;
    Kept &kept = *m_kept.insert_or_assign(std::move(key), Entry{std::move(rtf), 0}).first;
    kept.second.used = m_write;
    return kept;
}

ParagraphCache::Clean *ParagraphCache::clean(int block)
{
    const auto it = m_clean.find(block);
    return it == m_clean.end() ? nullptr : &it->second;
}

void ParagraphCache::reuse(Kept &kept)
{
    ++m_reused;
    ++m_unread;
    kept.second.used = m_write;
}

void ParagraphCache::wrote(int block, Kept &kept, Formats formats)
{
    m_written.insert_or_assign(block, Clean{&kept, std::move(formats)});
}

void ParagraphCache::end()
{
    std::erase_if(m_kept, [this](const Kept &kept) { return kept.second.used != m_write; });
    m_clean = std::move(m_written);
    m_written = {};
}

void ParagraphCache::clear()
{
    m_kept.clear();
    m_clean.clear();
    m_written.clear();
    m_tables.reset();
}

IncrementalWriter::IncrementalWriter() = default;

IncrementalWriter::~IncrementalWriter()
{
    QObject::disconnect(m_changes);
}

Snapshot IncrementalWriter::write(const QTextDocument &document)
{
    if (m_document != &document || !m_cache) {
        forget();
        m_cache = std::make_unique<ParagraphCache>();
        m_document = &document;
        // Told after each edit (at the end of an edit block), with the
        // document as it now is. The paragraph before the change is told
        // too: a removed or reformatted paragraph mark is the end of it.
        m_changes = QObject::connect(&document, &QTextDocument::contentsChange,
                                     [this](int position, int, int added) {
                                         // Each edit told moves the revision on by one: more
                                         // means an edit went untold (one made while Qt was
                                         // telling of another).
                                         if (m_document->revision() != m_revision + 1)
                                             m_cache->distrust();
                                         QTextBlock block = m_document->findBlock(position);
                                         if (block.previous().isValid())
                                             block = block.previous();
                                         for (; block.isValid(); block = block.next()) {
                                             m_cache->changed(block.fragmentIndex());
                                             if (block.position() > position + added)
                                                 break;
                                         }
                                         m_revision = m_document->revision();
                                     });
        m_revision = document.revision();
    }
    // An edit still open (a change made and not yet told) would leave
    // blocks that look unchanged: read every block again.
    if (document.revision() != m_revision) {
        m_cache->distrust();
        m_revision = document.revision();
    }
    return rtf::write(document, *m_cache);
}

void IncrementalWriter::forget()
{
    QObject::disconnect(m_changes);
    m_document.clear();
    m_cache.reset();
}

int IncrementalWriter::reused() const
{
    return m_cache ? m_cache->reused() : 0;
}

int IncrementalWriter::made() const
{
    return m_cache ? m_cache->made() : 0;
}

int IncrementalWriter::unread() const
{
    return m_cache ? m_cache->unread() : 0;
}

} // namespace bilan::rtf
