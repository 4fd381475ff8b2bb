#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

#include <vector>

struct ZipPlace;
struct ZipProfile;

// Texts one after another, the n-th found by where it starts; it ends where the next starts: a
// table's worth of short texts in two allocations.
class JoinedTexts
{
public:
    void add(QStringView text);
    QStringView at(size_t n) const;
    // Gives back the room the texts grew into but did not fill.
    void squeeze();

private:
    QString m_text;
    std::vector<quint32> m_starts;
};

// Each ZIP's place and profile as the command line, the lookups and the spreadsheet cells write
// them, made once into flat tables of every possible ZIP: a whole table's facts are then found in
// constant time a ZIP, without a text made for each row that asks.
class ZipFacts
{
public:
    enum Fact { County, Latitude, Longitude, TimeZone, Counties, Population, Kind, FactCount };
    static constexpr int kZipCount = 100000;

    // The ZIP's number; -1 for a text that is not five digits, which no table holds.
    static int numberOf(QStringView zip);
    // The fact's text from the ZIP's place and profile, either of which may be missing (a ZIP
    // the person added has neither): empty where there is none.
    static QString text(const ZipPlace *place, const ZipProfile *profile, Fact fact);

    // Holds no ZIP's facts.
    ZipFacts();
    // The places' and the profiles' texts, which two threads may make at once.
    void addPlaces(const QHash<QString, ZipPlace> &places);
    void addProfiles(const std::vector<ZipProfile> &profiles);

    // The fact's text, empty where there is none; the view lasts as long as these facts.
    QStringView view(int zip, Fact fact) const;

private:
    // By ZIP number: the n-th place (County, Latitude, Longitude) or profile (the others); -1 for none.
    std::vector<qint32> m_placeOf;
    JoinedTexts m_placeTexts;
    std::vector<qint32> m_profileOf;
    JoinedTexts m_profileTexts;
};
