#include "windowicon.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace bilan {

namespace {

// Seven colours of the 16-colour desktop palette and transparency.
const QColor kPaper(255, 255, 255);
const QColor kOutline(64, 64, 64);
const QColor kFold(192, 192, 192);
const QColor kGrid(192, 0, 0);
const QColor kHandle(128, 64, 0);
const QColor kFerrule(255, 192, 0);
const QColor kInk(0, 0, 0);

// Each size is drawn on its own pixel grid, without antialiasing, so that
// the rules and the brush stay sharp and the palette stays small.
struct Drawing
{
    int size;
    QRect sheet;
    int fold;
    QList<int> rules;
    int ruleLeft;
    int ruleRight;
    QLine handle;
    int handleWidth;
    QLine ferrule;
    QPolygon tip;
};

QPixmap draw(const Drawing &d)
{
    QPixmap pixmap(d.size, d.size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);

    // A sheet of manuscript paper with a folded corner and its red rules.
    const QRect &r = d.sheet;
    const QPolygon sheet({r.topLeft(), QPoint(r.right() - d.fold, r.top()), QPoint(r.right(), r.top() + d.fold),
                          r.bottomRight(), r.bottomLeft()});
    painter.setPen(kOutline);
    painter.setBrush(kPaper);
    painter.drawPolygon(sheet);
    painter.setBrush(kFold);
    painter.drawPolygon(QPolygon({QPoint(r.right() - d.fold, r.top()), QPoint(r.right() - d.fold, r.top() + d.fold),
                                  QPoint(r.right(), r.top() + d.fold)}));
    painter.setPen(kGrid);
    for (const int y : d.rules)
        painter.drawLine(d.ruleLeft, y, d.ruleRight, y);

    // The writing brush, lying across the sheet, its tip on the paper.
    painter.setPen(QPen(kHandle, d.handleWidth, Qt::SolidLine, Qt::SquareCap));
    painter.drawLine(d.handle);
    painter.setPen(QPen(kFerrule, d.handleWidth, Qt::SolidLine, Qt::SquareCap));
    painter.drawLine(d.ferrule);
    painter.setPen(kInk);
    painter.setBrush(kInk);
    painter.drawPolygon(d.tip);
    return pixmap;
}

} // namespace

QIcon windowIcon()
{
    // Sheet, fold, rules from, to; brush handle, its width, ferrule, tip.
    QIcon icon;
    icon.addPixmap(draw({16, QRect(1, 1, 11, 14), 3, {5, 8, 11}, 3, 9, QLine(14, 1, 10, 6), 2, QLine(9, 7, 9, 7),
                         QPolygon({QPoint(7, 8), QPoint(9, 9), QPoint(5, 13)})}));
    icon.addPixmap(draw({32, QRect(4, 2, 21, 28), 5, {10, 14, 18, 22, 26}, 7, 21, QLine(29, 3, 19, 15), 3,
                         QLine(18, 16, 17, 17), QPolygon({QPoint(14, 17), QPoint(18, 20), QPoint(10, 27)})}));
    return icon;
}

} // namespace bilan
