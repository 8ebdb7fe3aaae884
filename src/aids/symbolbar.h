#pragma once

#include <QObject>
#include <QString>

namespace bilan::symbolbar {

// The symbol bar: 24 small buttons along the bottom of the main window for
// full-width punctuation, paired marks, arithmetic signs and unit symbols.
inline constexpr int Count = 24;

// Geometry in units of 1/1440 inch. The buttons stand at a pitch of 480
// but are 500 wide, so neighbours overlap by 20.
inline constexpr int Width = 500;
inline constexpr int Height = 320;
inline constexpr int DesignedTop = 7920;
inline constexpr int FirstLeft = 120;
inline constexpr int Pitch = 480;
// The bar's row stays this far above the bottom of the client area.
inline constexpr int DistanceFromBottom = 400;

// What a button shows. Empty for an index outside 0 to 23.
QString caption(int index);
// What a click inserts: not always the caption (12 and 13 show full-width
// signs but insert the ASCII ones; the pair buttons insert both marks).
QString insertedText(int index);
// The button's place on the bar, 0 (leftmost) to 23; -1 outside the array.
int slot(int index);
// The button's left edge, 120 + 480 × slot.
int left(int index);

} // namespace bilan::symbolbar

namespace bilan {

class Form1;

// The symbol bar's buttons at work: a click takes the keyboard focus back
// to the manuscript and inserts the button's text at the caret, so the
// author goes on typing behind it (behind both marks of a pair).
class SymbolBar final : public QObject
{
    Q_OBJECT
public:
    explicit SymbolBar(Form1 &window);

    void onButton(int index);

private:
    Form1 &m_window;
};

} // namespace bilan
