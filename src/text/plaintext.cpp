#include "plaintext.h"

#include "codepage.h"
#include "cp936.h"
#include "encodingguess.h"

#include <QList>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace bilan::plaintext {

namespace {

constexpr char16_t ReplacementUnit = u'\uFFFD';

// GB18030 reads some eighty two-byte codes as characters that code page 936
// reads as private-use ones (FE50 is the CJK radical U+2E81 there, U+E815
// here). Reading every two-byte code as code page 936 does leaves those
// characters without a code of their own; they get the four-byte code that
// GB18030 gives the private-use character instead, and reading that code
// gives them back. Writer and reader share the list, so every character
// survives a save and a reload.
struct Substitute
{
    char16_t character;      // the one code page 936 cannot write
    char16_t fourByteMeaning; // what the converter reads the four bytes as
    std::array<char, 4> bytes;
};

struct Substitutes
{
    std::vector<Substitute> byCharacter;
    std::vector<Substitute> byMeaning;
};

bool codePageWrites(char16_t unit)
{
    const std::int16_t value = cp936::value(unit);
    return (value != cp936::Unrepresentable || unit == u'?') && cp936::character(value) == unit;
}

Substitutes buildSubstitutes()
{
    Substitutes out;
    if (!codepage::isSupported(codepage::Gb18030) || !cp936::isAvailable())
        return out;

    std::vector<std::uint16_t> codes;
    QByteArray batch;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            codes.push_back(std::uint16_t(lead << 8 | trail));
            batch.append(char(lead));
            batch.append(char(trail));
            // No trail byte is 0x01, so each code is read on its own.
            batch.append('\x01');
        }
    }
    const QString readings = codepage::decode(codepage::Gb18030, batch);
    const QList<QStringView> pieces = QStringView(readings).split(u'\x01');
    const bool aligned = pieces.size() == qsizetype(codes.size()) + 1;

    for (std::size_t i = 0; i < codes.size(); ++i) {
        QString alone;
        QStringView reading;
        if (aligned) {
            reading = pieces[qsizetype(i)];
        } else {
            const char pair[2] = {char(codes[i] >> 8), char(codes[i] & 0xFF)};
            alone = codepage::decode(codepage::Gb18030, QByteArrayView(pair, 2));
            reading = alone;
        }
        const char16_t own = cp936::character(std::int16_t(codes[i]));
        if (reading.size() != 1 || reading[0].isSurrogate() || reading[0] == QChar(own)
            || own == cp936::Replacement || reading[0] == QChar(ReplacementUnit))
            continue;
        const char16_t character = reading[0].unicode();
        if (codePageWrites(character))
            continue;
        const QByteArray four = codepage::encode(codepage::Gb18030, QStringView(&own, 1));
        if (four.size() != 4 || codepage::decode(codepage::Gb18030, four) != QStringView(&own, 1))
            continue;
        out.byCharacter.push_back({character, own, {four[0], four[1], four[2], four[3]}});
    }
    out.byMeaning = out.byCharacter;
    std::sort(out.byCharacter.begin(), out.byCharacter.end(),
              [](const Substitute &a, const Substitute &b) { return a.character < b.character; });
    std::sort(out.byMeaning.begin(), out.byMeaning.end(),
              [](const Substitute &a, const Substitute &b) { return a.fourByteMeaning < b.fourByteMeaning; });
    return out;
}

const Substitutes &substitutes()
{
    static const Substitutes shared = buildSubstitutes();
    return shared;
}

const Substitute *substituteFor(char16_t character)
{
    const auto &list = substitutes().byCharacter;
    auto it = std::lower_bound(list.begin(), list.end(), character,
                               [](const Substitute &s, char16_t c) { return s.character < c; });
    return it != list.end() && it->character == character ? &*it : nullptr;
}

char16_t characterOfFourBytes(char16_t meaning)
{
    const auto &list = substitutes().byMeaning;
    auto it = std::lower_bound(list.begin(), list.end(), meaning,
                               [](const Substitute &s, char16_t c) { return s.fourByteMeaning < c; });
    return it != list.end() && it->fourByteMeaning == meaning ? it->character : meaning;
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

enum class Mode { Start, Undecided, Utf8, Utf16Le, Utf16Be, Gb18030 };

} // namespace

