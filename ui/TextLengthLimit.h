#pragma once

#include <QString>

#include <functional>

class QLineEdit;

// The most characters a box takes: what the boxes took until now, and what a workbook cell holds.
inline constexpr qsizetype kLongestBoxText = 32767;

// Lets the box take any edit that leaves it at most kLongestBoxText characters long. A longer
// one, a paste above all, is undone whole and `refused` is told the length it would have made;
// Qt's own limit would cut it without a word.
void refuseOverlongEdits(QLineEdit &box, std::function<void(qsizetype length)> refused);

// What the person is told about such an edit.
QString overlongTextMessage(qsizetype length);
