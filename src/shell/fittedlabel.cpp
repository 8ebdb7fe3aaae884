#include "fittedlabel.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <functional>

namespace bilan {

namespace {

// Lays the text out in lines of the width (a very long one when it does
// not wrap) and calls `line` for each, with its text, before it is placed.
int layOut(QTextLayout &layout, qreal width, bool wrap, const std::function<void(QTextLine &, int)> &line)
{
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WordWrap : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    int count = 0;
    for (QTextLine next = layout.createLine(); next.isValid(); next = layout.createLine()) {
        next.setLineWidth(wrap ? width : 1e6);
        line(next, count++);
    }
    layout.endLayout();
    return count;
}

QString lineText(const QString &text, const QTextLine &line)
{
    return text.mid(line.textStart(), line.textLength());
}

enum class Fit { Whole, TooTall, TooWide };

// Whether the text, in the font, stands whole in the box in `lines` lines
// at most, each line's ink no taller than its share of the box; or which
// way it does not.
Fit measure(const QString &text, const QFont &font, const QSizeF &box, int lines, bool wrap)
{
    const qreal share = box.height() / lines;
    QTextLayout layout(text, font);
    const QFontMetricsF metrics(font);
    Fit result = Fit::Whole;
    const int count = layOut(layout, box.width(), wrap, [&](QTextLine &line, int) {
        if (result != Fit::Whole)
            return;
        const QRectF ink = metrics.tightBoundingRect(lineText(text, line));
        if (ink.height() > share)
            result = Fit::TooTall;
        else if (line.naturalTextWidth() > box.width() || ink.right() > box.width())
            result = Fit::TooWide;
    });
    // Too many lines is a matter of width: closer letters may save one.
    return result == Fit::Whole && count > lines ? Fit::TooWide : result;
}

bool hasChinese(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x2E80; });
}

// How tall common Chinese characters are drawn in the font, measured once
// per font. A face whose characters are taller than a line's share is
// refused without measuring each caption, which would load every glyph
// of the board in that face.
qreal chineseInkHeight(const QFont &font)
{
    static QHash<QString, qreal> measured;
    const QString key = font.key();
    auto found = measured.constFind(key);
    if (found == measured.constEnd())
        found = measured.insert(key, QFontMetricsF(font).tightBoundingRect(QStringLiteral("国器电阻")).height());
    return *found;
}

bool hasHalfWidth(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

QFont fittingFont(const QFont &designed, const std::function<bool(const QFont &)> &fits)
{
    // The designed face first (宋体 where it is installed), then the faces
    // the program put in its place, nearest in look first.
    // Three at most: every face tried at every size is a font to load.
    QStringList faces{designed.family()};
    faces += QFont::substitutes(designed.family()).mid(0, 2);
    constexpr qreal kSmallest = 6.5;
    for (qreal points = designed.pointSizeF(); points >= kSmallest; points -= 0.25) {
        // The designed name is drawn in its first stand-in, which is also
        // listed by its own name: each face is tried once.
        QStringList tried;
        for (const QString &face : std::as_const(faces)) {
            QFont font = designed;
            font.setFamilies({face});
            font.setPointSizeF(points);
            const QString drawn = QFontInfo(font).family();
            if (tried.contains(drawn))
                continue;
            tried << drawn;
            if (fits(font))
                return font;
        }
    }
    return designed;
}

FittedLabel::FittedLabel(const QString &caption, QWidget *parent)
    : QLabel(caption, parent)
{
    setTextFormat(Qt::PlainText);
}

void FittedLabel::fit(int lines)
{
    m_lines = lines;
    m_fitted = false;
    if (isVisible())
        fitNow();
}

void FittedLabel::showEvent(QShowEvent *event)
{
    ensureFitted();
    QLabel::showEvent(event);
}

void FittedLabel::fitNow()
{
    m_fitted = true;
    const int lines = m_lines;
    const QString caption = text();
    // Only Latin letters and digits can be set closer without touching:
    // Chinese characters fill their whole width.
    const qreal tightest = hasHalfWidth(caption) ? -2 : 0; // pixels between letters
    qreal spacing = 0;
    const bool chinese = hasChinese(caption);
    const QFont font = fittingFont(this->font(), [&](const QFont &candidate) {
        if (chinese && chineseInkHeight(candidate) > qreal(height()) / lines)
            return false;
        QFont spaced = candidate;
        for (spacing = 0; spacing >= tightest; spacing -= 0.25) {
            spaced.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
            const Fit result = measure(caption, spaced, size(), lines, wordWrap());
            if (result == Fit::Whole)
                return true;
            if (result == Fit::TooTall) // closer letters are no shorter
                return false;
        }
        return false;
    });
    QFont spaced = font;
    if (spacing < 0)
        spaced.setLetterSpacing(QFont::AbsoluteSpacing, std::max(spacing, tightest));
    if (spaced != this->font())
        setFont(spaced);
}

void FittedLabel::paintEvent(QPaintEvent *)
{
    // Drawn over the background that the label fills in itself.
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QString caption = text();
    QTextLayout layout(caption, font());
    const QFontMetricsF metrics(font());
    // The line count is known only once laid out; a first pass counts.
    QTextLayout counting(caption, font());
    const int lines = std::max(1, layOut(counting, width(), wordWrap(), [](QTextLine &, int) {}));
    const qreal share = qreal(height()) / lines;
    layOut(layout, width(), wordWrap(), [&](QTextLine &line, int index) {
        const QRectF ink = metrics.tightBoundingRect(lineText(caption, line));
        const qreal baseline = index * share + (share - ink.height()) / 2 - ink.top();
        line.setPosition(QPointF(0, baseline - line.ascent()));
    });
    layout.draw(&painter, QPointF(0, 0));
}

} // namespace bilan
