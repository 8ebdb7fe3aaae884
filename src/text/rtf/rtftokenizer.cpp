#include "rtftokenizer.h"

#include <array>
#include <climits>

namespace bilan::rtf {

namespace {

bool isLetter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Literal text: everything but the three RTF specials and the control
// bytes, which RTF writers use only to wrap lines. TAB is text. A table,
// since every byte of a file passes here, pictures' digits included.
constexpr std::array<bool, 256> kTextBytes = [] {
    std::array<bool, 256> text{};
    for (int c = 0; c < 256; ++c)
        text[size_t(c)] = c != '\\' && c != '{' && c != '}' && (c >= 0x20 || c == '\t');
    return text;
}();

bool isTextByte(unsigned char c)
{
    return kTextBytes[c];
}

} // namespace

Tokenizer::Tokenizer(QByteArrayView data)
    : m_data(data.data()), m_size(data.size())
{
}

Token Tokenizer::next()
{
    Token token;
    while (m_pos < m_size) {
        const qsizetype start = m_pos;
        const auto c = static_cast<unsigned char>(m_data[m_pos]);
        token.offset = start;
        if (c == '{') {
            ++m_pos;
            token.type = TokenType::GroupOpen;
            return token;
        }
        if (c == '}') {
            ++m_pos;
            token.type = TokenType::GroupClose;
            return token;
        }
        if (c == '\\') {
            if (m_pos + 1 >= m_size) {
                m_pos = m_size; // a lone backslash at the very end means nothing
                break;
            }
            const auto d = static_cast<unsigned char>(m_data[m_pos + 1]);
            if (isLetter(d))
                return controlWord(start);
            if (d == '\'') {
                m_pos += 2;
                int value = 0;
                int digits = 0;
                while (digits < 2 && m_pos < m_size) {
                    const int h = hexValue(static_cast<unsigned char>(m_data[m_pos]));
                    if (h < 0)
                        break;
                    value = value * 16 + h;
                    ++digits;
                    ++m_pos;
                }
                if (digits < 2)
                    m_issues |= Issue::BadHexEscape;
                if (digits == 0)
                    continue; // nothing to give; what follows is read as it stands
                token.type = TokenType::HexByte;
                token.byte = static_cast<std::uint8_t>(value);
                return token;
            }
            m_pos += 2;
            token.type = TokenType::ControlSymbol;
            // A backslash before a line end is a paragraph mark.
            token.symbol = (d == '\r' || d == '\n') ? '\n' : static_cast<char>(d);
            return token;
        }
        if (!isTextByte(c)) {
            ++m_pos;
            continue;
        }
        qsizetype end = m_pos + 1;
        while (end < m_size && isTextByte(static_cast<unsigned char>(m_data[end])))
            ++end;
        m_pos = end;
        token.type = TokenType::Text;
        token.bytes = QByteArrayView(m_data + start, end - start);
        return token;
    }
    token.type = TokenType::End;
    token.offset = m_size;
    return token;
}

Token Tokenizer::controlWord(qsizetype start)
{
    Token token;
    token.offset = start;
    token.type = TokenType::ControlWord;
    qsizetype p = start + 1;
    while (p < m_size && isLetter(static_cast<unsigned char>(m_data[p])))
        ++p;
    token.word = std::string_view(m_data + start + 1, static_cast<size_t>(p - start - 1));

    // The parameter is the whole run of digits, however long: a writer that
    // glues text digits to a control word has changed the parameter, not
    // written text.
    bool negative = false;
    if (p + 1 < m_size && m_data[p] == '-' && isDigit(static_cast<unsigned char>(m_data[p + 1]))) {
        negative = true;
        ++p;
    }
    if (p < m_size && isDigit(static_cast<unsigned char>(m_data[p]))) {
        long long value = 0;
        bool clamped = false;
        while (p < m_size && isDigit(static_cast<unsigned char>(m_data[p]))) {
            if (value <= (LLONG_MAX - 9) / 10)
                value = value * 10 + (m_data[p] - '0');
            else
                clamped = true;
            ++p;
        }
        if (negative)
            value = -value;
        if (value > INT_MAX) {
            value = INT_MAX;
            clamped = true;
        } else if (value < INT_MIN) {
            value = INT_MIN;
            clamped = true;
        }
        if (clamped)
            m_issues |= Issue::NumberOutOfRange;
        token.hasParameter = true;
        token.parameter = static_cast<int>(value);
    }
    if (p < m_size && m_data[p] == ' ')
        ++p; // the delimiter belongs to the control word
    m_pos = p;

    if (token.word == "bin" && token.hasParameter) {
        qsizetype count = token.parameter > 0 ? token.parameter : 0;
        if (count > m_size - m_pos) {
            count = m_size - m_pos;
            m_issues |= Issue::BinaryPastEnd;
        }
        token.type = TokenType::Binary;
        token.bytes = QByteArrayView(m_data + m_pos, count);
        m_pos += count;
    }
    return token;
}

} // namespace bilan::rtf
