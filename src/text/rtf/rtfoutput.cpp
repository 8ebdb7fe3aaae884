#include "rtfoutput.h"

#include "text/cp936.h"

#include <array>
#include <charconv>

namespace bilan::rtf {

namespace {

// Lines are broken only between tokens; readers ignore the line ends, and
// editors and mail programs cope better with short lines.
constexpr qsizetype kLineWidth = 200;
constexpr qsizetype kHexPerLine = 128;
// What gathers before it goes to a sink.
constexpr size_t kFlushBytes = 4 * 1024 * 1024;

bool joinsControlWord(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
           || c == ' ' || c == '-';
}

} // namespace

Output::Output()
{
    m_out.reserve(64 * 1024);
}

void Output::setSink(Sink sink)
{
    m_sink = std::move(sink);
    // Room for all that gathers between two flushes, taken once: growing
    // there step by step copied and touched every page again.
    m_out.reserve(kFlushBytes + 64 * 1024);
}

bool Output::flush()
{
    if (m_sink && !m_sinkFailed && !m_out.empty())
        m_sinkFailed = !m_sink(QByteArrayView(m_out.data(), qsizetype(m_out.size())));
    // Line lengths are measured from m_lineStart, which now lies before
    // the start of what is kept.
    m_lineStart -= qsizetype(m_out.size());
    m_out.clear();
    return !m_sinkFailed;
}

void Output::flushIfFull()
{
    if (m_sink && m_out.size() >= kFlushBytes)
        flush();
}

QByteArray Output::take()
{
    QByteArray result(m_out.data(), qsizetype(m_out.size()));
    m_out.clear();
    m_lineStart = 0;
    m_pendingDelimiter = false;
    m_skip = 1;
    m_skipStack.clear();
    return result;
}

void Output::breakIfLong()
{
    if (qsizetype(m_out.size()) - m_lineStart < kLineWidth)
        return;
    newline();
}

void Output::newline()
{
    // A space ends a pending control word for certain; the line end alone
    // would do for most readers, but not for every one.
    if (m_pendingDelimiter)
        m_out += ' ';
    m_out.append("\r\n");
    m_lineStart = qsizetype(m_out.size());
    m_pendingDelimiter = false;
    flushIfFull();
}

void Output::number(int value)
{
    char buffer[16];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    Q_UNUSED(ec);
    m_out.append(buffer, size_t(end - buffer));
}

void Output::word(const char *name)
{
    breakIfLong();
    m_out.append(name);
    m_pendingDelimiter = true;
}

void Output::word(const char *name, int parameter)
{
    breakIfLong();
    m_out.append(name);
    number(parameter);
    m_pendingDelimiter = true;
}

void Output::symbol(char c)
{
    breakIfLong();
    m_out += '\\';
    m_out += c;
    m_pendingDelimiter = false;
}

void Output::openGroup()
{
    breakIfLong();
    m_out += '{';
    m_pendingDelimiter = false;
    m_skipStack.push_back(m_skip);
}

void Output::closeGroup()
{
    m_out += '}';
    m_pendingDelimiter = false;
    if (!m_skipStack.empty()) {
        m_skip = m_skipStack.back();
        m_skipStack.pop_back();
    }
}

void Output::raw(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_pendingDelimiter && joinsControlWord(bytes.front()))
        m_out += ' ';
    m_out.append(bytes.data(), size_t(bytes.size()));
    m_pendingDelimiter = false;
    const qsizetype lastLine = bytes.lastIndexOf('\n');
    if (lastLine >= 0)
        m_lineStart = qsizetype(m_out.size()) - (bytes.size() - lastLine - 1);
}

void Output::hexByte(unsigned char byte)
{
    static constexpr char digits[] = "0123456789abcdef";
    m_out.append("\\'");
    m_out += digits[byte >> 4];
    m_out += digits[byte & 0xf];
}

void Output::escapedByte(unsigned char byte)
{
    breakIfLong();
    hexByte(byte);
    m_pendingDelimiter = false;
}

void Output::unicode(char16_t unit)
{
    // The fallback is what a reader without \u shows and what one with \u
    // skips, so the skip count must be exactly its length: two for a
    // double-byte character, one for a single byte or the '?' that stands
    // for what code page 936 lacks.
    const std::int16_t value = cp936::value(unit);
    const bool single = value >= 0;
    const int length = single ? 1 : 2;
    if (m_skip != length) {
        word("\\uc", length);
        m_skip = length;
    }
    breakIfLong();
    m_out.append("\\u");
    number(static_cast<std::int16_t>(unit));
    if (value == cp936::Unrepresentable) {
        m_out += '?';
    } else if (single) {
        // Always as an escape: a digit or letter would join the number.
        hexByte(static_cast<unsigned char>(value));
    } else {
        const auto bits = static_cast<std::uint16_t>(value);
        hexByte(static_cast<unsigned char>(bits >> 8));
        hexByte(static_cast<unsigned char>(bits & 0xff));
    }
    m_pendingDelimiter = false;
}

