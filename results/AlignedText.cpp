#include "AlignedText.h"

qsizetype characterCount(QStringView text)
{
    qsizetype count = text.size();
    for (QChar unit : text)
        if (unit.isLowSurrogate())
            --count;
    return count;
}

void appendPaddedCell(QString &line, const QString &cell, qsizetype width)
{
    line += cell;
    const qsizetype fill = width - characterCount(cell);
    if (fill > 0)
        line.resize(line.size() + fill, QLatin1Char(' '));
    line += QLatin1Char('\t');
}