struct Decoder::State
{
    explicit State(Unmarked how) : unmarked(how) {}

    Unmarked unmarked;
    Mode mode = Mode::Start;
    Encoding encoding = Encoding::Gb18030;
    // Start: the bytes of what may be a byte-order mark. Undecided: every
    // byte, until the end or until they cannot be UTF-8. Utf8: an unfinished
    // sequence. Utf16: an odd byte. Gb18030: an unfinished sequence.
    QByteArray pending;
    EncodingGuess guess;
    bool nul = false;
    bool lastWasCr = false;
    char16_t highSurrogate = 0;
    QString text;

    void feed(QByteArrayView bytes);
    Decoded finish();

private:
    void begin(Mode chosen, Encoding named, QByteArrayView rest);
    void beginUnmarked(QByteArrayView bytes);
    void feedChosen(QByteArrayView bytes);
    void feedUtf8(QByteArrayView bytes);
    void feedUtf16(QByteArrayView bytes, bool bigEndian);
    void feedGb18030(QByteArrayView bytes, bool atEnd);
    void noteNul(QByteArrayView bytes);
    void append(QStringView decoded);
    void appendUnit(char16_t unit, QString &out);
};

void Decoder::State::noteNul(QByteArrayView bytes)
{
    if (!nul && !bytes.isEmpty() && std::memchr(bytes.data(), 0, std::size_t(bytes.size())))
        nul = true;
}

void Decoder::State::append(QStringView decoded)
{
    // A CR LF split between two pieces is still one line end.
    if (decoded.isEmpty())
        return;
    qsizetype start = 0;
    if (lastWasCr && decoded[0] == u'\n')
        start = 1;
    lastWasCr = false;
    while (start < decoded.size()) {
        const qsizetype cr = decoded.indexOf(u'\r', start);
        if (cr < 0) {
            text.append(decoded.sliced(start));
            return;
        }
        text.append(decoded.sliced(start, cr - start));
        text.append(u'\n');
        start = cr + 1;
        if (start == decoded.size())
            lastWasCr = true;
        else if (decoded[start] == u'\n')
            ++start;
    }
}

void Decoder::State::feed(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    if (mode != Mode::Start) {
        feedChosen(bytes);
        return;
    }
    pending.append(bytes);
    const auto at = [this](qsizetype i) { return std::uint8_t(pending[i]); };
    const qsizetype size = pending.size();
    const bool mayGrowIntoMark = (size == 1 && (at(0) == 0xEF || at(0) == 0xFF || at(0) == 0xFE))
        || (size == 2 && at(0) == 0xEF && at(1) == 0xBB);
    if (mayGrowIntoMark)
        return;
    const QByteArray start = std::exchange(pending, QByteArray());
    const QByteArrayView view(start);
    if (view.startsWith("\xEF\xBB\xBF"))
        begin(Mode::Utf8, Encoding::Utf8Bom, view.sliced(3));
    else if (view.startsWith("\xFF\xFE"))
        begin(Mode::Utf16Le, Encoding::Utf16Le, view.sliced(2));
    else if (view.startsWith("\xFE\xFF"))
        begin(Mode::Utf16Be, Encoding::Utf16Be, view.sliced(2));
    else
        beginUnmarked(view);
}

void Decoder::State::beginUnmarked(QByteArrayView bytes)
{
    begin(unmarked == Unmarked::Guess ? Mode::Undecided : Mode::Gb18030, Encoding::Gb18030, bytes);
}

void Decoder::State::begin(Mode chosen, Encoding named, QByteArrayView rest)
{
    mode = chosen;
    encoding = named;
    feedChosen(rest);
}

void Decoder::State::feedChosen(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    switch (mode) {
    case Mode::Start:
        break;
    case Mode::Undecided:
        noteNul(bytes);
        guess.feed(bytes);
        pending.append(bytes);
        if (!guess.mayBeUtf8()) {
            // Not UTF-8 after all: the system code page, from the first byte.
            mode = Mode::Gb18030;
            encoding = Encoding::Gb18030;
            const QByteArray all = std::exchange(pending, QByteArray());
            feedGb18030(all, false);
        }
        break;
    case Mode::Utf8:
        noteNul(bytes);
        feedUtf8(bytes);
        break;
    case Mode::Utf16Le:
        feedUtf16(bytes, false);
        break;
    case Mode::Utf16Be:
        feedUtf16(bytes, true);
        break;
    case Mode::Gb18030:
        noteNul(bytes);
        feedGb18030(bytes, false);
        break;
    }
}

