#pragma once

#include <QRect>
#include <QtGlobal>

// The window is laid out in twips: 15 twips make one logical pixel.
inline constexpr int kTwipsPerPixel = 15;

inline int twips(int value)
{
    return qRound(double(value) / kTwipsPerPixel);
}

inline QRect twips(QRect rect)
{
    return {twips(rect.x()), twips(rect.y()), twips(rect.width()), twips(rect.height())};
}
