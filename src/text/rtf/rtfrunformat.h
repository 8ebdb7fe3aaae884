#pragma once

#include "rtfproperties.h"

#include <QHash>
#include <QTextCharFormat>

#include <cstdint>

namespace bilan::rtf {

class ColorTable;
class FontTable;

// What decides how a run looks, with fonts and colours already resolved:
// runs with equal keys share one format.
struct RunKey
{
    int font = -1;
    int foreground = -1;
    int background = -1;
    std::int16_t halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::uint8_t vertical = 0;

    bool operator==(const RunKey &) const = default;
};

size_t qHash(const RunKey &key, size_t seed = 0);

// The key of text written with these properties: a \dbch or \hich run
// takes its associated properties where they are set.
RunKey runKeyOf(const CharProps &chr, const FontTable &fonts, const ColorTable &colors);

// The formats of runs, each made once: a manuscript has a handful of
// distinct formats and tens of thousands of runs.
class RunFormats final
{
public:
    RunFormats(const FontTable &fonts, const ColorTable &colors) : m_fonts(fonts), m_colors(colors) {}

    const QTextCharFormat &formatFor(const RunKey &key);

private:
    const FontTable &m_fonts;
    const ColorTable &m_colors;
    QHash<RunKey, QTextCharFormat> m_formats;
};

} // namespace bilan::rtf
