#pragma once

#include "shiftcipher.h"

class QTextDocument;

namespace bilan::protect {

// Shifts the manuscript's characters where they stand, as one undo step.
// Each run keeps its character format, so fonts, sizes, styles and colours
// stay with their characters; pictures, tables and frames stay where they
// are. Every change keeps the document's length, so the caret stays put.
//
// Paragraph breaks are never shifted, whatever formats surround them. The
// cipher is thus a function of the text alone: a manuscript encrypted,
// saved as plain text (where every paragraph looks alike) and opened again
// decrypts to the same lines, and one saved as RTF keeps every paragraph's
// format too. A character that shifts onto a line feed becomes a break
// with the formats of the paragraph it splits. Decrypting, that is the
// tab: encrypted text from builds that joined paragraphs with a tab comes
// apart into those paragraphs again. Encrypting, it is the vertical tab
// (U+000B), which therefore comes back as a paragraph break.
void shiftDocument(QTextDocument &document, const ShiftCipher &cipher, Direction direction);

} // namespace bilan::protect
