#pragma once

#include "rtfbuilder.h"
#include "rtfkeywords.h"

#include <QList>
#include <QString>
#include <QTextOption>

#include <cstdint>

namespace bilan::rtf {

// Twips beyond this (22 inches) come from damaged numbers.
inline constexpr int kMaxTwips = 31680;

enum class RunType : std::uint8_t { Low, High, Double };

// Character properties. LibreOffice and Word give double-byte text its own
// font, size and bold through \dbch with \af, \afs, \ab (and high-ANSI text
// through \hich); the main ones (\f, \fs, \b) apply to the rest and wherever
// the regional ones are not set.
struct CharProps
{
    int font = -1;
    int fontHigh = -1;
    int fontDouble = -1;
    int foreground = -1;
    int background = -1;
    std::int16_t halfPoints = 24; // RTF's default, 12 pt
    std::int16_t halfPointsHigh = 0;
    std::int16_t halfPointsDouble = 0;
    std::int8_t boldHigh = -1;
    std::int8_t italicHigh = -1;
    std::int8_t boldDouble = -1;
    std::int8_t italicDouble = -1;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::uint8_t vertical = 0; // 1 super, 2 sub
    RunType runType = RunType::Low;
    bool rightToLeft = false; // properties after \rtlch are for right-to-left scripts
};

struct ParaProps
{
    int left = 0;
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    int listId = 0;
    std::int8_t listLevel = 0;
    std::int8_t outline = -1;
    std::uint8_t alignment = 0; // 0 left, 1 centre, 2 right, 3 justify
    bool inTable = false;
};

// Tab stops belong to the paragraph being read, not to a group: only
// \pard clears them.
struct TabStops
{
    QList<QTextOption::Tab> tabs;
    QTextOption::TabType nextType = QTextOption::LeftTab;
};

enum class Applied : std::uint8_t {
    No,        // not a formatting word
    Character, // changed how the next run looks
    Other,     // a paragraph, tab or direction word
};

// One character or paragraph formatting word, applied to the properties it
// sets. Parameters are clamped to what a page can hold.
Applied applyProperty(Keyword keyword, bool hasParameter, int parameter, CharProps &chr, ParaProps &para,
                      TabStops &tabs);

// The paragraph as the builder takes it.
ParagraphFormat paragraphFormat(const ParaProps &para, const QString &label, const TabStops &tabs);

} // namespace bilan::rtf
