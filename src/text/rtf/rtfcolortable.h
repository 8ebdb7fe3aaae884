#pragma once

#include "rtfkeywords.h"

#include <QByteArrayView>
#include <QColor>

#include <algorithm>
#include <vector>

namespace bilan::rtf {

// The colour table: \redN\greenN\blueN; per entry. An entry without any of
// them is the automatic colour, which a run shows as no colour at all.
class ColorTable final
{
public:
    void word(Keyword keyword, int parameter)
    {
        switch (keyword) {
        case Keyword::Red: m_red = std::clamp(parameter, 0, 255); m_set = true; break;
        case Keyword::Green: m_green = std::clamp(parameter, 0, 255); m_set = true; break;
        case Keyword::Blue: m_blue = std::clamp(parameter, 0, 255); m_set = true; break;
        default: break;
        }
    }

    void text(QByteArrayView bytes)
    {
        for (char b : bytes) {
            if (b != ';')
                continue;
            m_colors.push_back(m_set ? QColor(m_red, m_green, m_blue) : QColor());
            m_red = m_green = m_blue = 0;
            m_set = false;
        }
    }

    // The index when it names a colour, else -1.
    int usable(int index) const
    {
        return index >= 0 && size_t(index) < m_colors.size() && m_colors[size_t(index)].isValid() ? index : -1;
    }
    const QColor &at(int index) const { return m_colors[size_t(index)]; }

private:
    std::vector<QColor> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_set = false;
};

} // namespace bilan::rtf
