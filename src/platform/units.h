#pragma once
// Twips are 1/1440 inch; a logical pixel is 1/96 inch, so 15 twips to a pixel.
// Every conversion between the two goes through these functions.
#include <QPoint>
#include <QRect>
#include <QSize>

#include "formats/checkednumber.h"

#include <cmath>
#include <optional>

namespace ptt {

constexpr int kTwipsPerPixel = 15;

// Rounds halves to the even neighbour, as the conversions of the original
// form runtime do (2.5 -> 2, 3.5 -> 4).
inline double roundHalfEven(double v)
{
    return roundAs(v, Rounding::HalfEven);
}

// Held within int; NaN gives 0.
inline int roundHalfEvenInt(double v)
{
    return boundedInt(v, Rounding::HalfEven);
}

inline int twipsToPixels(double twips)
{
    return roundHalfEvenInt(twips / kTwipsPerPixel);
}

// Nothing when the pixels would not fit an int (a size typed by the user).
inline std::optional<int> twipsToPixelsChecked(double twips)
{
    return checkedInt(twips / kTwipsPerPixel, Rounding::HalfEven);
}

inline double pixelsToTwips(double pixels)
{
    return pixels * kTwipsPerPixel;
}

inline QPoint twipsToPixels(QPointF twips)
{
    return QPoint(twipsToPixels(twips.x()), twipsToPixels(twips.y()));
}

inline QSize twipsToPixels(QSizeF twips)
{
    return QSize(twipsToPixels(twips.width()), twipsToPixels(twips.height()));
}

inline QRect twipsToPixels(double left, double top, double width, double height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

} // namespace ptt
