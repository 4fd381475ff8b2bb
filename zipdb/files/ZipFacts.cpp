#include "ZipFacts.h"

#include "ZipPlace.h"
#include "ZipProfile.h"

namespace {

constexpr int kPlaceFacts = ZipFacts::Longitude + 1;
constexpr int kProfileFacts = ZipFacts::FactCount - kPlaceFacts;

} // namespace

void JoinedTexts::add(QStringView text)
{
    m_starts.push_back(quint32(m_text.size()));
    m_text += text;
}

QStringView JoinedTexts::at(size_t n) const
{
    const quint32 end = n + 1 < m_starts.size() ? m_starts[n + 1] : quint32(m_text.size());
    return QStringView(m_text).sliced(m_starts[n], end - m_starts[n]);
}

void JoinedTexts::squeeze()
{
    m_text.squeeze();
    m_starts.shrink_to_fit();
}

int ZipFacts::numberOf(QStringView zip)
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

QString ZipFacts::text(const ZipPlace *place, const ZipProfile *profile, Fact fact)
{
    const std::optional<GeoPoint> position = place ? place->position : std::nullopt;
    switch (fact) {
    case County:
        return place ? place->county : QString();
    case Latitude:
        return position ? coordinateText(position->latitude) : QString();
    case Longitude:
        return position ? coordinateText(position->longitude) : QString();
    case TimeZone:
        return profile ? profile->timeZone : QString();
    case Counties:
        return profile ? countiesText(profile->counties) : QString();
    case Population:
        return profile && profile->population ? QString::number(*profile->population) : QString();
    case Kind:
        return profile ? kindText(profile->kind) : QString();
    case FactCount:
        break;
    }
    return {};
}

ZipFacts::ZipFacts() : m_placeOf(kZipCount, -1), m_profileOf(kZipCount, -1) {}

void ZipFacts::addPlaces(const QHash<QString, ZipPlace> &places)
{
    qint32 count = 0;
    for (const ZipPlace &place : places) {
        const int zip = numberOf(place.zip);
        if (zip < 0)
            continue;
        m_placeOf[zip] = count++;
        for (int fact = 0; fact < kPlaceFacts; ++fact)
            m_placeTexts.add(text(&place, nullptr, Fact(fact)));
    }
    m_placeTexts.squeeze();
}

void ZipFacts::addProfiles(const std::vector<ZipProfile> &profiles)
{
    qint32 count = 0;
    for (const ZipProfile &profile : profiles) {
        const int zip = numberOf(profile.zip);
        if (zip < 0)
            continue;
        m_profileOf[zip] = count++;
        for (int fact = kPlaceFacts; fact < FactCount; ++fact)
            m_profileTexts.add(text(nullptr, &profile, Fact(fact)));
    }
    m_profileTexts.squeeze();
}

QStringView ZipFacts::view(int zip, Fact fact) const
{
    if (zip < 0 || zip >= kZipCount)
        return {};
    if (fact < kPlaceFacts) {
        const qint32 place = m_placeOf[zip];
        return place < 0 ? QStringView() : m_placeTexts.at(size_t(place) * kPlaceFacts + fact);
    }
    const qint32 profile = m_profileOf[zip];
    return profile < 0 ? QStringView() : m_profileTexts.at(size_t(profile) * kProfileFacts + (fact - kPlaceFacts));
}
