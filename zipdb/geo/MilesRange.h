#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The distances the ZIPs near a place are asked for, the same in the window and on the command
// line: one range, one wording.
namespace miles {

inline constexpr double kFewest = 0.1;
inline constexpr double kMost = 500;

// A distance as a person or a script types it: decimal digits with at most one point (the C
// locale's), blanks around it ignored. None for anything else: a sign, an exponent, a comma.
std::optional<double> fromText(QStringView text);
// The typed distance when it lies within the range; none otherwise.
std::optional<double> inRange(QStringView text);

// "0.1 to 500", for prompts and refusals.
QString rangeText();
// Why no distance can be measured from the ZIP: it has no coordinates.
QString noCoordinatesText(const QString &zip);

} // namespace miles
