// The plain-text decoder on arbitrary bytes: fed whole and in pieces it must
// give the same result, and text it decoded as the system code page must
// come back unchanged through the writer.

#include "text/plaintext.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameResult(const bilan::plaintext::Decoded &a, const bilan::plaintext::Decoded &b)
{
    return a.text == b.text && a.encoding == b.encoding && a.binary == b.binary;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses how the rest is cut.
    const unsigned seed = data[0];
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const bilan::plaintext::Decoded whole = bilan::plaintext::decode(bytes);

    bilan::plaintext::Decoder decoder;
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

    // Written back and read again, the text is the same, unless the
    // written bytes happen to be valid UTF-8 and are read as that.
    const QByteArray written = bilan::plaintext::encode(whole.text);
    const bilan::plaintext::Decoded reread = bilan::plaintext::decode(written);
    if (reread.encoding == bilan::plaintext::Encoding::Gb18030)
        require(reread.text == whole.text);
    return 0;
}
