#pragma once

#include <QRect>
#include <QtGlobal>

// The window is laid out in twips: 15 twips make one logical pixel, rounded to the nearest.
inline constexpr int kTwipsPerPixel = 15;

inline int pixelsFromTwips(int value)
{
    return qRound(double(value) / kTwipsPerPixel);
}

inline QRect pixelsFromTwips(QRect rect)
{
    return {pixelsFromTwips(rect.x()), pixelsFromTwips(rect.y()), pixelsFromTwips(rect.width()),
            pixelsFromTwips(rect.height())};
}