void Decoder::State::feedUtf8(QByteArrayView bytes)
{
    // The UTF-8 converter starts afresh after an ASCII byte and at a lead
    // byte, so cutting there gives the same text as converting everything
    // at once. Only the new bytes need looking at: what was kept back holds
    // no such place but its first byte.
    const qsizetype kept = pending.size();
    pending.append(bytes);
    qsizetype cut = 0;
    for (qsizetype i = pending.size(); i > kept; --i) {
        const std::uint8_t c = std::uint8_t(pending[i - 1]);
        if (c < 0x80) {
            cut = i;
            break;
        }
        if (c >= 0xC0) {
            cut = i - 1;
            break;
        }
    }
    if (cut == 0)
        return;
    append(codepage::decode(codepage::Utf8, QByteArrayView(pending).first(cut)));
    pending.remove(0, cut);
}

void Decoder::State::appendUnit(char16_t unit, QString &out)
{
    if (highSurrogate) {
        if (isLowSurrogate(unit)) {
            out.append(QChar(highSurrogate));
            out.append(QChar(unit));
            highSurrogate = 0;
            return;
        }
        out.append(QChar(ReplacementUnit));
        highSurrogate = 0;
    }
    if (isHighSurrogate(unit))
        highSurrogate = unit;
    else if (isLowSurrogate(unit))
        out.append(QChar(ReplacementUnit));
    else
        out.append(QChar(unit));
}

void Decoder::State::feedUtf16(QByteArrayView bytes, bool bigEndian)
{
    QString out;
    out.reserve((bytes.size() + pending.size()) / 2 + 1);
    const auto unitOf = [bigEndian](std::uint8_t first, std::uint8_t second) {
        return bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first);
    };
    qsizetype i = 0;
    if (!pending.isEmpty()) {
        appendUnit(unitOf(std::uint8_t(pending[0]), std::uint8_t(bytes[0])), out);
        pending.clear();
        i = 1;
    }
    for (; i + 1 < bytes.size(); i += 2)
        appendUnit(unitOf(std::uint8_t(bytes[i]), std::uint8_t(bytes[i + 1])), out);
    if (i < bytes.size())
        pending.append(bytes[i]);
    append(out);
}

void Decoder::State::feedGb18030(QByteArrayView bytes, bool atEnd)
{
    QByteArray joined;
    QByteArrayView in = bytes;
    if (!pending.isEmpty()) {
        joined = std::exchange(pending, QByteArray());
        joined.append(bytes);
        in = joined;
    }
    const auto *p = reinterpret_cast<const std::uint8_t *>(in.data());
    const qsizetype n = in.size();

    QString out;
    out.reserve(n);
    // Consecutive four-byte codes go to the converter together.
    qsizetype runStart = -1;
    qsizetype runEnd = -1;
    const auto flushRun = [&]() {
        if (runStart < 0)
            return;
        const QString decoded = codepage::decode(codepage::Gb18030, in.sliced(runStart, runEnd - runStart));
        for (const QChar unit : decoded)
            out.append(QChar(characterOfFourBytes(unit.unicode())));
        runStart = runEnd = -1;
    };
    const auto single = [&](char16_t unit) {
        flushRun();
        out.append(QChar(unit));
    };

    qsizetype i = 0;
    while (i < n) {
        const std::uint8_t b = p[i];
        if (b < 0x80) {
            single(b);
            ++i;
            continue;
        }
        if (b == 0x80 || b == 0xFF) {
            // Code page 936's single bytes above ASCII: the euro sign and
            // a private-use character.
            single(cp936::character(b));
            ++i;
            continue;
        }
        if (i + 1 >= n) {
            if (!atEnd)
                break;
            single(ReplacementUnit);
            ++i;
            continue;
        }
        const std::uint8_t second = p[i + 1];
        if (second >= 0x40 && second <= 0xFE && second != 0x7F) {
            single(cp936::character(std::int16_t(std::uint16_t(b << 8 | second))));
            i += 2;
            continue;
        }
        if (second < 0x30 || second > 0x39) {
            single(ReplacementUnit);
            ++i;
            continue;
        }
        if (i + 3 >= n) {
            if (!atEnd)
                break;
            single(ReplacementUnit);
            ++i;
            continue;
        }
        const std::uint8_t third = p[i + 2];
        const std::uint8_t fourth = p[i + 3];
        if (third < 0x81 || third > 0xFE || fourth < 0x30 || fourth > 0x39) {
            single(ReplacementUnit);
            ++i;
            continue;
        }
        if (!fourByteCodeExists(p + i)) {
            single(ReplacementUnit);
            i += 4;
            continue;
        }
        if (runStart < 0)
            runStart = i;
        i += 4;
        runEnd = i;
    }
    flushRun();
    if (i < n)
        pending = in.sliced(i).toByteArray();
    append(out);
}

