#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

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
// document is left exactly as it was. A file is refused, before it is
// read, only when opening it would take more memory than the system has
// available.
Outcome load(const QString &path, QTextDocument &document);
// The same with the memory available given, in bytes; negative when it is
// not known, and then nothing is refused for its size.
Outcome load(const QString &path, QTextDocument &document, qint64 memory);

// The memory the system can give without swapping, in bytes; negative
// when it does not say.
qint64 availableMemory();

// Writes the document whole to a temporary file in the same folder and then
// moves it into place, so a failed save leaves any existing file as it was.
Outcome save(const QString &path, const QTextDocument &document, Format format);

// The same whole-file save for bytes made elsewhere: the small data files
// (the quick phrases) get the same safety and the same wording of failures.
Outcome saveBytes(const QString &path, const QByteArray &bytes);

// The whole-file write under every save of the program: the bytes go to a
// fresh file in the same folder, which then replaces the old one. With
// ownerOnly the fresh file is its owner's alone (0600) before it replaces
// anything. Returns the reason in Chinese when it could not be done, with
// the old file left as it was; empty when the file was written.
// The file's bytes reach the disk before it replaces the old one, and the
// folder's new entry before the call returns, so a power cut right after
// leaves a whole file; a folder that fails to sync is reported too, with
// the new file already in place.
QString writeWhole(const QString &path, const QByteArray &bytes, bool ownerOnly = false);

// Hands bytes to the file being written; false when they could not all go.
using Put = std::function<bool(QByteArrayView)>;
// Makes the file's bytes through put; false when put failed.
using Producer = std::function<bool(const Put &put)>;
// The same for bytes made while they are written, so that they are never
// held whole in memory.
QString writeWhole(const QString &path, const Producer &produce, bool ownerOnly = false);

// The reason, in Chinese, for a write that failed with the system's error
// code, worded as the saves word it.
QString writeFailureReason(int errorCode);

// The folder of the user's own files, made if missing, as its owner's alone
// (0700). Only that folder: the ones above it (the home folder, ~/.config)
// are not the program's to change. Returns the reason in Chinese when it
// could not be done, otherwise empty.
QString preparePrivateFolder(const QString &folder);

} // namespace bilan::manuscript
