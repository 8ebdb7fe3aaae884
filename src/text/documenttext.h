#pragma once

#include <QString>

class QTextDocument;

namespace bilan {

// The manuscript's plain text: one line per paragraph joined by '\n', each
// table cell on a line of its own, list labels left out, pictures as
// nothing, U+00A0 kept as it is.
QString documentText(const QTextDocument &document);

} // namespace bilan
