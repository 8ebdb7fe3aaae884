#include "twips.h"

#include <cmath>

namespace bilan {

namespace {
constexpr double kTwipsPerInch = 1440.0;
}

void Twips::setDpi(double dpiX, double dpiY)
{
    if (dpiX > 0)
        s_dpiX = dpiX;
    if (dpiY > 0)
        s_dpiY = dpiY;
}

int Twips::toPixelsX(int twips)
{
    return int(std::lround(twips * s_dpiX / kTwipsPerInch));
}

int Twips::toPixelsY(int twips)
{
    return int(std::lround(twips * s_dpiY / kTwipsPerInch));
}

int Twips::fromPixelsX(int pixels)
{
    return int(std::lround(pixels * kTwipsPerInch / s_dpiX));
}

int Twips::fromPixelsY(int pixels)
{
    return int(std::lround(pixels * kTwipsPerInch / s_dpiY));
}

QRect Twips::rect(int left, int top, int width, int height)
{
    return QRect(toPixelsX(left), toPixelsY(top), toPixelsX(width), toPixelsY(height));
}

QSize Twips::size(int width, int height)
{
    return QSize(toPixelsX(width), toPixelsY(height));
}

} // namespace bilan
