#pragma once

#include <QString>
#include <QStringView>

namespace bilan {

// The manuscript's two figures: Chinese characters (every code unit that
// code page 936 stores in two bytes) and other characters (visible ASCII,
// and whatever the code page cannot hold, which becomes its question
// mark). Blanks, line breaks and single bytes above ASCII count in neither.
struct CharacterCount
{
    // Wide counters: a long manuscript passes 32,767 Chinese characters.
    qint64 chinese = 0;
    qint64 other = 0;

    static CharacterCount of(QStringView text);

    // The message box's text: the two figures with an empty line between.
    QString report() const;
    // The text inserted into the manuscript: the two figures on two lines.
    QString stamp() const;

    friend bool operator==(const CharacterCount &, const CharacterCount &) = default;
};

} // namespace bilan