void Output::text(QStringView text)
{
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit >= 0x20 && unit < 0x7f) {
            const char ascii = static_cast<char>(unit);
            if (ascii == '\\' || ascii == '{' || ascii == '}') {
                symbol(ascii);
                continue;
            }
            breakIfLong();
            if (m_pendingDelimiter && joinsControlWord(ascii))
                m_out += ' ';
            m_out += ascii;
            m_pendingDelimiter = false;
            continue;
        }
        switch (unit) {
        case u'\t': word("\\tab"); break;
        case u'\u00a0': symbol('~'); break;
        case u'\u00ad': symbol('-'); break;
        case u'\u2011': symbol('_'); break;
        case u'\u2028': word("\\line"); break;
        default: unicode(unit); break;
        }
    }
}

void Output::fontName(QStringView name)
{
    for (const QChar c : name) {
        const char16_t unit = c.unicode();
        if (unit >= 0x20 && unit < 0x7f) {
            const char ascii = static_cast<char>(unit);
            if (ascii == ';' || ascii == '\\' || ascii == '{' || ascii == '}') {
                hexByte(static_cast<unsigned char>(ascii));
                m_pendingDelimiter = false;
            } else {
                if (m_pendingDelimiter && joinsControlWord(ascii))
                    m_out += ' ';
                m_out += ascii;
                m_pendingDelimiter = false;
            }
            continue;
        }
        const std::int16_t value = cp936::value(unit);
        if (value == cp936::Unrepresentable || unit < 0x20) {
            unicode(unit);
            continue;
        }
        const auto bits = static_cast<std::uint16_t>(value);
        if (value < 0)
            hexByte(static_cast<unsigned char>(bits >> 8));
        hexByte(static_cast<unsigned char>(bits & 0xff));
        m_pendingDelimiter = false;
    }
}

namespace {

// Both digits of every byte, so that a photograph's megabytes go out a
// byte at a time rather than a digit.
constexpr std::array<std::array<char, 2>, 256> kHexPairs = [] {
    constexpr char digits[] = "0123456789abcdef";
    std::array<std::array<char, 2>, 256> pairs{};
    for (size_t byte = 0; byte < 256; ++byte)
        pairs[byte] = {digits[byte >> 4], digits[byte & 0xf]};
    return pairs;
}();

// Bytes of a picture turned into digits between two looks at the sink: a
// whole number of lines, small beside what gathers before a flush.
constexpr qsizetype kHexStretch = kHexPerLine / 2 * 1024;

} // namespace

void hexLines(std::string &out, QByteArrayView bytes)
{
    const qsizetype perLine = kHexPerLine / 2;
    const size_t start = out.size();
    out.resize(start + size_t(bytes.size()) * 2 + size_t((bytes.size() + perLine - 1) / perLine) * 2);
    char *to = out.data() + start;
    for (qsizetype at = 0; at < bytes.size(); at += perLine) {
        for (const char b : bytes.sliced(at, std::min(perLine, bytes.size() - at))) {
            const std::array<char, 2> &pair = kHexPairs[static_cast<unsigned char>(b)];
            *to++ = pair[0];
            *to++ = pair[1];
        }
        *to++ = '\r';
        *to++ = '\n';
    }
}

void Output::hex(const QByteArray &bytes)
{
    newline();
    if (m_pieces) {
        cut();
        m_pieces->push_back({bytes, true});
        m_lineStart = 0;
        return;
    }
    if (!m_sink)
        m_out.reserve(m_out.size() + size_t(bytes.size()) * 2 + size_t(bytes.size() / (kHexPerLine / 2) + 1) * 2);
    for (qsizetype at = 0; at < bytes.size(); at += kHexStretch) {
        hexLines(m_out, QByteArrayView(bytes).sliced(at, std::min(kHexStretch, bytes.size() - at)));
        flushIfFull();
    }
    m_lineStart = qsizetype(m_out.size());
}

void Output::cut()
{
    if (!m_pieces || m_out.empty())
        return;
    m_pieces->push_back({QByteArray(m_out.data(), qsizetype(m_out.size())), false});
    m_lineStart -= qsizetype(m_out.size());
    m_out.clear();
}

Output::State Output::state() const
{
    return {qsizetype(m_out.size()) - m_lineStart, m_pendingDelimiter, m_skip};
}

void Output::replay(const std::vector<Piece> &pieces, const State &after)
{
    cut();
    m_pieces->insert(m_pieces->end(), pieces.begin(), pieces.end());
    // Nothing of this line is in the buffer: it starts `column` bytes back.
    m_lineStart = -after.column;
    m_pendingDelimiter = after.pendingDelimiter;
    m_skip = after.skip;
}

} // namespace bilan::rtf
