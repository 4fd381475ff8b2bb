#pragma once

#include "ZipFacts.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

class ZipStore;

// How a cell of a person's list matched: a ZIP the store holds, five digits that are no ZIP of
// the store, or no ZIP at all.
enum class ZipMatch { Found, Unknown, NotAZip };

// "found", "unknown", "not a ZIP": the Match column's texts.
QString matchText(ZipMatch match);

// Each ZIP's facts as the store holds them, read once into flat tables of every possible ZIP, so
// that a list of any length is looked up without another query, in constant time a ZIP. A ZIP
// with several rows takes its first row's city and state, in the order a search lists them, and
// the others' names as OtherNames ("City, ST" joined by "; ").
class ZipIndex
{
public:
    // The facts, in the order the lookups write them after a list's own columns: the one list of
    // them, which factName() names.
    enum Fact {
        City,
        State,
        County,
        Latitude,
        Longitude,
        TimeZone,
        Counties,
        Population,
        Kind,
        OtherNames,
        FactCount
    };
    static constexpr int kZipCount = ZipFacts::kZipCount;

    // The header of the fact's column, as --search prints it.
    static QString factName(Fact fact);

    // Holds no ZIP.
    ZipIndex();
    // Reads every row, place and profile of the open store. Throws the store's failure.
    explicit ZipIndex(ZipStore &store);

    // The ZIPs it holds.
    qsizetype size() const { return m_zipCount; }
    bool contains(int zip) const { return zip >= 0 && zip < kZipCount && m_rowOf[zip] >= 0; }
    ZipMatch match(std::optional<int> zip) const;
    // The fact as --search prints it: empty where the store holds none, or for a ZIP it does not
    // hold. The view lasts as long as the index.
    QStringView factView(int zip, Fact fact) const;
    QString fact(int zip, Fact fact) const { return factView(zip, fact).toString(); }

private:
    void addRows(ZipStore &store);

    // By ZIP number: the n-th ZIP of the rows, and its City, State and OtherNames; -1 for none.
    std::vector<qint32> m_rowOf;
    qsizetype m_zipCount = 0;
    JoinedTexts m_rowTexts;
    ZipFacts m_facts;
};
