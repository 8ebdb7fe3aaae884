#include "rtflistwriter.h"

#include "rtfformat.h"
#include "rtfoutput.h"

#include <QTextBlock>
#include <QTextList>

#include <algorithm>

namespace bilan::rtf {

namespace {

struct LevelNumbering
{
    int nfc;
    bool numbered;
};

LevelNumbering numberingOf(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListDecimal: return {0, true};
    case QTextListFormat::ListUpperRoman: return {1, true};
    case QTextListFormat::ListLowerRoman: return {2, true};
    case QTextListFormat::ListUpperAlpha: return {3, true};
    case QTextListFormat::ListLowerAlpha: return {4, true};
    default: return {23, false};
    }
}

QString bulletOf(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListCircle: return QStringLiteral("\u25e6");
    case QTextListFormat::ListSquare: return QStringLiteral("\u25aa");
    default: return QStringLiteral("\u2022");
    }
}

} // namespace

int listLevel(const QTextListFormat &format)
{
    return std::clamp(format.indent() - 1, 0, 8);
}

QString listLabel(const QTextBlock &block, const QTextList &list)
{
    QString label = block.blockFormat().property(ListLabel).toString();
    if (label.isEmpty()) {
        const QTextListFormat format = list.format();
        label = numberingOf(format.style()).numbered ? list.itemText(block) : bulletOf(format.style());
    }
    return label;
}

void writeListTables(Output &out, const std::vector<const QTextList *> &lists, qreal indentWidth)
{
    if (lists.empty())
        return;
    const int step = std::max(qRound(indentWidth * kTwipsPerPixel), 1);
    out.openGroup();
    out.symbol('*');
    out.word("\\listtable");
    for (size_t i = 0; i < lists.size(); ++i) {
        const QTextListFormat format = lists[i]->format();
        const LevelNumbering numbering = numberingOf(format.style());
        const QString prefix = numbering.numbered ? format.numberPrefix() : QString();
        // Qt puts a full stop after the number unless told otherwise.
        const QString suffix = !numbering.numbered ? QString()
                               : format.hasProperty(QTextFormat::ListNumberSuffix) ? format.numberSuffix()
                                                                                    : QStringLiteral(".");
        const int id = int(i) + 1;
        out.newline();
        out.openGroup();
        out.word("\\list");
        out.word("\\listtemplateid", id);
        for (int level = 0; level < 9; ++level) {
            out.newline();
            out.openGroup();
            out.word("\\listlevel");
            out.word("\\levelnfc", numbering.nfc);
            out.word("\\levelnfcn", numbering.nfc);
            out.word("\\leveljc", 0);
            out.word("\\leveljcn", 0);
            out.word("\\levelfollow", 0);
            out.word("\\levelstartat", 1);
            // \leveltext begins with its own length in characters; \'0N
            // stands for the number of level N, and \levelnumbers says at
            // which character it sits.
            out.openGroup();
            out.word("\\leveltext");
            if (numbering.numbered) {
                out.escapedByte(static_cast<unsigned char>(std::min<qsizetype>(prefix.size() + 1 + suffix.size(), 255)));
                out.text(prefix);
                out.escapedByte(static_cast<unsigned char>(level));
                out.text(suffix);
            } else {
                out.escapedByte(1);
                out.text(bulletOf(format.style()));
            }
            out.raw(";");
            out.closeGroup();
            out.openGroup();
            out.word("\\levelnumbers");
            if (numbering.numbered)
                out.escapedByte(static_cast<unsigned char>(std::min<qsizetype>(prefix.size() + 1, 255)));
            out.raw(";");
            out.closeGroup();
            out.word("\\fi", -360);
            out.word("\\li", step * (level + 1));
            out.closeGroup();
        }
        out.word("\\listid", id);
        out.closeGroup();
    }
    out.closeGroup();
    out.newline();

    out.openGroup();
    out.symbol('*');
    out.word("\\listoverridetable");
    for (size_t i = 0; i < lists.size(); ++i) {
        const int id = int(i) + 1;
        out.openGroup();
        out.word("\\listoverride");
        out.word("\\listid", id);
        out.word("\\listoverridecount", 0);
        out.word("\\ls", id);
        out.closeGroup();
    }
    out.closeGroup();
    out.newline();
}

} // namespace bilan::rtf
