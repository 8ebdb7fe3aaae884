#include "rtffonttable.h"

#include "rtffontname.h"
#include "text/codepage.h"

namespace bilan::rtf {

void FontTable::begin()
{
    m_number = -1;
    m_entryDepth = -1;
}

void FontTable::enterEntry(int number, int depth)
{
    if (m_number >= 0)
        finishEntry();
    m_number = number;
    m_entryDepth = depth;
    m_charset = -1;
    m_codePage = 0;
    m_rawName.clear();
    m_pending.clear();
    m_name.clear();
    m_nameUnicode = false;
    m_nameDone = false;
    m_fonts[number] = FontEntry();
}

int FontTable::nameCodePage() const
{
    return m_codePage ? m_codePage : codepage::forCharset(m_charset);
}

void FontTable::nameBytes(QByteArrayView bytes, bool alternative)
{
    if (m_number < 0)
        return;
    if (alternative) {
        // Alternative names are plain ASCII in every writer seen.
        FontEntry &entry = m_fonts[m_number];
        for (char b : bytes) {
            if (b != ';')
                entry.alternative.append(QLatin1Char(b));
        }
        return;
    }
    if (m_nameDone)
        return;
    const qsizetype end = bytes.indexOf(';');
    const QByteArrayView part = end < 0 ? bytes : bytes.first(end);
    m_rawName.append(part.data(), part.size());
    m_pending.append(part.data(), part.size());
    if (end >= 0) {
        finishEntry();
        m_nameDone = true;
    }
}

void FontTable::nameUnicode(char32_t c)
{
    if (m_number < 0 || m_nameDone)
        return;
    const int codePage = nameCodePage();
    m_name += codepage::decode(codePage ? codePage : m_documentCodePage, m_pending);
    m_pending.clear();
    if (c >= 0x20 && !QChar::isSurrogate(c))
        m_name += QChar::fromUcs4(c);
    m_nameUnicode = true;
}

void FontTable::finishEntry()
{
    if (m_number < 0 || m_nameDone)
        return;
    FontEntry &entry = m_fonts[m_number];
    int codePage = nameCodePage();
    if (codePage && !codepage::isSupported(codePage))
        codePage = 0;
    entry.codePage = codePage;
    const int nameCodePage = codePage ? codePage : m_documentCodePage;
    QString name = m_nameUnicode ? m_name + codepage::decode(nameCodePage, m_pending)
                                 : fontNameFromBytes(m_rawName, nameCodePage);
    name = name.trimmed();
    entry.alternative = entry.alternative.trimmed();
    if ((name.isEmpty() || name.contains(QChar(0xFFFD)) || name.contains(u'?')) && !entry.alternative.isEmpty()) {
        name = entry.alternative;
        entry.alternative.clear();
    }
    entry.name = name;
    m_nameDone = true;
}

int FontTable::resolve(int number) const
{
    if (number >= 0 && m_fonts.contains(number))
        return number;
    if (m_fonts.contains(m_defaultFont))
        return m_defaultFont;
    return -1;
}

int FontTable::codePageOf(int font) const
{
    if (font >= 0) {
        const auto it = m_fonts.constFind(font);
        if (it != m_fonts.cend() && it->codePage)
            return it->codePage;
    }
    return m_documentCodePage;
}

} // namespace bilan::rtf
