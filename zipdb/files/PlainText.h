#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

// The longest city, county or state a data file may give; the longest real one has 32 characters.
inline constexpr qsizetype kMaxPlainTextLength = 100;

// Why a city, county or state that a data file gives the ZIP cannot be taken, or the empty text
// when it can: it is longer than kMaxPlainTextLength, or it holds a control character or a Unicode
// format character (a bidi override, a zero-width character, ...), which would make the text show
// otherwise than it reads. What names the text in the reason: "city", "county" or "state".
QString plainTextRefusal(QStringView text, QLatin1StringView what, QStringView zip);

// A text of a file as a reason quotes it: cut short where a line would not hold it.
QString shownText(QStringView text);
