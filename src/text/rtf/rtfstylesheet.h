#pragma once

#include "rtfkeywords.h"

#include <functional>
#include <unordered_map>
#include <vector>

namespace bilan::rtf {

struct StyleWord
{
    Keyword keyword;
    bool hasParameter;
    int parameter;
};

// Each style is the list of formatting words it was written with, played
// again wherever a paragraph or a run names it: LibreOffice leaves out of a
// paragraph what its style already says (a list paragraph's size, say).
class Stylesheet final
{
public:
    enum class Kind { Paragraph, Character };

    // \stylesheet, opened at this group depth.
    void begin(int depth);
    // Entries are the groups directly inside the table; the table itself
    // and groups nested in an entry say nothing about a style.
    bool isEntryDepth(int depth) const { return depth == m_depth + 1; }
    void startEntry() { m_entry = Entry(); }
    // The words that say which style an entry is (\s, \cs, \ds, \ts,
    // \sbasedon) and those that mean nothing in a style; false for all
    // others, which the caller records when they format.
    bool entryWord(Keyword keyword, bool hasParameter, int parameter);
    void record(const StyleWord &word);
    void finishEntry();

    bool has(Kind kind, int number) const { return styles(kind).count(number) != 0; }
    // The style's words, those of the styles it is based on first.
    void play(Kind kind, int number, const std::function<void(const StyleWord &)> &apply) const;

private:
    struct Style
    {
        int basedOn = -1;
        std::vector<StyleWord> words;
    };
    struct Entry
    {
        int number = 0; // Word's Normal style is written without \s0
        bool character = false;
        bool ignored = false;
        Style style;
    };
    using Styles = std::unordered_map<int, Style>;

    const Styles &styles(Kind kind) const { return kind == Kind::Character ? m_characterStyles : m_paragraphStyles; }
    void play(const Styles &styles, int number, int depth, const std::function<void(const StyleWord &)> &apply) const;

    int m_depth = -1;
    Entry m_entry;
    Styles m_paragraphStyles;
    Styles m_characterStyles;
};

} // namespace bilan::rtf
