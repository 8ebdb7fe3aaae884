// The field reader over arbitrary data-file bytes, reading text and values
// in an order the input chooses, until the fields run out.

#include "text/fields.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

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
