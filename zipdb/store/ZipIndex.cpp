#include "ZipIndex.h"

#include "ZipCursor.h"
#include "ZipProfile.h"
#include "ZipStore.h"

#include <QStringList>

#include <array>
#include <future>

namespace {

QString nameOf(const ZipRow &row)
{
    return row.city + QStringLiteral(", ") + row.state;
}

static_assert(int(ZipIndex::County) + int(ZipFacts::Kind) == int(ZipIndex::Kind)
                  && ZipIndex::Kind + 1 == ZipIndex::OtherNames,
              "the place's and profile's facts lie between State and OtherNames, in ZipFacts' order");

// The texts kept for each ZIP of the rows.
enum RowText { RowCity, RowState, RowOtherNames, RowTextCount };

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

ZipIndex::ZipIndex() : m_rowOf(kZipCount, -1) {}

ZipIndex::ZipIndex(ZipStore &store) : ZipIndex()
{
    // The places' and the profiles' texts are each made on a thread of their own while the store
    // is read on, and each let go once made.
    QHash<QString, ZipPlace> places = store.places();
    std::future<void> placesMade = std::async(std::launch::async, [&] {
        m_facts.addPlaces(places);
        places = {};
    });
    std::vector<ZipProfile> profiles = store.profiles();
    std::future<void> profilesMade = std::async(std::launch::async, [&] {
        m_facts.addProfiles(profiles);
        profiles = {};
    });
    addRows(store);
    placesMade.get();
    profilesMade.get();
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
        const int zip = ZipFacts::numberOf(row.zip);
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
    m_rowTexts.squeeze();
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
    switch (fact) {
    case City:
        return m_rowTexts.at(row + RowCity);
    case State:
        return m_rowTexts.at(row + RowState);
    case OtherNames:
        return m_rowTexts.at(row + RowOtherNames);
    case FactCount:
        return {};
    default:
        // The facts between State and OtherNames are the place's and profile's, in their order.
        return m_facts.view(zip, ZipFacts::Fact(fact - County));
    }
}
