#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace bilan::rtf {

// A stretch of finished RTF, kept apart from the output around it: bytes to
// go to the file as they are, or a picture's bytes that go as lines of
// hexadecimal digits (hexLines). Both share their memory with where they
// came from, so a piece may be handed to another thread and written there.
struct Piece
{
    QByteArray bytes;
    bool hex = false;
};

// Appends a picture's bytes as the writer writes them: 64 bytes a line as
// 128 hexadecimal digits, each line ended by CR LF.
void hexLines(std::string &out, QByteArrayView bytes);

// The token layer of the writer: it knows how RTF separates control words
// from text, how the \uN fallback must be counted and where a line may be
// broken, so that the document walker above it never thinks about bytes.
class Output final
{
public:
    // Takes the finished RTF in pieces; false when it could not, after
    // which nothing more is handed to it.
    using Sink = std::function<bool(QByteArrayView)>;

    Output();

    // With a sink, the output goes to it whenever some megabytes have
    // gathered, so that a manuscript of photographs is never held twice.
    void setSink(Sink sink);
    // Hands what has gathered to the sink; false once the sink has failed.
    bool flush();
    QByteArray take();
    void reserve(qsizetype bytes) { m_out.reserve(size_t(std::max<qsizetype>(bytes, 0))); }

    // Instead of a sink: what is written gathers as pieces, one at each
    // cut(), and pictures stay their bytes as pieces of their own.
    void setPieces(std::vector<Piece> *pieces) { m_pieces = pieces; }
    std::vector<Piece> *pieces() const { return m_pieces; }
    void cut();
    // All that decides how the next token is written: how far the line
    // has come, whether a control word waits for its delimiter, and the
    // \uc in force. Two outputs in the same state write the same tokens
    // the same way.
    struct State
    {
        qsizetype column = 0;
        bool pendingDelimiter = false;
        int skip = -1;
        bool operator==(const State &) const = default;
    };
    State state() const;
    // Pieces written earlier from the state that this output is in now,
    // leaving it in the state `after` as their writing did.
    void replay(const std::vector<Piece> &pieces, const State &after);

    // \name or \nameN. A delimiter is added only when the next token would
    // otherwise run into the word.
    void word(const char *name);
    void word(const char *name, int parameter);
    // \~, \-, \_, \\, \{, \}.
    void symbol(char c);
    void openGroup();
    void closeGroup();
    // Bytes known to be RTF already (a kept picture group, the header).
    void raw(QByteArrayView bytes);
    void newline();

    // Document text: ASCII as it is, the three special characters escaped,
    // tab and line separator as control words, everything else as \uN with
    // its code-page-936 bytes for readers that do not know \u.
    void text(QStringView text);
    // Font names are read as bytes in the font's own code page, so a name
    // that code page 936 holds goes in as those bytes alone.
    void fontName(QStringView name);
    // Picture bytes as hexadecimal, in lines of a fixed width; with
    // pieces, a piece of their own that is turned into digits only where
    // the pieces are written.
    void hex(const QByteArray &bytes);
    // One byte as \'hh, as list level texts count and number themselves.
    void escapedByte(unsigned char byte);

    // \plain may reset the skip count in some readers; after it the next
    // \u states the count again.
    void forgetSkipCount() { m_skip = -1; }

private:
    void breakIfLong();
    void flushIfFull();
    void unicode(char16_t unit);
    void hexByte(unsigned char byte);
    void number(int value);

    // A std::string, whose appends of one character are far cheaper than
    // QByteArray's.
    std::string m_out;
    qsizetype m_lineStart = 0;
    // A control word was written last and a letter, digit, space or hyphen
    // after it would be read as part of it.
    bool m_pendingDelimiter = false;
    // The \uc in force, -1 when unknown; groups restore theirs on close.
    int m_skip = 1;
    std::vector<int> m_skipStack;
    Sink m_sink;
    bool m_sinkFailed = false;
    std::vector<Piece> *m_pieces = nullptr;
};

} // namespace bilan::rtf
