#pragma once

#include <QTextFormat>

#include <cmath>

// How RTF details live in a QTextDocument, shared by the reader and the
// writer so that what one keeps the other writes back.
//
// Character formatting: QTextCharFormat font families (the first is the
// RTF font name), point size, weight (bold), italic, underline, strike-out,
// foreground colour, vertical alignment (super/sub), background (highlight).
// Paragraphs: QTextBlockFormat alignment, left and right margins and text
// indent in document pixels (kTwipsPerPixel twips each), with the exact twip
// values kept in the properties below.
// Pictures: QTextImageFormat whose name is a document image resource
// holding the decoded picture, width and height the displayed size in
// document pixels.
// Tables: QTextTable; lists: QTextList.

namespace bilan::rtf {

// Document pixels are 1/96 inch.
inline constexpr int kTwipsPerPixel = 15;

enum Property : int {
    // QByteArray: the picture's own bytes as they came (PNG or JPEG), so a
    // picture is written back unchanged instead of re-encoded.
    PictureData = QTextFormat::UserProperty + 0x100,
    // int, a PictureKind.
    PictureKindProperty,
    // QByteArray: a whole {\pict ...} group the editor cannot show (metafiles,
    // bitmaps), kept as it came and written back unchanged.
    RawPictureGroup,
    // QString: the label a writer gave a list item ("1.", "•", "一、").
    ListLabel,
    // int: exact twips behind the block margins and indent.
    LeftIndentTwips,
    RightIndentTwips,
    FirstLineIndentTwips,
    // int: picture goal size in twips as read (\picwgoal, \pichgoal).
    PictureWidthTwips,
    PictureHeightTwips,
    // int: \picscalex, \picscaley in percent, present only when the file
    // gave a scale other than 100; the displayed size is goal times scale.
    PictureScaleXPercent,
    PictureScaleYPercent,
};

enum class PictureKind { Png = 1, Jpeg = 2, Other = 3 };

// The twips to write for a length the document holds in pixels: the exact
// value read from a file while the pixels still agree with it. Once they
// do not (the user changed the indent, or the editor could not show it, as
// with a negative left indent), the file says what the editor shows.
inline int twipsToWrite(const QTextFormat &format, int property, qreal pixels)
{
    if (format.hasProperty(property)) {
        const int exact = format.intProperty(property);
        if (std::abs(exact / qreal(kTwipsPerPixel) - pixels) < 0.5)
            return exact;
    }
    return qRound(pixels * kTwipsPerPixel);
}

} // namespace bilan::rtf
