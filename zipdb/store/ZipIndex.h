#pragma once

#include "GeoPoint.h"

#include <QString>

#include <optional>
#include <vector>

class ZipStore;
struct ZipPlace;

// How a cell of a person's list matched: a ZIP the store holds, five digits that are no ZIP of
// the store, or no ZIP at all.
enum class ZipMatch { Found, Unknown, NotAZip };

// "found", "unknown", "not a ZIP": the Match column's texts.
QString matchText(ZipMatch match);

// Each ZIP's facts as the store holds them, read once into a flat table of every possible ZIP,
// so that a list of any length is looked up without another query, in constant time a ZIP. A
// ZIP with several rows takes its first row's city and state, in the order a search lists them,
// and the others' names as OtherNames ("City, ST" joined by "; ").
class ZipIndex
{
public:
    // The facts, in the order the lookups write them after a list's own columns: the one list of
    // them, which factName() names.
    enum Fact { City, State, County, Latitude, Longitude, OtherNames, FactCount };
    static constexpr int kZipCount = 100000;

    // The header of the fact's column, as --search prints it.
    static QString factName(Fact fact);

    // Holds no ZIP.
    ZipIndex();
    // Reads every row and place of the open store. Throws the store's failure.
    explicit ZipIndex(ZipStore &store);

    // The ZIPs it holds.
    qsizetype size() const { return qsizetype(m_positions.size()); }
    bool contains(int zip) const { return zip >= 0 && zip < kZipCount && m_entries[zip] >= 0; }
    ZipMatch match(std::optional<int> zip) const;
    // The fact as --search prints it: empty where the store holds none, or for a ZIP it does not hold.
    QString fact(int zip, Fact fact) const;
    // None where the store holds no coordinates for the ZIP.
    std::optional<GeoPoint> position(int zip) const;

private:
    struct Rows;

    void addEntry(const Rows &rows, const std::vector<const ZipPlace *> &places);
    void addText(const QString &text);

    // By ZIP number: the ZIP's entry, -1 for a ZIP the store does not hold.
    std::vector<qint32> m_entries;
    // Entry * FactCount + fact: where the fact's text begins in m_text; it ends where the next
    // begins. The coordinates' texts are empty: they are made from m_positions when asked.
    std::vector<quint32> m_textStarts;
    QString m_text;
    // By entry.
    std::vector<std::optional<GeoPoint>> m_positions;
};
