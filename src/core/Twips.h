#pragma once

#include <cmath>

// Window geometry is designed in twips, 1440 to the inch; the screen counts pixels at its logical DPI.
namespace twips {

constexpr double PerInch = 1440.0;

inline int toPixels(double twips, double dpi)
{
    return int(std::lround(twips * dpi / PerInch));
}

inline double fromPixels(int pixels, double dpi)
{
    return dpi > 0 ? pixels * PerInch / dpi : 0;
}

} // namespace twips
