#include "ZipIndex.h"

#include "ZipCursor.h"
#include "ZipStore.h"

#include <QStringList>

#include <array>

namespace {

// The ZIP's number; -1 for a text that is not five digits, which no list can name.
int numberOf(const QString &zip)
{
    int number = 0;
    for (const QChar digit : zip) {
        if (digit < u'0' || digit > u'9')
            return -1;
        number = number * 10 + (digit.unicode() - u'0');
    }
    return zip.size() == 5 ? number : -1;
}

QString nameOf(const ZipRow &row)
{
    return row.city + QStringLiteral(", ") + row.state;
}

} // namespace

// The rows of one ZIP, as a search lists them.
struct ZipIndex::Rows {
    int zip = -1;
    ZipRow first;
    QStringList otherNames;
};

QString matchText(ZipMatch match)
{
    switch (match) {
    case ZipMatch::Found:
        return QStringLiteral("found");
    case ZipMatch::Unknown:
        return QStringLiteral("unknown");
    case ZipMatch::NotAZip:
        break;
    }
    return QStringLiteral("not a ZIP");
}

QString ZipIndex::factName(Fact fact)
{
    static const std::array<QString, FactCount> names{QStringLiteral("City"),     QStringLiteral("State"),
                                                      QStringLiteral("County"),   QStringLiteral("Latitude"),
                                                      QStringLiteral("Longitude"), QStringLiteral("Other Names")};
    return names.at(fact);
}

ZipIndex::ZipIndex() : m_entries(kZipCount, -1) {}

// The search lists a ZIP's rows together, so each ZIP is made an entry as soon as its rows end.
ZipIndex::ZipIndex(ZipStore &store) : ZipIndex()
{
    const QHash<QString, ZipPlace> places = store.places();
    std::vector<const ZipPlace *> placeOf(kZipCount, nullptr);
    for (const ZipPlace &place : places)
        if (const int zip = numberOf(place.zip); zip >= 0)
            placeOf[zip] = &place;
    Rows rows;
    for (const auto cursor = store.search(QString()); !cursor->atEnd(); cursor->moveNext()) {
        const ZipRow row{cursor->text(ZipCodeColumn), cursor->text(CityColumn), cursor->text(StateColumn)};
        const int zip = numberOf(row.zip);
        if (zip < 0 || contains(zip))
            continue;
        if (zip == rows.zip) {
            if (const QString name = nameOf(row); name != nameOf(rows.first) && !rows.otherNames.contains(name))
                rows.otherNames.append(name);
            continue;
        }
        addEntry(rows, placeOf);
        rows = Rows{zip, row, {}};
    }
    addEntry(rows, placeOf);
    m_text.squeeze();
}

void ZipIndex::addEntry(const Rows &rows, const std::vector<const ZipPlace *> &places)
{
    if (rows.zip < 0)
        return;
    const ZipPlace *place = places[rows.zip];
    m_entries[rows.zip] = qint32(size());
    m_positions.push_back(place ? place->position : std::nullopt);
    addText(rows.first.city);
    addText(rows.first.state);
    addText(place ? place->county : QString());
    addText({}); // the coordinates, from m_positions
    addText({});
    addText(rows.otherNames.join(QStringLiteral("; ")));
}

void ZipIndex::addText(const QString &text)
{
    m_textStarts.push_back(quint32(m_text.size()));
    m_text += text;
}

ZipMatch ZipIndex::match(std::optional<int> zip) const
{
    if (!zip)
        return ZipMatch::NotAZip;
    return contains(*zip) ? ZipMatch::Found : ZipMatch::Unknown;
}

QString ZipIndex::fact(int zip, Fact fact) const
{
    if (!contains(zip))
        return {};
    const size_t entry = size_t(m_entries[zip]);
    if (fact == Latitude || fact == Longitude) {
        const std::optional<GeoPoint> &at = m_positions[entry];
        return at ? coordinateText(fact == Latitude ? at->latitude : at->longitude) : QString();
    }
    const size_t at = entry * FactCount + fact;
    const quint32 end = at + 1 < m_textStarts.size() ? m_textStarts[at + 1] : quint32(m_text.size());
    return m_text.sliced(m_textStarts[at], end - m_textStarts[at]);
}

std::optional<GeoPoint> ZipIndex::position(int zip) const
{
    return contains(zip) ? m_positions[size_t(m_entries[zip])] : std::nullopt;
}
