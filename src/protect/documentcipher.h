#pragma once

#include "shiftcipher.h"

class QTextDocument;

namespace bilan::protect {

// Shifts the manuscript's characters where they stand, as one undo step.
// Each run keeps its character format, so fonts, sizes, styles and colours
// stay with their characters; pictures, tables and frames stay where they
// are. Every change keeps the document's length, so the caret stays put.
//
// Paragraph breaks: a break between two paragraphs that lie in the same
// frame (and, in a table, the same cell) and have the same paragraph and
// character formats is shifted as the line feed it stands for. Encrypting
// joins such paragraphs with a tab; decrypting splits at those tabs, giving
// back paragraphs with the same formats. In a plain-text manuscript every
// line feed is such a break. Any other break is structure (a heading
// against body text, the edge of a table cell) and is left alone, since
// joining those paragraphs would lose one of the two formats for good. A
// character that shifts onto a line feed becomes a break of the first
// kind, which the other direction turns back into that character.
void shiftDocument(QTextDocument &document, const ShiftCipher &cipher, Direction direction);

} // namespace bilan::protect
