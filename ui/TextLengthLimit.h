#pragma once

#include "Workbook.h"

#include <QString>

#include <functional>

class QLineEdit;

// The most characters a box takes: what a workbook cell holds, so a typed text reaches every
// output whole (it is also what the boxes took until now).
inline constexpr qsizetype kLongestBoxText = Workbook::kMaxCellCharacters;

// Lets the box take any edit that leaves it at most kLongestBoxText characters long. A longer
// one, a paste above all, is undone whole and `refused` is told the length it would have made;
// Qt's own limit would cut it without a word.
void refuseOverlongEdits(QLineEdit &box, std::function<void(qsizetype length)> refused);

// What the person is told about such an edit.
QString overlongTextMessage(qsizetype length);
