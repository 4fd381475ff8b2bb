#include "ZipEdits.h"

#include "ZipConnection.h"
#include "ZipQuery.h"

#include <algorithm>

namespace {

constexpr qsizetype kZipDigits = 5;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

std::optional<QString> storedZip(const QString &typed)
{
    const QString digits = typed.trimmed();
    if (digits.isEmpty() || digits.size() > kZipDigits || !std::all_of(digits.begin(), digits.end(), isAsciiDigit))
        return std::nullopt;
    return digits.rightJustified(kZipDigits, QLatin1Char('0'));
}

bool zipExists(const ZipConnection &connection, const QString &zip)
{
    return !connection.query(QStringLiteral("select 1 from ZipCodes where ZipCode = ?1 limit 1"), {zip}).atEnd();
}

bool addZipRow(ZipConnection &connection, const QString &zip, const QString &city, const QString &state)
{
    // One statement, so the check and the insert happen under one write lock.
    return connection.execute(QStringLiteral("insert into ZipCodes (ZipCode, City, State) select ?1, ?2, ?3"
                                             " where not exists (select 1 from ZipCodes where ZipCode = ?1)"),
                              {zip, city, state})
        == 1;
}

int deleteZip(ZipConnection &connection, const QString &zip)
{
    return connection.execute(QStringLiteral("delete from ZipCodes where ZipCode = ?1"), {zip});
}
