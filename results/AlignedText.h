#pragma once

#include <QString>
#include <QStringView>

// The layout both aligned-text writers share: a cell is filled with blanks up to its column's
// width, counted in characters (a character outside the Basic Multilingual Plane is one, not
// the two UTF-16 units QString counts).
qsizetype characterCount(QStringView text);

// Appends the cell, the blanks that fill it to `width` (none when it is already as long) and
// one TAB.
void appendPaddedCell(QString &line, const QString &cell, qsizetype width);
