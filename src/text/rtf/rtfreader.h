#pragma once

#include <QByteArrayView>

#include <functional>

class QTextDocument;

namespace bilan::rtf {

// True when the bytes begin as an RTF file does: "{\rtf".
bool looksLikeRtf(QByteArrayView data);

// Replaces the document's content with the RTF in data. Reading never
// fails: whatever the bytes, the document ends up holding what could be
// read of them.
void read(QByteArrayView data, QTextDocument &document);

// Told, as reading goes on, an offset of data before which the reader
// will not look again, so that the memory there may be given back. A
// manuscript of photographs is mostly their digits, which are done with
// once each picture begins.
using Consumed = std::function<void(qsizetype offset)>;
void read(QByteArrayView data, QTextDocument &document, const Consumed &consumed);

} // namespace bilan::rtf
