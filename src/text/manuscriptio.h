#pragma once

#include <QString>

class QTextDocument;

namespace bilan::manuscript {

enum class Format { Rtf, PlainText };

// What became of a load or a save. On failure, error is a sentence in
// Chinese that names the file and the reason, ready for a message box.
struct Outcome
{
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Reads a manuscript file into the document, replacing its content: RTF
// when the file begins with "{\rtf", plain text otherwise. On failure the
// document is left exactly as it was.
Outcome load(const QString &path, QTextDocument &document);

// Writes the document whole to a temporary file in the same folder and then
// moves it into place, so a failed save leaves any existing file as it was.
Outcome save(const QString &path, const QTextDocument &document, Format format);

// The reason, in Chinese, for a failed write of any of the program's files,
// from the system's message that Qt reports (errorString()).
QString writeFailureReason(const QString &systemMessage);

} // namespace bilan::manuscript
