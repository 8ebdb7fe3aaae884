#pragma once

#include <QLabel>

#include <functional>

namespace bilan {

// The font for a control's text where the designed font does not fit its
// designed box: the largest size from the designed one down (to 6.5 points)
// at which `fits` holds, in the designed face or else the first face that
// stands in for it and fits there. The designed font when nothing fits.
QFont fittingFont(const QFont &designed, const std::function<bool(const QFont &)> &fits);

// A term label of the vocabulary board. Its box is the designed one, one
// line of 9 points high (two for the sample sentence), which 宋体 fills
// exactly; the faces that stand in for 宋体 elsewhere draw a taller line
// and would lose the top or bottom of their characters, or a whole second
// line. So the caption is drawn in lines of equal height that fill the
// box, each line's ink centred in its share, in the face and size that fit.
class FittedLabel final : public QLabel
{
public:
    FittedLabel(const QString &caption, QWidget *parent);

    // Chooses the font for the caption at the label's size, in `lines`
    // lines at most: the largest size from the designed one down that fits,
    // in the label's own face or else the first face that stands in for it
    // and fits, with its letters set slightly closer where that is what
    // keeps a caption with Latin letters or digits whole. Done when the
    // label is first shown, or before through ensureFitted(): the board is
    // hidden at start-up, and measuring loads the glyphs of every face tried.
    void fit(int lines);
    // Chooses the font now, unless it was chosen already.
    void ensureFitted()
    {
        if (!m_fitted)
            fitNow();
    }

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void fitNow();

    int m_lines = 1;
    bool m_fitted = true;
};

} // namespace bilan
