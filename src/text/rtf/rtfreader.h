#pragma once

#include <QByteArrayView>

class QTextDocument;

namespace bilan::rtf {

// True when the bytes begin as an RTF file does: "{\rtf".
bool looksLikeRtf(QByteArrayView data);

// Replaces the document's content with the RTF in data. Reading never
// fails: whatever the bytes, the document ends up holding what could be
// read of them.
void read(QByteArrayView data, QTextDocument &document);

} // namespace bilan::rtf
