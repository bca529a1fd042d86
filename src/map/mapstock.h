#pragma once
// What the map window starts with: the grid's colours and the ten built-in
// small pictures.
#include "platform/colours.h"

#include <QColor>
#include <QString>

namespace ptt {

inline const QColor kMapBackColour(255, 100, 255);
inline const QColor kMapLineColour = kPageGreen;

// The resource path of built-in small picture k, 1 to 10.
inline QString mapSmallPicturePath(int k)
{
    return QStringLiteral(":/pictures/map/small%1.%2")
        .arg(k, 2, 10, QLatin1Char('0'))
        .arg(k == 4 ? QStringLiteral("bmp") : QStringLiteral("jpg"));
}

} // namespace ptt
