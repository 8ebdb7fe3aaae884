#include "rtfrundecoder.h"

#include "text/codepage.h"

#include <algorithm>

namespace bilan::rtf {

void RunDecoder::appendChar(char32_t c)
{
    flushBytes();
    if (c == QChar::ParagraphSeparator)
        c = QChar::LineSeparator;
    if (QChar::requiresSurrogates(c)) {
        m_text.append(QChar(QChar::highSurrogate(c)));
        m_text.append(QChar(QChar::lowSurrogate(c)));
    } else {
        m_text.append(QChar(char16_t(c)));
    }
}

void RunDecoder::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    const bool ascii = std::all_of(m_bytes.cbegin(), m_bytes.cend(),
                                   [](char b) { return static_cast<unsigned char>(b) < 0x80; });
    // Every code page a font can name is ASCII below 0x80.
    if (ascii)
        m_text.append(QLatin1StringView(m_bytes));
    else
        m_text.append(codepage::decode(m_codePage, m_bytes));
    m_bytes.clear();
}

} // namespace bilan::rtf
