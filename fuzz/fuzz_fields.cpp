// The field reader over arbitrary data-file bytes, reading text and values
// in an order the input chooses, until the fields run out. Every text read
// that the phrase file can hold must come back whole when written as that
// file writes it.

#include "text/fields.h"
#include "text/plaintext.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// A phrase survives its file when it holds no comma or line end and does
// not begin with a blank or a double quote; blanks at its end are its own.
void requireRoundTrip(const QString &field)
{
    if (field.contains(u',') || field.contains(u'\n') || field.contains(u'\r') || field.startsWith(u' ')
        || field.startsWith(u'\t') || field.startsWith(u'"'))
        return;
    const QByteArray written = bilan::plaintext::encode(field + u'\n');
    // Text that begins with the bytes of a byte-order mark is taken for it.
    if (written.startsWith("\xEF\xBB\xBF") || written.startsWith("\xFF\xFE") || written.startsWith("\xFE\xFF"))
        return;
    bilan::fields::Reader reader(bilan::fields::decodeDataFile(written));
    if (reader.nextText() != field)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned pattern = data[0];
    const QString text = bilan::fields::decodeDataFile(
        QByteArrayView(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)));

    bilan::fields::Reader reader(text);
    // Every read takes at least one character or the final empty field, so
    // the fields must run out within this many reads.
    const qsizetype bound = text.size() + 2;
    qsizetype reads = 0;
    for (;; ++reads) {
        if (reads > bound)
            std::abort();
        const bool atEnd = reader.atEnd();
        bool got = false;
        if (pattern >> (reads % 8) & 1) {
            const std::optional<QString> field = reader.nextText();
            got = field.has_value();
            if (got && field->size() > text.size())
                std::abort();
            if (got)
                requireRoundTrip(*field);
        } else {
            const std::optional<bilan::fields::Value> value = reader.nextValue();
            got = value.has_value();
            if (const QString *field = got ? std::get_if<QString>(&*value) : nullptr) {
                if (field->size() > text.size())
                    std::abort();
            }
        }
        if (got == atEnd)
            std::abort();
        if (!got)
            break;
    }
    if (reader.nextText() || reader.nextValue())
        std::abort();
    return 0;
}
