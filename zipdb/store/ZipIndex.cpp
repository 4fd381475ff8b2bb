#include "ZipIndex.h"

#include "ZipCursor.h"
#include "ZipProfile.h"
#include "ZipStore.h"

#include <QStringList>

#include <array>
#include <future>

namespace {

// The ZIP's number; -1 for a text that is not five digits, which no list can name.
int numberOf(const QString &zip)
{
    if (zip.size() != 5)
        return -1;
    int number = 0;
    for (const QChar digit : zip) {
        if (digit < u'0' || digit > u'9')
            return -1;
        number = number * 10 + (digit.unicode() - u'0');
    }
    return number;
}

QString nameOf(const ZipRow &row)
{
    return row.city + QStringLiteral(", ") + row.state;
}

// The texts kept for each ZIP of the rows and for each place.
enum RowText { RowCity, RowState, RowOtherNames, RowTextCount };
enum PlaceText { PlaceCounty, PlaceLatitude, PlaceLongitude, PlaceTextCount };
enum ProfileText { ProfileTimeZone, ProfileCounties, ProfilePopulation, ProfileKind, ProfileTextCount };

} // namespace

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
                                                      QStringLiteral("Longitude"), QStringLiteral("TimeZone"),
                                                      QStringLiteral("Counties"),  QStringLiteral("Population"),
                                                      QStringLiteral("Kind"),      QStringLiteral("Other Names")};
    return names.at(fact);
}

void ZipIndex::Texts::add(QStringView text)
{
    m_starts.push_back(quint32(m_text.size()));
    m_text += text;
}

QStringView ZipIndex::Texts::at(size_t n) const
{
    const quint32 end = n + 1 < m_starts.size() ? m_starts[n + 1] : quint32(m_text.size());
    return QStringView(m_text).sliced(m_starts[n], end - m_starts[n]);
}

ZipIndex::ZipIndex() : m_rowOf(kZipCount, -1), m_placeOf(kZipCount, -1), m_profileOf(kZipCount, -1) {}

ZipIndex::ZipIndex(ZipStore &store) : ZipIndex()
{
    const QHash<QString, ZipPlace> places = store.places();
    const std::vector<ZipProfile> profiles = store.profiles();
    // The places' and profiles' texts are made on a thread of their own while the rows are read.
    std::future<void> placesAdded = std::async(std::launch::async, [&] {
        addPlaces(places);
        addProfiles(profiles);
    });
    addRows(store);
    placesAdded.get();
}

void ZipIndex::addPlaces(const QHash<QString, ZipPlace> &places)
{
    m_positions.reserve(places.size());
    for (const ZipPlace &place : places) {
        const int zip = numberOf(place.zip);
        if (zip < 0)
            continue;
        m_placeOf[zip] = qint32(m_positions.size());
        m_positions.push_back(place.position);
        m_placeTexts.add(place.county);
        m_placeTexts.add(place.position ? coordinateText(place.position->latitude) : QString());
        m_placeTexts.add(place.position ? coordinateText(place.position->longitude) : QString());
    }
}

void ZipIndex::addProfiles(const std::vector<ZipProfile> &profiles)
{
    qint32 count = 0;
    for (const ZipProfile &profile : profiles) {
        const int zip = numberOf(profile.zip);
        if (zip < 0)
            continue;
        m_profileOf[zip] = count++;
        m_profileTexts.add(profile.timeZone);
        m_profileTexts.add(countiesText(profile.counties));
        m_profileTexts.add(profile.population ? QString::number(*profile.population) : QString());
        m_profileTexts.add(kindText(profile.kind));
    }
}

// The search lists a ZIP's rows together: its first row, then the others' names.
void ZipIndex::addRows(ZipStore &store)
{
    QStringList otherNames;
    QString firstName;
    const auto endZip = [&] {
        m_rowTexts.add(otherNames.join(QStringLiteral("; ")));
        otherNames.clear();
    };
    int zipOfRows = -1;
    for (const auto cursor = store.search(QString()); !cursor->atEnd(); cursor->moveNext()) {
        const ZipRow row{cursor->text(ZipCodeColumn), cursor->text(CityColumn), cursor->text(StateColumn)};
        const int zip = numberOf(row.zip);
        if (zip == zipOfRows && nameOf(row) != firstName && !otherNames.contains(nameOf(row)))
            otherNames.append(nameOf(row));
        if (zip < 0 || zip == zipOfRows || contains(zip))
            continue;
        if (zipOfRows >= 0)
            endZip();
        zipOfRows = zip;
        m_rowOf[zip] = qint32(m_zipCount++);
        m_rowTexts.add(row.city);
        m_rowTexts.add(row.state);
        firstName = nameOf(row);
    }
    if (zipOfRows >= 0)
        endZip();
}

ZipMatch ZipIndex::match(std::optional<int> zip) const
{
    if (!zip)
        return ZipMatch::NotAZip;
    return contains(*zip) ? ZipMatch::Found : ZipMatch::Unknown;
}

QStringView ZipIndex::factView(int zip, Fact fact) const
{
    if (!contains(zip))
        return {};
    const size_t row = size_t(m_rowOf[zip]) * RowTextCount;
    const qint32 place = m_placeOf[zip];
    const auto placeText = [&](PlaceText text) {
        return place < 0 ? QStringView() : m_placeTexts.at(size_t(place) * PlaceTextCount + text);
    };
    const qint32 profile = m_profileOf[zip];
    const auto profileText = [&](ProfileText text) {
        return profile < 0 ? QStringView() : m_profileTexts.at(size_t(profile) * ProfileTextCount + text);
    };
    switch (fact) {
    case City:
        return m_rowTexts.at(row + RowCity);
    case State:
        return m_rowTexts.at(row + RowState);
    case OtherNames:
        return m_rowTexts.at(row + RowOtherNames);
    case County:
        return placeText(PlaceCounty);
    case Latitude:
        return placeText(PlaceLatitude);
    case Longitude:
        return placeText(PlaceLongitude);
    case TimeZone:
        return profileText(ProfileTimeZone);
    case Counties:
        return profileText(ProfileCounties);
    case Population:
        return profileText(ProfilePopulation);
    case Kind:
        return profileText(ProfileKind);
    case FactCount:
        break;
    }
    return {};
}

std::optional<GeoPoint> ZipIndex::position(int zip) const
{
    if (!contains(zip) || m_placeOf[zip] < 0)
        return std::nullopt;
    return m_positions[size_t(m_placeOf[zip])];
}
