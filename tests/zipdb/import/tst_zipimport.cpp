#include "ShippedCopy.h"
#include "TestMachine.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"
#include "ZipImport.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList kShipped{"00601|Adjuntas|PR", "10001|New York|NY", "10002|New York|NY", "10003|New York|NY",
                           "90028|Los Angeles|CA"};

// A line of a GeoNames dump; military places have no state code.
QByteArray geo(const char *zip, const char *place, const char *code = "NY")
{
    return QByteArray("US\t") + zip + '\t' + place + "\tSomewhere\t" + code + "\t\t\t\t\t40.7\t-73.9\t4\n";
}

QByteArray shippedNewYork()
{
    return geo("10001", "New York") + geo("10002", "New York") + geo("10003", "New York");
}

// A database of the shipped kind holding only these rows.
void makeDatabase(const QString &path, const QStringList &rows)
{
    QVERIFY(QFile::copy(QStringLiteral(QUILLMAP_PRISTINE_DB), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    ZipConnection db;
    db.open(path);
    db.execute(QStringLiteral("delete from ZipCodes"));
    for (const QString &row : rows)
        db.execute(QStringLiteral("insert into ZipCodes values (?1, ?2, ?3)"), row.split(u'|'));
}

// "zip|county|latitude|longitude", the coordinates empty where unknown.
QString placeText(const ZipPlace &place)
{
    const auto &at = place.position;
    return QStringList{place.zip, place.county, at ? coordinateText(at->latitude) : QString(),
                       at ? coordinateText(at->longitude) : QString()}
        .join(u'|');
}

QStringList outcomesOf(const ImportPlan &plan)
{
    static const char *const names[] = {"added", "removed", "renamed", "kept"};
    QStringList outcomes;
    for (const ZipChange &change : plan.changes)
        outcomes.append(change.zip + QLatin1Char(' ') + QLatin1String(names[int(change.outcome)]));
    return outcomes;
}

} // namespace

class TestZipImport : public QObject
{
    Q_OBJECT

private slots:
    // Per ZIP: the shipped rows are the base, the working copy's the person's, the file the update.
    void mergeKeepsThePersonsWork_data()
    {
        QTest::addColumn<QStringList>("person");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<QStringList>("after");
        const QStringList untouched = kShipped;
        QTest::newRow("the shipped data's own dump changes nothing")
            << untouched << shippedNewYork() + geo("90028", "Los Angeles", "CA") << QStringList{} << kShipped;
        QTest::newRow("a dump renames, adds and removes in its states, not in Puerto Rico or California")
            << untouched << geo("10001", "New York") + geo("10002", "Lower East Side") + geo("10004", "New York")
            << QStringList{"10002 renamed", "10003 removed", "10004 added"}
            << QStringList{"00601|Adjuntas|PR", "10001|New York|NY", "10002|Lower East Side|NY",
                           "10004|New York|NY", "90028|Los Angeles|CA"};
        QTest::newRow("what the person added, deleted or changed is kept")
            << QStringList{"00601|Adjuntas|PR", "10002|Chelsea|NY", "10003|New York|NY", "10009|Mine|NY",
                           "90028|Los Angeles|CA"}
            << shippedNewYork() + geo("10002", "Lower East Side")
            << QStringList{"10001 kept", "10002 kept", "10009 kept"}
            << QStringList{"00601|Adjuntas|PR", "10002|Chelsea|NY", "10003|New York|NY", "10009|Mine|NY",
                           "90028|Los Angeles|CA"};
        QTest::newRow("a file that agrees with the person's change counts nothing")
            << QStringList{"00601|Adjuntas|PR", "10001|New York|NY", "10002|Chelsea|NY", "10003|New York|NY",
                           "90028|Los Angeles|CA"}
            << geo("10001", "New York") + geo("10002", "Chelsea") + geo("10003", "New York") << QStringList{}
            << QStringList{"00601|Adjuntas|PR", "10001|New York|NY", "10002|Chelsea|NY", "10003|New York|NY",
                           "90028|Los Angeles|CA"};
        QTest::newRow("military places take their state from the USPS ranges; one outside them is dropped")
            << untouched
            << shippedNewYork() + geo("09001", "APO AA", "") + geo("34001", "dpo aa", "")
                   + geo("96201", "FPO AA", "") + geo("96860", "FPO AA", "")
            << QStringList{"09001 added", "34001 added", "96201 added"}
            << kShipped + QStringList{"09001|APO|AE", "34001|DPO|AA", "96201|FPO|AP"};
        QTest::newRow("a CSV speaks only for its ZIPs, several rows being one ZIP's names")
            << untouched
            << QByteArray("ZIP,City,State\r\n90028,Los Angeles,CA\r\n90028,Hollywood,ca\r\n10004,\"New York, NY\",NY\r\n")
            << QStringList{"10004 added", "90028 renamed"}
            << kShipped + QStringList{"10004|New York, NY|NY", "90028|Hollywood|CA"};
    }
    // Files imported one after another, with the person's edits between ("edit zip|city|state" sets
    // the ZIP's one row, "edit zip|" deletes it) and the reset: each file's base is the last file
    // that spoke for the ZIP. Checked: the last import's outcomes, the rows after and 10001's place.
    void successiveImportsMergeAgainstTheLastFile_data()
    {
        QTest::addColumn<QByteArrayList>("steps");
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("place");
        const QByteArray ny = geo("10001", "New York"), chelsea = geo("10001", "Chelsea"), penn = geo("10001", "Penn");
        const QByteArray ny2 = geo("10002", "New York"), ny3 = geo("10003", "New York");
        const QStringList others{"00601|Adjuntas|PR", "10002|New York|NY", "10003|New York|NY", "90028|Los Angeles|CA"};
        const QString shippedPlace = "New York|40.7484|-73.9967", dumpPlace = "|40.7|-73.9";
        QTest::newRow("a dump B that renames a ZIP dump A renamed leaves B's name")
            << QByteArrayList{chelsea + ny2 + ny3, penn + ny2 + ny3} << QStringList{"10001 renamed"}
            << others + QStringList{"10001|Penn|NY"} << dumpPlace;
        QTest::newRow("a second dump applies its changes to what the first changed, not 'kept'")
            << QByteArrayList{chelsea + ny2, penn + geo("10002", "Lower East Side") + ny3}
            << QStringList{"10001 renamed", "10002 renamed", "10003 added"}
            << QStringList{"00601|Adjuntas|PR", "10001|Penn|NY", "10002|Lower East Side|NY", "10003|New York|NY",
                           "90028|Los Angeles|CA"}
            << dumpPlace;
        QTest::newRow("the person's change after an import stays theirs")
            << QByteArrayList{chelsea + ny2 + ny3, "edit 10001|Mine|NY", penn + ny2 + ny3} << QStringList{"10001 kept"}
            << others + QStringList{"10001|Mine|NY"} << dumpPlace;
        QTest::newRow("the person's delete after an import stays theirs")
            << QByteArrayList{chelsea + ny2 + ny3, "edit 10001|", penn + ny2 + ny3} << QStringList{"10001 kept"}
            << others << dumpPlace;
        QTest::newRow("rows the person had as the file's become the base all the same")
            << QByteArrayList{"edit 10001|Chelsea|NY", chelsea + ny2 + ny3, penn + ny2 + ny3}
            << QStringList{"10001 renamed"} << others + QStringList{"10001|Penn|NY"} << dumpPlace;
        QTest::newRow("a second CSV takes back the name the first added, leaving the place")
            << QByteArrayList{"ZIP,City,State\n10001,New York,NY\n10001,Chelsea,NY\n", "ZIP,City,State\n10001,New York,NY\n"}
            << QStringList{"10001 renamed"} << others + QStringList{"10001|New York|NY"} << shippedPlace;
        QTest::newRow("a CSV's place columns give the place of what it renames")
            << QByteArrayList{"ZIP,City,State,County,Latitude,Longitude\n10001,Chelsea,NY,New York,40.75,-74\n"}
            << QStringList{"10001 renamed"} << others + QStringList{"10001|Chelsea|NY"} << "New York|40.75|-74";
        QTest::newRow("three dumps: back to the shipped name, then another")
            << QByteArrayList{chelsea + ny2 + ny3, ny + ny2 + ny3, penn + ny2 + ny3} << QStringList{"10001 renamed"}
            << others + QStringList{"10001|Penn|NY"} << dumpPlace;
        QTest::newRow("a ZIP a dump removed comes back with the next")
            << QByteArrayList{ny + ny2, ny + ny2 + ny3, ny + ny2} << QStringList{"10003 removed"}
            << QStringList{"00601|Adjuntas|PR", "10001|New York|NY", "10002|New York|NY", "90028|Los Angeles|CA"}
            << shippedPlace;
        QTest::newRow("the reset forgets the imports")
            << QByteArrayList{chelsea + ny2 + ny3, "reset", "edit 10001|Chelsea|NY", penn + ny2 + ny3}
            << QStringList{"10001 kept"} << others + QStringList{"10001|Chelsea|NY"} << shippedPlace;
    }
    void successiveImportsMergeAgainstTheLastFile()
    {
        QFETCH(QByteArrayList, steps);
        QFETCH(QStringList, outcomes);
        QFETCH(QStringList, after);
        QFETCH(QString, place);
        QTemporaryDir dir;
        const QString shipped = dir.filePath(QStringLiteral("shipped.mdb")), working = dir.filePath(QStringLiteral("working.mdb"));
        makeDatabase(shipped, kShipped);
        makeDatabase(working, kShipped);
        ImportPlan last;
        for (const QByteArray &step : steps) {
            ZipConnection db;
            if (step == "reset") {
                resetWorkingCopy(shipped, working);
            } else if (step.startsWith("edit ")) {
                const QStringList row = QString::fromUtf8(step.mid(5)).split(u'|');
                db.open(working);
                db.execute(QStringLiteral("delete from ZipCodes where ZipCode = ?1"), {row[0]});
                if (row.size() == 3)
                    db.execute(QStringLiteral("insert into ZipCodes values (?1, ?2, ?3)"), row);
            } else {
                writeFile(dir.filePath(QStringLiteral("update")), step);
                db.open(working);
                last = ZipImport(readZipDataFile(dir.filePath(QStringLiteral("update"))), shipped).apply(db);
            }
        }
        QCOMPARE(outcomesOf(last), outcomes);
        after.sort();
        QCOMPARE(rowsOf(working), after);
        for (const ZipPlace &each : ShippedCopy(working).places())
            if (each.zip == u"10001")
                QCOMPARE(placeText(each), "10001|" + place);
    }

    // What reading a file gives: its places, or the refusal naming the file and line.
    void placesComeWithTheRows_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("read");
        QTest::newRow("a GeoNames line gives county and coordinates")
            << QByteArray("US\t02134\tAllston\tMassachusetts\tMA\tSuffolk\t025\t\t\t42.3535\t-71.1329\t4\n")
            << QStringList{"02134|Suffolk|42.3535|-71.1329"};
        QTest::newRow("a military line has no county; a dropped one no place; a second line of a ZIP is ignored")
            << QByteArray("US\t09001\tAPO AA\t\t\t\t\t\t\t38.1105\t15.6613\t\n"
                          "US\t96860\tFPO AA\t\t\t\t\t\t\t21.3448\t-157.9774\t4\n")
                   + geo("10001", "New York") + geo("10001", "Manhattan").replace("40.7", "41")
            << QStringList{"09001||38.1105|15.6613", "10001||40.7|-73.9"};
        QTest::newRow("a CSV without the place columns gives no places")
            << QByteArray("ZIP,City,State\n10001,New York,NY\n") << QStringList{};
        QTest::newRow("a CSV with them: one place a ZIP, coordinates may be unknown, the limits are in")
            << QByteArray("zip,city,state,county,latitude,longitude\n90028,Hollywood,CA, Los Angeles ,34.1,-118.33\n"
                          "90028,Los Angeles,CA,Other,1,1\n99999,Nowhere,AK,,,\n00001,Edge,AK,,-90,180\n")
            << QStringList{"90028|Los Angeles|34.1|-118.33", "99999|||", "00001||-90|180"};

        const QByteArray csv("ZIP,City,State,County,Latitude,Longitude\n10001,New York,NY,New York,40.7,-73.9\n");
        const QString latitudes = ": a latitude is a number from -90 to 90";
        const QString longitudes = ": a longitude is a number from -180 to 180";
        QTest::newRow("latitude above 90") << csv + "10002,New York,NY,,90.01,0\n"
                                           << QStringList{"update, line 3: bad latitude \"90.01\" for 10002" + latitudes};
        QTest::newRow("longitude below -180")
            << csv + "10002,New York,NY,,0,-180.5\n"
            << QStringList{"update, line 3: bad longitude \"-180.5\" for 10002" + longitudes};
        QTest::newRow("not a plain number") << csv + "10002,New York,NY,,4e1,nan\n"
                                            << QStringList{"update, line 3: bad latitude \"4e1\" for 10002" + latitudes};
        QTest::newRow("one without the other") << csv + "10002,New York,NY,,40.7,\n"
                                               << QStringList{"update, line 3: a latitude without a longitude for 10002"};
        QTest::newRow("a row short of the place columns") << csv + "10002,New York,NY\n"
                                                          << QStringList{"update, line 3: 3 fields where the header has 6"};
        QTest::newRow("a GeoNames line")
            << geo("10001", "New York") + geo("10002", "New York").replace("-73.9", "west")
            << QStringList{"update, line 2: bad longitude \"west\" for 10002" + longitudes};
    }
    void placesComeWithTheRows()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, read);
        QBuffer device(&file);
        QVERIFY(device.open(QIODevice::ReadOnly));
        QStringList places;
        try {
            for (const ZipPlace &place : readZipDataFile(device, QStringLiteral("update")).places)
                places.append(placeText(place));
        } catch (const ZipDataFileRefusal &refusal) {
            places = QStringList{QString::fromUtf8(refusal.what())};
        }
        QCOMPARE(places, read);
    }

    // A dump that would remove most of a state's ZIPs, as one cut short does, writes nothing and
    // names the counts and its lines, unless the import was confirmed.
    void aDumpRemovingMostOfAStateIsRefusedUnlessConfirmed_data()
    {
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("refused") << false
                                 << " would remove 2 of the 3 ZIPs of NY, which the file names on line 1 only: more than "
                                    "half of a state's ZIPs, as a file cut short would. Nothing was imported."
                                 << kShipped;
        QTest::newRow("confirmed") << true << QString()
                                   << QStringList{"00601|Adjuntas|PR", "10001|New York|NY", "90028|Los Angeles|CA"};
    }
    void aDumpRemovingMostOfAStateIsRefusedUnlessConfirmed()
    {
        QFETCH(bool, confirmed);
        QFETCH(QString, refusal);
        QFETCH(QStringList, after);
        QTemporaryDir dir;
        const QString shipped = dir.filePath(QStringLiteral("shipped.mdb")), working = dir.filePath(QStringLiteral("working.mdb"));
        makeDatabase(shipped, kShipped);
        makeDatabase(working, kShipped);
        writeFile(dir.filePath(QStringLiteral("update")), geo("10001", "New York"));
        ZipImport import(readZipDataFile(dir.filePath(QStringLiteral("update"))), shipped);
        if (confirmed)
            import.confirmMassRemoval();
        ZipConnection db;
        db.open(working);
        QString refused;
        try {
            import.apply(db);
        } catch (const MassRemovalRefusal &failure) {
            refused = QString::fromUtf8(failure.what());
        }
        QCOMPARE(refused, refusal.isEmpty() ? refusal : dir.filePath(QStringLiteral("update")) + refusal);
        QCOMPARE(rowsOf(working), after);
    }

    void mergeKeepsThePersonsWork()
    {
        QFETCH(QStringList, person);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, outcomes);
        QFETCH(QStringList, after);
        QTemporaryDir dir;
        makeDatabase(dir.filePath(QStringLiteral("shipped.mdb")), kShipped);
        makeDatabase(dir.filePath(QStringLiteral("working.mdb")), person);
        writeFile(dir.filePath(QStringLiteral("update")), file);

        const ZipDataFile data = readZipDataFile(dir.filePath(QStringLiteral("update")));
        const ZipImport import(data, dir.filePath(QStringLiteral("shipped.mdb")));
        ZipConnection working;
        working.open(dir.filePath(QStringLiteral("working.mdb")));
        QCOMPARE(outcomesOf(import.plan(working)), outcomes);
        QCOMPARE(outcomesOf(import.apply(working)), outcomes);
        after.sort();
        QCOMPARE(rowsOf(dir.filePath(QStringLiteral("working.mdb"))), after);
    }
};

QTEST_GUILESS_MAIN(TestZipImport)
#include "tst_zipimport.moc"
