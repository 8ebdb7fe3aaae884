#pragma once

#include "rtfproperties.h"
#include "rtfrundecoder.h"
#include "rtfrunformat.h"

#include <QString>
#include <QTextCharFormat>

#include <utility>
#include <vector>

namespace bilan::rtf {

class Builder;

// The body's text on its way to the builder: the run being collected, all
// in one format, and the list label of the paragraph. A label is the text
// of a \listtext or \pntext group, kept apart and given to the paragraph
// at its mark.
class BodyText final
{
public:
    BodyText(Builder &builder, RunFormats &formats) : m_builder(builder), m_formats(formats) {}

    RunDecoder &decoder() { return m_decoder; }

    // Whether the next text is a label's. A change ends the run.
    void setSink(bool inLabelGroup, bool inTable);
    // How the next text looks and the code page of its bytes. A change
    // ends the run.
    void setKey(const RunKey &key, int codePage, bool inTable);
    void flushRun(bool inTable);

    // A label group has opened.
    void startLabel();
    bool collectingLabel(bool inLabelGroup) const { return inLabelGroup && !m_labelWhole; }
    // AbiWord writes whole list items inside \listtext: a paragraph mark
    // there means the text was the item, not its label.
    void labelBecomesBody(bool inTable);
    // The label group has closed.
    void finishLabel(bool inTable);

    ParagraphFormat paragraph(const ParaProps &para, const TabStops &tabs) const
    {
        return paragraphFormat(para, m_label, tabs);
    }
    void endParagraph(const ParaProps &para, const TabStops &tabs, bool inTable);
    void endCell(const ParaProps &para, const TabStops &tabs, bool inTable);

private:
    Builder &m_builder;
    RunFormats &m_formats;
    RunDecoder m_decoder;
    RunKey m_runKey;
    bool m_runIsLabel = false;

    bool m_labelWhole = false;
    std::vector<std::pair<QString, QTextCharFormat>> m_labelRuns;
    QString m_label;
};

} // namespace bilan::rtf
