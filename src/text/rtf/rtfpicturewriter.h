#pragma once

class QTextDocument;
class QTextImageFormat;

namespace bilan::rtf {

class Output;

// One picture of the document: a group the reader kept goes back as it
// came; PNG and JPEG bytes as they were read; any other image as PNG.
// A picture whose bytes cannot be found is left out. True when what was
// written depends on the document's resources, not on the format alone.
bool writePicture(Output &out, const QTextDocument &document, const QTextImageFormat &format);

} // namespace bilan::rtf
