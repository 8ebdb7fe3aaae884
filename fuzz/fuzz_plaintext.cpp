// The plain-text decoder on arbitrary bytes, read as a manuscript and as a
// data file: fed whole and in pieces it must give the same result, and
// text it decoded as the system code page must come back unchanged through
// the writer.

#include "text/plaintext.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace bilan::plaintext;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameResult(const Decoded &a, const Decoded &b)
{
    return a.text == b.text && a.encoding == b.encoding && a.binary == b.binary;
}

bool beginsWithMark(QByteArrayView bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

void check(QByteArrayView bytes, unsigned seed, Unmarked unmarked)
{
    const Decoded whole = decode(bytes, unmarked);

    Decoder decoder(unmarked);
    qsizetype at = 0;
    unsigned state = seed | 1;
    while (at < bytes.size()) {
        state = state * 1103515245u + 12345u;
        const qsizetype piece = std::min<qsizetype>(1 + (state >> 16) % 7, bytes.size() - at);
        decoder.feed(bytes.sliced(at, piece));
        at += piece;
    }
    require(sameResult(decoder.finish(), whole));

    for (qsizetype i = 0; i < bytes.size(); ++i)
        decoder.feed(bytes.sliced(i, 1));
    require(sameResult(decoder.finish(), whole));

    // Written back and read again, the text is the same, unless the written
    // bytes begin like a byte-order mark or, for a manuscript, are read as
    // UTF-8 (text of the one Latin shape that wins a tie).
    const QByteArray written = encode(whole.text);
    const Decoded reread = decode(written, unmarked);
    if (reread.encoding == Encoding::Gb18030 && !beginsWithMark(written))
        require(reread.text == whole.text);
    if (unmarked == Unmarked::SystemCodePage && !beginsWithMark(written))
        require(reread.encoding == Encoding::Gb18030);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses how the rest is cut.
    const unsigned seed = data[0];
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    check(bytes, seed, Unmarked::Guess);
    check(bytes, seed, Unmarked::SystemCodePage);
    return 0;
}
