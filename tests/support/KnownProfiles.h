#pragma once

#include "ZipProfile.h"
#include "ZipStore.h"

#include <QTest>

#include <algorithm>

// A handful of shipped ZIPs whose profiles are known from data/zipprofiles.csv, and one added by
// hand, which has none: the same table for every store.
inline void addKnownProfiles()
{
    QTest::addColumn<QString>("zip");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("timeZone");
    QTest::addColumn<qint64>("population"); // -1 for none
    QTest::addColumn<QString>("counties");
    QTest::newRow("a split ZIP") << "02134" << "area" << "America/New_York" << qint64(17969)
                                 << "Suffolk 99.6%; Middlesex 0.4%";
    QTest::newRow("a post office") << "00501" << "post office" << "America/New_York" << qint64(-1) << "Suffolk";
    QTest::newRow("military") << "09001" << "military" << "" << qint64(-1) << "";
    QTest::newRow("a territory") << "00601" << "area" << "America/Puerto_Rico" << qint64(16834)
                                 << "Adjuntas 98.74%; Utuado 1.26%";
    QTest::newRow("added by hand") << "99990" << "" << "" << qint64(-1) << "";
}

// The store gives the row's profile alike one ZIP at a time and in the whole list, and lists the
// ZIP among its first county's ZIPs with that county's share.
inline void checkKnownProfile(ZipStore &store)
{
    QFETCH(QString, zip);
    QFETCH(QString, kind);
    QFETCH(QString, timeZone);
    QFETCH(qint64, population);
    QFETCH(QString, counties);
    store.add(QStringLiteral("99990"), QStringLiteral("Mine"), QStringLiteral("AK"));
    const std::optional<ZipProfile> profile = store.profile(zip);
    const std::vector<ZipProfile> all = store.profiles();
    const auto listed = std::ranges::find(all, zip, &ZipProfile::zip);
    QCOMPARE(profile.has_value(), !kind.isEmpty());
    QCOMPARE(listed != all.end(), !kind.isEmpty());
    QVERIFY(std::ranges::is_sorted(all, {}, &ZipProfile::zip));
    if (!profile)
        return;
    QVERIFY(*listed == *profile);
    QCOMPARE(kindText(profile->kind), kind);
    QCOMPARE(profile->timeZone, timeZone);
    QCOMPARE(profile->population.value_or(-1), population);
    QCOMPARE(countiesText(profile->counties), counties);
    if (profile->counties.empty())
        return;
    const CountyShare &first = profile->counties.front();
    const std::vector<CountyRow> rows = store.rowsInCounty(first.fips);
    const auto row = std::ranges::find(rows, zip, [](const CountyRow &each) { return each.row.zip; });
    QVERIFY(row != rows.end());
    QCOMPARE(row->share, first.share);
    QVERIFY(std::ranges::is_sorted(rows, std::ranges::greater(), [](const CountyRow &each) { return each.share.value_or(-1); }));
    const std::vector<CountyShare> named = store.countiesNamed(first.name.toUpper(), first.fips.left(2));
    QVERIFY(std::ranges::find(named, first.fips, &CountyShare::fips) != named.end());
}
