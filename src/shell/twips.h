#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace bilan {

// The window is designed in units of 1/1440 inch. Every conversion to and
// from pixels goes through here, with the screen's logical DPI, so the
// window keeps its designed proportions on any screen (15 units a pixel at
// 96 DPI).
class Twips final
{
public:
    static void setDpi(double dpiX, double dpiY);
    static double dpiX() { return s_dpiX; }
    static double dpiY() { return s_dpiY; }

    static int toPixelsX(int twips);
    static int toPixelsY(int twips);
    static int fromPixelsX(int pixels);
    static int fromPixelsY(int pixels);
    static QRect rect(int left, int top, int width, int height);
    static QSize size(int width, int height);

private:
    static inline double s_dpiX = 96.0;
    static inline double s_dpiY = 96.0;
};

} // namespace bilan
