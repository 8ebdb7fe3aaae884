#pragma once

#include <QFlags>

class QByteArrayView;
class QTextDocument;

namespace bilan::rtf {

// What was wrong with the bytes of an RTF file. Reading goes on past every
// one of them; they are kept so that tests, and a caller that wants to say
// "the file is damaged", can tell what happened.
enum class Issue : unsigned {
    NotRtf = 1u << 0,              // the bytes do not begin with "{\rtf"
    MissingCloseBrace = 1u << 1,   // the data ended inside a group
    ExtraCloseBrace = 1u << 2,     // a "}" closed no group
    DepthLimit = 1u << 3,          // groups nested deeper than the reader keeps
    BadHexEscape = 1u << 4,        // "\'" not followed by two hex digits
    BinaryPastEnd = 1u << 5,       // "\binN" promised more bytes than there are
    NumberOutOfRange = 1u << 6,    // a parameter beyond what RTF allows
    BadUnicode = 1u << 7,          // a "\uN" outside 16 bits or a lone surrogate
    UnreadablePicture = 1u << 8,   // PNG or JPEG bytes that do not decode
    TrailingData = 1u << 9,        // bytes after the document's last "}"
};
Q_DECLARE_FLAGS(Issues, Issue)
Q_DECLARE_OPERATORS_FOR_FLAGS(Issues)

// rtf::read, telling what it met on the way.
Issues readReporting(QByteArrayView data, QTextDocument &document);

} // namespace bilan::rtf
