#include "rtfstylesheet.h"

namespace bilan::rtf {

void Stylesheet::begin(int depth)
{
    m_depth = depth;
    m_entry = Entry();
}

bool Stylesheet::entryWord(Keyword keyword, bool has, int p)
{
    switch (keyword) {
    case Keyword::ParagraphStyle:
        m_entry.number = p;
        m_entry.character = false;
        m_entry.ignored = false;
        return true;
    case Keyword::CharacterStyle:
        m_entry.number = p;
        m_entry.character = true;
        m_entry.ignored = false;
        return true;
    case Keyword::OtherStyle:
        m_entry.ignored = true;
        return true;
    case Keyword::BasedOn:
        m_entry.style.basedOn = has ? p : -1;
        return true;
    case Keyword::Plain:
    case Keyword::ParagraphDefault:
    case Keyword::Unicode:
    case Keyword::UnicodeSkip:
        return true;
    default:
        return false;
    }
}

void Stylesheet::record(const StyleWord &word)
{
    if (m_entry.style.words.size() < 256)
        m_entry.style.words.push_back(word);
}

void Stylesheet::finishEntry()
{
    if (!m_entry.ignored) {
        auto &styles = m_entry.character ? m_characterStyles : m_paragraphStyles;
        styles[m_entry.number] = std::move(m_entry.style);
    }
    m_entry = Entry();
}

void Stylesheet::play(Kind kind, int number, const std::function<void(const StyleWord &)> &apply) const
{
    play(styles(kind), number, 0, apply);
}

void Stylesheet::play(const Styles &styles, int number, int depth,
                      const std::function<void(const StyleWord &)> &apply) const
{
    const auto it = styles.find(number);
    // A chain of styles each based on the next ends somewhere, even one
    // that loops.
    if (it == styles.end() || depth > 16)
        return;
    const Style &style = it->second;
    if (style.basedOn >= 0 && style.basedOn != number)
        play(styles, style.basedOn, depth + 1, apply);
    for (const StyleWord &word : style.words)
        apply(word);
}

} // namespace bilan::rtf
