#include "rtfbodytext.h"

#include "rtfbuilder.h"

namespace bilan::rtf {

void BodyText::setSink(bool inLabelGroup, bool inTable)
{
    const bool label = collectingLabel(inLabelGroup);
    if (label != m_runIsLabel) {
        flushRun(inTable);
        m_runIsLabel = label;
    }
}

void BodyText::setKey(const RunKey &key, int codePage, bool inTable)
{
    if (!(key == m_runKey) || codePage != m_decoder.codePage()) {
        flushRun(inTable);
        m_runKey = key;
        m_decoder.setCodePage(codePage);
    }
}

void BodyText::flushRun(bool inTable)
{
    m_decoder.flushBytes();
    if (m_decoder.empty())
        return;
    const QTextCharFormat &format = m_formats.formatFor(m_runKey);
    if (m_runIsLabel)
        m_labelRuns.emplace_back(m_decoder.text(), format);
    else
        m_builder.insertText(m_decoder.text(), format, inTable);
    m_decoder.clear();
}

void BodyText::startLabel()
{
    m_labelWhole = false;
    m_labelRuns.clear();
}

void BodyText::labelBecomesBody(bool inTable)
{
    flushRun(inTable);
    m_labelWhole = true;
    m_runIsLabel = false;
    for (const auto &[text, format] : m_labelRuns)
        m_builder.insertText(text, format, inTable);
    m_labelRuns.clear();
}

void BodyText::finishLabel(bool inTable)
{
    flushRun(inTable);
    if (!m_labelWhole) {
        QString label;
        for (const auto &run : m_labelRuns)
            label += run.first;
        m_label = label.trimmed();
    }
    m_labelRuns.clear();
    m_labelWhole = false;
    m_runIsLabel = false;
}

void BodyText::endParagraph(const ParaProps &para, const TabStops &tabs, bool inTable)
{
    flushRun(inTable);
    m_builder.endParagraph(paragraph(para, tabs), m_formats.formatFor(m_runKey), inTable);
    m_label.clear();
}

void BodyText::endCell(const ParaProps &para, const TabStops &tabs, bool inTable)
{
    flushRun(inTable);
    m_builder.endCell(paragraph(para, tabs), m_formats.formatFor(m_runKey));
    m_label.clear();
}

} // namespace bilan::rtf
