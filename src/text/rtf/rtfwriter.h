#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

class QTextDocument;

namespace bilan::rtf {

// The document as RTF that other word processors read with the same text
// and formatting.
QByteArray write(const QTextDocument &document);

// The same RTF handed to put in pieces of a few megabytes as it is made,
// for a save that must not hold a manuscript of photographs twice. False
// when put failed, after which nothing more is handed to it.
bool write(const QTextDocument &document, const std::function<bool(QByteArrayView)> &put);

} // namespace bilan::rtf
