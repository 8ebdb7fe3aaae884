#pragma once

#include <QByteArray>

class QTextDocument;

namespace bilan::rtf {

// The document as RTF that other word processors read with the same text
// and formatting.
QByteArray write(const QTextDocument &document);

} // namespace bilan::rtf
