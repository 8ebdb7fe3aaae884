#pragma once

#include <cstdint>
#include <string_view>

namespace bilan::rtf {

// The control words the reader acts on. Every other word is Unknown and is
// ignored, as RTF asks of a reader.
enum class Keyword : std::uint16_t {
    Unknown,

    // Destinations with a meaning of their own.
    FontTable, ColorTable, Picture, ShapePicture, NonShapePicture, Field, FieldInstruction,
    FieldResult, ListText, ParagraphNumberText, FontAlternative, UnicodePair, UnicodeAlternative,
    ObjectResult, ShapeResult, Stylesheet,
    // Destinations whose content is never shown: stylesheets, document
    // information, headers, footers, footnotes, list definitions and the like.
    SkippedDestination,

    // Styles.
    ParagraphStyle, CharacterStyle, OtherStyle, BasedOn,

    // Document.
    Ansi, Mac, Pc, Pca, AnsiCodePage, DefaultFont,
    // Font and colour tables.
    Font, FontCharset, FontCodePage, Red, Green, Blue,

    // Characters.
    Plain, FontSize, AssociatedFont, AssociatedFontSize, AssociatedBold, AssociatedItalic,
    Bold, Italic, Underline, UnderlineNone, UnderlineColor, Strike, StrikeDouble,
    ForeColor, BackColor, Highlight, CharShading, Superscript, Subscript, NoSuperSub,
    LowAnsi, HighAnsi, DoubleByte, RightToLeftChars, LeftToRightChars,
    Unicode, UnicodeSkip,

    // Paragraphs.
    ParagraphDefault, AlignLeft, AlignCenter, AlignRight, AlignJustify, AlignDistribute,
    LeftIndent, RightIndent, FirstIndent, LeftIndentLtr, RightIndentLtr,
    SpaceBefore, SpaceAfter, InTable, TableLevel, ListOverride, ListLevel, OutlineLevel,
    TabPosition, TabCenter, TabRight, TabDecimal, TabBar,

    // Tables.
    RowDefaults, CellBoundary, Cell, Row, NestedCell, NestedRow, RowLeft, RowCenter, RowRight,

    // Characters and breaks written as words.
    Par, Line, Tab, EmDash, EnDash, Bullet, LeftQuote, RightQuote, LeftDoubleQuote,
    RightDoubleQuote, EmSpace, EnSpace, QuarterEmSpace, ZeroWidthJoiner, ZeroWidthNonJoiner,
    LeftToRightMark, RightToLeftMark, Page, Section,

    // Pictures.
    PngBlip, JpegBlip, EmfBlip, WindowsMetafile, DeviceIndependentBitmap, WindowsBitmap,
    MacPicture, Os2Metafile, PictureWidth, PictureHeight, PictureGoalWidth, PictureGoalHeight,
    PictureScaleX, PictureScaleY,
};

Keyword lookupKeyword(std::string_view word);

} // namespace bilan::rtf
