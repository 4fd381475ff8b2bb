#include "MilesRange.h"

#include <QLocale>
#include <QRegularExpression>

namespace miles {

std::optional<double> fromText(QStringView text)
{
    static const QRegularExpression plainDecimal(QStringLiteral("\\A(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)\\z"));
    const QString trimmed = text.trimmed().toString();
    if (!plainDecimal.match(trimmed).hasMatch())
        return std::nullopt;
    bool read = false;
    const double miles = QLocale::c().toDouble(trimmed, &read);
    return read ? std::optional(miles) : std::nullopt;
}

std::optional<double> inRange(QStringView text)
{
    const std::optional<double> miles = fromText(text);
    return miles && *miles >= kFewest && *miles <= kMost ? miles : std::nullopt;
}

QString rangeText()
{
    return QStringLiteral("%1 to %2").arg(QLocale::c().toString(kFewest), QLocale::c().toString(kMost));
}

QString noCoordinatesText(const QString &zip)
{
    return QStringLiteral("%1 has no coordinates, so no distance can be measured from it (a ZIP added by hand has none)")
        .arg(zip);
}

} // namespace miles