Decoded Decoder::State::finish()
{
    if (mode == Mode::Start && !pending.isEmpty())
        beginUnmarked(std::exchange(pending, QByteArray()));

    switch (mode) {
    case Mode::Start:
        break;
    case Mode::Undecided:
        switch (guess.verdict()) {
        case EncodingGuess::Verdict::Ascii:
            append(QString::fromLatin1(pending));
            break;
        case EncodingGuess::Verdict::Utf8:
            encoding = Encoding::Utf8;
            append(codepage::decode(codepage::Utf8, pending));
            break;
        case EncodingGuess::Verdict::Gb18030:
            encoding = Encoding::Gb18030;
            feedGb18030(std::exchange(pending, QByteArray()), true);
            break;
        }
        break;
    case Mode::Utf8:
        append(codepage::decode(codepage::Utf8, pending));
        break;
    case Mode::Utf16Le:
    case Mode::Utf16Be: {
        QString tail;
        if (highSurrogate)
            tail.append(QChar(ReplacementUnit));
        if (!pending.isEmpty())
            tail.append(QChar(ReplacementUnit));
        append(tail);
        break;
    }
    case Mode::Gb18030:
        feedGb18030({}, true);
        break;
    }

    Decoded result;
    result.text = std::move(text);
    result.encoding = encoding;
    result.binary = nul && mode != Mode::Utf16Le && mode != Mode::Utf16Be;
    *this = State(unmarked);
    return result;
}

Decoder::Decoder(Unmarked unmarked) : m_state(std::make_unique<State>(unmarked)) {}

Decoder::~Decoder() = default;

void Decoder::feed(QByteArrayView bytes)
{
    m_state->feed(bytes);
}

Decoded Decoder::finish()
{
    return m_state->finish();
}

Decoded decode(QByteArrayView bytes, Unmarked unmarked)
{
    Decoder decoder(unmarked);
    decoder.feed(bytes);
    return decoder.finish();
}

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2 + text.size() / 16 + 16);
    // Characters code page 936 lacks are collected and handed to the
    // GB18030 converter together.
    QString foreign;
    const auto flush = [&]() {
        if (!foreign.isEmpty()) {
            out.append(codepage::encode(codepage::Gb18030, foreign));
            foreign.clear();
        }
    };

    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t unit = text[i].unicode();
        if (unit == u'\r' || unit == u'\n') {
            flush();
            out.append("\r\n", 2);
            if (unit == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            continue;
        }
        if (unit < 0x80) {
            flush();
            out.append(char(unit));
            continue;
        }
        if (isHighSurrogate(unit) && i + 1 < n && isLowSurrogate(text[i + 1].unicode())) {
            foreign.append(QChar(unit));
            foreign.append(text[i + 1]);
            ++i;
            continue;
        }
        if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            flush();
            out.append('?');
            continue;
        }
        if (codePageWrites(unit)) {
            flush();
            out.append(cp936::bytes(cp936::value(unit)));
            continue;
        }
        if (const Substitute *s = substituteFor(unit)) {
            flush();
            out.append(s->bytes.data(), 4);
            continue;
        }
        foreign.append(QChar(unit));
    }
    flush();
    return out;
}

} // namespace bilan::plaintext
