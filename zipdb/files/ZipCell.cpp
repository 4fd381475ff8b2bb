#include "ZipCell.h"

#include <algorithm>
#include <stdexcept>

namespace {

// A ZIP+4's last part.
constexpr qsizetype kPlusFourDigits = 4;

qsizetype leadingDigits(QStringView text)
{
    return std::find_if(text.begin(), text.end(), [](QChar c) { return c < u'0' || c > u'9'; }) - text.begin();
}

int number(QStringView digits)
{
    int value = 0;
    for (QChar digit : digits)
        value = value * 10 + (digit.unicode() - u'0');
    return value;
}

// Five digits, or nine for a ZIP+4 with or without its dash: a ZIP nobody has mangled.
bool isWholeZip(QStringView cell)
{
    cell = cell.trimmed();
    const qsizetype digits = leadingDigits(cell);
    return zipInCell(cell) && (digits == 9 || (digits == 5 && (cell.size() == 5 || cell[5] == u'-')));
}

[[noreturn]] void refuse(const QString &reason)
{
    throw std::runtime_error(reason.toStdString());
}

// A first line without a ZIP header: the column whose cell is a whole ZIP, else the first that
// holds one after a spreadsheet's mangling; -1 when none does.
int columnHoldingZip(const QStringList &cells)
{
    const auto firstWhere = [&](auto holds) {
        const auto found = std::find_if(cells.begin(), cells.end(), holds);
        return found == cells.end() ? -1 : int(found - cells.begin());
    };
    const int whole = firstWhere([](const QString &cell) { return isWholeZip(cell); });
    return whole >= 0 ? whole : firstWhere([](const QString &cell) { return zipInCell(cell).has_value(); });
}

ZipColumnChoice namedColumn(const QStringList &firstRecord, const QString &named)
{
    bool isNumber = false;
    const int position = named.toInt(&isNumber);
    if (isNumber) {
        if (position < 1 || position > firstRecord.size())
            refuse(QStringLiteral("no column %1: the first line has %2").arg(named.trimmed()).arg(firstRecord.size()));
        return {position - 1, !zipInCell(firstRecord[position - 1])};
    }
    for (int column = 0; column < firstRecord.size(); ++column)
        if (firstRecord[column].trimmed().compare(named.trimmed(), Qt::CaseInsensitive) == 0)
            return {column, true};
    refuse(QStringLiteral("no column named \"%1\" in the first line").arg(named));
}

} // namespace

std::optional<int> zipInCell(QStringView cell)
{
    cell = cell.trimmed();
    const qsizetype digits = leadingDigits(cell);
    const QStringView head = cell.first(digits);
    QStringView rest = cell.sliced(digits);
    if (rest.startsWith(u'-')) {
        const QStringView plusFour = rest.sliced(1);
        if (digits < 3 || digits > 5 || plusFour.size() != kPlusFourDigits || leadingDigits(plusFour) != kPlusFourDigits)
            return std::nullopt;
        return number(head);
    }
    // A float's decimals are zeros: "2134.0" is a ZIP, "2134.5" is not.
    if (rest.startsWith(u'.') && std::all_of(rest.begin() + 1, rest.end(), [](QChar c) { return c == u'0'; }))
        rest = {};
    if (!rest.isEmpty())
        return std::nullopt;
    if (digits >= 3 && digits <= 5)
        return number(head);
    if (digits >= 3 + kPlusFourDigits && digits <= 5 + kPlusFourDigits)
        return number(head.first(digits - kPlusFourDigits));
    return std::nullopt;
}

QString zipText(int zip)
{
    return QStringLiteral("%1").arg(zip, 5, 10, QLatin1Char('0'));
}

bool isZipHeader(QStringView header)
{
    QString squeezed;
    for (QChar c : header)
        if (c.isLetterOrNumber())
            squeezed += c.toLower();
    static const QStringList names{QStringLiteral("zip"), QStringLiteral("zipcode"), QStringLiteral("zip5"),
                                   QStringLiteral("postalcode"), QStringLiteral("postcode")};
    return names.contains(squeezed);
}

ZipColumnChoice findZipColumn(const QStringList &firstRecord, const QString &named)
{
    if (!named.trimmed().isEmpty())
        return namedColumn(firstRecord, named);
    const auto header = std::find_if(firstRecord.begin(), firstRecord.end(),
                                     [](const QString &cell) { return isZipHeader(cell); });
    if (header != firstRecord.end())
        return {int(header - firstRecord.begin()), true};
    if (firstRecord.size() == 1)
        return {0, !zipInCell(firstRecord.front())};
    if (const int column = columnHoldingZip(firstRecord); column >= 0)
        return {column, false};
    refuse(QStringLiteral("no ZIP column: no header of the first line names one (ZIP, Zip Code, Postal Code, ...) "
                          "and none of its cells holds a ZIP"));
}
