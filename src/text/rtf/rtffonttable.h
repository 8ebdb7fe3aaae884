#pragma once

#include "text/codepage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

namespace bilan::rtf {

struct FontEntry
{
    QString name;
    QString alternative;
    int codePage = 0; // 0: the document's
};

// The font table as it is read, entry by entry, and the code page each
// font's text is in. A name is bytes in its own font's code page (or \uN
// characters, as AbiWord writes them), so it can be decoded only once the
// entry's \fcharset and \cpg are known, at its ';' or where the entry ends.
class FontTable final
{
public:
    // \ansi, \mac, \ansicpgN: the code page of fonts that name none.
    void setDocumentCodePage(int codePage) { m_documentCodePage = codePage; }
    int documentCodePage() const { return m_documentCodePage; }
    // \deffN.
    void setDefaultFont(int number) { m_defaultFont = number; }

    // \fonttbl: no entry is open yet.
    void begin();
    // \fN inside the table, at the given group depth; ends the open entry.
    void enterEntry(int number, int depth);
    bool hasEntry() const { return m_number >= 0; }
    int entryDepth() const { return m_entryDepth; }
    void setCharset(int charset) { m_charset = charset; }
    void setCodePage(int codePage) { m_codePage = codePage; }
    // Text of the entry: its name up to the ';', or its \falt name.
    void nameBytes(QByteArrayView bytes, bool alternative);
    void nameUnicode(char32_t c);
    void finishEntry();

    // The font a run is in: its own when the table has it, else the
    // default font, else none (-1).
    int resolve(int number) const;
    // The code page of a font's text, the document's when it names none.
    int codePageOf(int font) const;
    // An entry that resolve() gave.
    const FontEntry &entry(int number) const { return *m_fonts.constFind(number); }

private:
    int nameCodePage() const;

    QHash<int, FontEntry> m_fonts;
    int m_documentCodePage = codepage::WesternEuropean;
    int m_defaultFont = 0;

    // The entry being read.
    int m_number = -1;
    int m_entryDepth = -1;
    int m_charset = -1;
    int m_codePage = 0;
    QByteArray m_rawName;
    QByteArray m_pending;
    QString m_name;
    bool m_nameUnicode = false;
    bool m_nameDone = false;
};

} // namespace bilan::rtf
