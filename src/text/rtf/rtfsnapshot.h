#pragma once

#include "rtfoutput.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QTextFormat>

#include <functional>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace bilan::rtf {

// The RTF of a document as it stood when it was made, ready to be written
// on any thread: pieces that share their memory with the paragraphs' kept
// RTF and with the pictures' own bytes, which become digits only as they
// are written.
class Snapshot final
{
public:
    Snapshot() = default;
    explicit Snapshot(std::vector<Piece> pieces)
        : m_pieces(std::move(pieces))
    {
    }

    // Hands the RTF to put in pieces of a few megabytes; false when put
    // failed, after which nothing more is handed to it.
    bool write(const std::function<bool(QByteArrayView)> &put) const;
    QByteArray bytes() const;

private:
    std::vector<Piece> m_pieces;
};

// Everything a paragraph's RTF is made from, apart from the tables of the
// whole document (ParagraphCache::Tables): its text cut into runs with
// their formats, its own formats, the place it takes in the document, and
// the output's state where it starts. Formats are compared by value, so a
// change of formatting is seen whether or not Qt counts it as an edit of
// the paragraph.
struct ParagraphKey
{
    QString text;
    std::vector<std::pair<int, QTextCharFormat>> runs; // length and format of each fragment
    QTextBlockFormat format;
    QTextCharFormat charFormat;
    int ending = 0;
    bool inTable = false;
    qsizetype column = 0;
    bool pendingDelimiter = false;

    // Computed once the key is filled in; the cache looks it up by it.
    size_t hash = 0;

    // Fixes the hash; seed adds what tells apart keys that differ only in
    // their formats, and must be alike for equal keys of one document.
    void seal(size_t seed);
    bool operator==(const ParagraphKey &other) const;
};

struct ParagraphRtf
{
    std::vector<Piece> pieces;
    Output::State after;
};

// The RTF of each paragraph of the last write, kept by what it was made
// from, so that the next write of a document that changed a little makes
// anew only what changed. A paragraph unused by a write is forgotten at its
// end.
//
// Besides, each block that Qt has not reported changed since the last
// write is known by its number, with the paragraph it was written as: the
// next write uses that without reading the block again. Every change of
// text or of a format, undo and redo included, is reported through the
// document's contentsChange with the positions it touched.
class ParagraphCache final
{
public:
    // What every paragraph's RTF refers to: the fonts and colours by their
    // place in the tables, the default font, the indent step.
    struct Tables
    {
        QStringList fonts;
        std::vector<QRgb> colors;
        QString defaultFamily;
        int defaultHalfPoints = 0;
        qreal indentWidth = 0;
        bool operator==(const Tables &) const = default;
    };
    // The character formats a block holds in the order the tables gather
    // them: the paragraph's own, then each run's, with their indices.
    using Formats = std::vector<std::pair<int, QTextCharFormat>>;

    struct Entry
    {
        ParagraphRtf rtf;
        unsigned used = 0; // the write that last used it
    };
    using Kept = std::pair<const ParagraphKey, Entry>;
    // A block unchanged since the last write: what it was written as.
    struct Clean
    {
        Kept *kept = nullptr;
        Formats formats;
    };

    // A write begins; tables unlike the last write's leave nothing usable.
    void begin(Tables tables);
    // The kept paragraph made from the same, when there is one; it stays
    // for the next write.
    Kept *find(const ParagraphKey &key);
    Kept &keep(ParagraphKey key, ParagraphRtf rtf);
    // The block (QTextBlock::fragmentIndex()) when no change was reported
    // in it since the last write.
    Clean *clean(int block);
    // A clean block's paragraph is used again as it is.
    void reuse(Kept &kept);
    // This write wrote the block as the kept paragraph; with no change
    // reported in it, the next write may take it as it is.
    void wrote(int block, Kept &kept, Formats formats);
    // Qt reported a change in the block.
    void changed(int block) { m_clean.erase(block); }
    // Nothing read of any block earlier may be trusted.
    void distrust() { m_clean.clear(); }
    // The write is over: what it did not use goes.
    void end();
    void clear();

    // Paragraphs of the last write taken from the cache, and made anew;
    // of those taken, the ones taken without reading their block.
    int reused() const { return m_reused; }
    int made() const { return m_made; }
    int unread() const { return m_unread; }

private:
    struct Hash
    {
        size_t operator()(const ParagraphKey &key) const { return key.hash; }
    };
    // Node based: an entry stays where it is while others come and go.
    std::unordered_map<ParagraphKey, Entry, Hash> m_kept;
    std::unordered_map<int, Clean> m_clean;
    std::unordered_map<int, Clean> m_written;
    std::optional<Tables> m_tables;
    unsigned m_write = 0;
    int m_reused = 0;
    int m_made = 0;
    int m_unread = 0;
};

} // namespace bilan::rtf
