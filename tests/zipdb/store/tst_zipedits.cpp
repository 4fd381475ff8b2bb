#include "TestMachine.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"
#include "ZipEdits.h"
#include "ZipQuery.h"
#include "ZipSearch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace {

const QString kPristine = QStringLiteral(QUILLMAP_PRISTINE_DB);

QStringList pristineRows(const QStringList &added = {})
{
    static const QStringList rows = rowsOf(kPristine);
    QStringList all = rows + added;
    all.sort();
    return all;
}

struct DbCloser {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
using RawDb = std::unique_ptr<sqlite3, DbCloser>;

RawDb openRaw(const QString &file)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db, 5000);
    return RawDb(db);
}

void exec(sqlite3 *db, const char *sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

// A copy whose pages no longer line up with the pristine ones: rows gone from the front,
// thousands added at the end.
void changeHeavily(const QString &file)
{
    RawDb db = openRaw(file);
    exec(db.get(), "delete from ZipCodes where State in ('PR', 'AL');"
                   "with recursive n(i) as (select 0 union all select i + 1 from n where i < 2999)"
                   " insert into ZipCodes select printf('9%04d', i), 'Added City', 'ZZ' from n;");
}

// The file and its rollback journal in the middle of a transaction that has already written
// pages into the file (the journal synced first), as a crash leaves them.
std::pair<QByteArray, QByteArray> midTransaction(const QString &file)
{
    RawDb db = openRaw(file);
    exec(db.get(), "pragma cache_size = 5; begin; delete from ZipCodes where State in ('CA', 'NY', 'TX');");
    std::pair<QByteArray, QByteArray> state{fileBytes(file), fileBytes(file + QStringLiteral("-journal"))};
    exec(db.get(), "rollback");
    return state;
}

QByteArray hotJournalOf(const QString &file)
{
    return midTransaction(file).second;
}

void crashMidTransaction(const QString &file)
{
    const auto [midway, journal] = midTransaction(file);
    writeFile(file, midway);
    writeFile(file + QStringLiteral("-journal"), journal);
}

// Overwrites one page of the table's rows, halfway into the file, with other bytes.
void damageOnePage(const QString &file)
{
    QByteArray bytes = fileBytes(file);
    const int pageSize = (uchar(bytes[16]) << 8) | uchar(bytes[17]);
    const qsizetype page = bytes.size() / pageSize / 2;
    for (qsizetype i = 0; i < pageSize; ++i)
        bytes[page * pageSize + i] = char(0x5a ^ (i * 7));
    writeFile(file, bytes);
}

// The description of what the work threw, or nothing.
template <class Work>
QString failureOf(Work &&work)
{
    try {
        work();
    } catch (const std::exception &failure) {
        return QString::fromUtf8(failure.what());
    }
    return {};
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

class TestZipEdits : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString working;

    void makeWorkingCopy() { copyDatabaseFile(kPristine, working); }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        working = dir->filePath(QStringLiteral("dbZipsWorking.mdb"));
    }

    void typedZipsThatAreStored_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("five digits") << "30530" << "30530";
        QTest::newRow("leading zero typed") << "02134" << "02134";
        QTest::newRow("leading zero left out") << "2134" << "02134";
        QTest::newRow("blanks around") << " 2134 " << "02134";
        QTest::newRow("one digit") << "7" << "00007";
        QTest::newRow("zeros") << "000" << "00000";
    }
    void typedZipsThatAreStored()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QCOMPARE(storedZip(typed).value_or(QStringLiteral("refused")), stored);
    }

    void typedZipsThatAreRefused_data()
    {
        QTest::addColumn<QString>("typed");
        for (const char *text : {"abc", "12a", "123456", "000000", "", "   ", "12 34", "-123", "+123", "1e3", "12.5",
                                 "1,234", "0x1F"})
            QTest::newRow(text) << QString::fromUtf8(text);
        QTest::newRow("full-width digits") << QStringLiteral("\uFF11\uFF12\uFF13");
        QTest::newRow("Arabic-Indic digits") << QStringLiteral("\u0661\u0662\u0663");
    }
    void typedZipsThatAreRefused()
    {
        QFETCH(QString, typed);
        QCOMPARE(storedZip(typed).value_or(QStringLiteral("refused")), QStringLiteral("refused"));
    }

    void addedRowsKeepTheirTextAndAreFound_data()
    {
        QTest::addColumn<QString>("city");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("search");
        QTest::newRow("apostrophe") << "O'Fallon" << "MO" << "O";
        QTest::newRow("statement text") << "x'); delete from ZipCodes; --" << "ZZ" << "x'";
        QTest::newRow("quotes and percent") << "\"100%\" City" << "Z'Z" << "\"100";
        QTest::newRow("blanks kept") << "  Spaced  " << " " << "  Sp";
        QTest::newRow("beyond ASCII") << "Cañón City" << "CO" << "Cañ";
    }
    void addedRowsKeepTheirTextAndAreFound()
    {
        QFETCH(QString, city);
        QFETCH(QString, state);
        QFETCH(QString, search);
        makeWorkingCopy();
        ZipConnection connection;
        connection.open(working);
        QVERIFY(!zipExists(connection, QStringLiteral("00123")));
        QVERIFY(addZipRow(connection, QStringLiteral("00123"), city, state));
        QVERIFY(zipExists(connection, QStringLiteral("00123")));
        const QString row = QStringLiteral("00123|") + city + QLatin1Char('|') + state;
        QVERIFY(searchRows(connection, search).contains(row));
        connection.close();
        QCOMPARE(rowsOf(working), pristineRows({row}));
        QCOMPARE(rowsOf(working, QStringLiteral("where ZipCode = '00123'")), QStringList{row});
    }

    void aZipWithARowIsNotAddedAgain()
    {
        makeWorkingCopy();
        ZipConnection connection;
        connection.open(working);
        QVERIFY(zipExists(connection, QStringLiteral("02134")));
        QVERIFY(!zipExists(connection, QStringLiteral("2134")));
        QVERIFY(!addZipRow(connection, QStringLiteral("02134"), QStringLiteral("Second City"), QStringLiteral("MA")));
        connection.close();
        QCOMPARE(rowsOf(working, QStringLiteral("where ZipCode = '02134'")), QStringList{"02134|Allston|MA"});
    }

    void deleteRemovesEveryRowOfTheZipAndNothingElse()
    {
        makeWorkingCopy();
        for (const char *city : {"Alpha", "Beta", "Gamma"})
            addRow(working, QStringLiteral("99990"), QLatin1String(city), QStringLiteral("ZZ"));
        ZipConnection connection;
        connection.open(working);
        QCOMPARE(deleteZip(connection, QStringLiteral("99990")), 3);
        QCOMPARE(deleteZip(connection, QStringLiteral("99990")), 0);
        QCOMPARE(deleteZip(connection, QStringLiteral("02134")), 1);
        QVERIFY(searchRows(connection, QStringLiteral("9999")).isEmpty());
        connection.close();
        QStringList expected = pristineRows();
        expected.removeOne(QStringLiteral("02134|Allston|MA"));
        QCOMPARE(rowsOf(working), expected);
    }

    void searchTextsTooLongForTheEngineListOnlyWhatTheyPrefix_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        const QString longCity = QString(26000, QChar(0xe9)); // 52,000 bytes
        QTest::newRow("60,000 bytes") << QString(60000, QLatin1Char('x')) << QStringList{};
        QTest::newRow("25,000 é") << QString(25000, QChar(0xe9)) << QStringList{"00123|" + longCity + "|ZZ"};
        QTest::newRow("whole long value") << longCity << QStringList{"00123|" + longCity + "|ZZ"};
        QTest::newRow("longer than the value") << longCity + QLatin1Char('x') << QStringList{};
        QTest::newRow("wildcards taken as they stand") << QString(25000, QChar(0xe9)) + QLatin1Char('%')
                                                        << QStringList{};
        QTest::newRow("just within the engine's limit") << QString(49999, QLatin1Char('x')) << QStringList{};
    }
    void searchTextsTooLongForTheEngineListOnlyWhatTheyPrefix()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        makeWorkingCopy();
        addRow(working, QStringLiteral("00123"), QString(26000, QChar(0xe9)), QStringLiteral("ZZ"));
        ZipConnection connection;
        connection.open(working);
        QCOMPARE(searchRows(connection, text), expected);
    }

    void openFailsOnAWorkingCopyWithOneDamagedPage()
    {
        makeWorkingCopy();
        damageOnePage(working);
        ZipConnection connection;
        try {
            connection.open(working);
            QFAIL("a damaged working copy opened");
        } catch (const std::runtime_error &failure) {
            QVERIFY2(QString::fromUtf8(failure.what()).startsWith(QLatin1String("database disk image is malformed")),
                     failure.what());
        }
        QVERIFY(!connection.isOpen());

        resetWorkingCopy(kPristine, working);
        QCOMPARE(integrityOf(working), QStringLiteral("ok"));
        QCOMPARE(rowsOf(working), pristineRows());
    }

    void aResetOrProvisioningGivesThePristineRowsWhateverLiesBeside_data()
    {
        QTest::addColumn<QString>("workingCopy");
        QTest::addColumn<bool>("staleJournal");
        QTest::newRow("pristine copy, stale journal of a changed copy") << "pristine" << true;
        QTest::newRow("changed copy, stale journal of another") << "changed" << true;
        QTest::newRow("changed copy, its own hot journal") << "crashed" << false;
        QTest::newRow("no database, stale journal") << "garbage" << true;
        QTest::newRow("empty file") << "empty" << false;
        QTest::newRow("missing, stale journal") << "missing" << true;
        QTest::newRow("one damaged page") << "damaged" << false;
        QTest::newRow("provisioning: missing, stale journal") << "provision" << true;
    }
    void aResetOrProvisioningGivesThePristineRowsWhateverLiesBeside()
    {
        QFETCH(QString, workingCopy);
        QFETCH(bool, staleJournal);
        const QString other = dir->filePath(QStringLiteral("other/changed.mdb"));
        QDir(dir->path()).mkdir(QStringLiteral("other"));
        copyDatabaseFile(kPristine, other);
        changeHeavily(other);
        const QByteArray journal = hotJournalOf(other);
        QVERIFY(journal.size() > 100000);

        makeWorkingCopy();
        if (workingCopy == QLatin1String("changed")) {
            changeHeavily(working);
            addRow(working, QStringLiteral("00123"), QStringLiteral("Mine"), QStringLiteral("ZZ"));
        } else if (workingCopy == QLatin1String("crashed")) {
            changeHeavily(working);
            crashMidTransaction(working);
        } else if (workingCopy == QLatin1String("garbage")) {
            writeFile(working, QByteArray(8192, 'x'));
        } else if (workingCopy == QLatin1String("empty")) {
            writeFile(working, {});
        } else if (workingCopy == QLatin1String("missing") || workingCopy == QLatin1String("provision")) {
            QFile::remove(working);
        } else if (workingCopy == QLatin1String("damaged")) {
            damageOnePage(working);
        }
        if (staleJournal)
            writeFile(working + QStringLiteral("-journal"), journal);

        if (workingCopy == QLatin1String("provision")) {
            provisionWorkingCopy(kPristine, working);
            QCOMPARE(fileBytes(working), fileBytes(kPristine));
        } else {
            resetWorkingCopy(kPristine, working);
        }
        QCOMPARE(integrityOf(working), QStringLiteral("ok"));
        QCOMPARE(rowsOf(working), pristineRows());
        QCOMPARE(filesIn(dir->path()), QStringList{"dbZipsWorking.mdb"});
    }

    void provisioningKeepsAWorkingCopyAnotherInstancePutThere()
    {
        makeWorkingCopy();
        addRow(working, QStringLiteral("00123"), QStringLiteral("Theirs"), QStringLiteral("ZZ"));
        ZipConnection theirs;
        theirs.open(working);

        provisionWorkingCopy(kPristine, working);
        QVERIFY(addZipRow(theirs, QStringLiteral("00124"), QStringLiteral("Later"), QStringLiteral("ZZ")));
        QCOMPARE(rowsOf(working, QStringLiteral("where State = 'ZZ'")),
                 (QStringList{"00123|Theirs|ZZ", "00124|Later|ZZ"}));
        QCOMPARE(filesIn(dir->path()), QStringList{"dbZipsWorking.mdb"});
    }

    void aFailedResetOrFirstCopyLeavesTheWorkingCopyWhole_data()
    {
        QTest::addColumn<QByteArray>("pristine");
        QTest::addColumn<QString>("workingCopy");
        const auto pristineAfter = [](const char *sql) {
            QTemporaryDir changed;
            const QString copy = changed.filePath(QStringLiteral("p.mdb"));
            copyDatabaseFile(kPristine, copy);
            exec(openRaw(copy).get(), sql);
            return fileBytes(copy);
        };
        QTest::newRow("pristine missing") << QByteArray() << "database";
        QTest::newRow("pristine no database") << QByteArray(8192, 'p') << "database";
        QTest::newRow("pristine missing, working copy no database") << QByteArray() << "garbage";
        QTest::newRow("pristine cut in half") << fileBytes(kPristine).left(800000) << "database";
        QTest::newRow("pristine cut in half, first start") << fileBytes(kPristine).left(800000) << "none";
        QTest::newRow("pristine without ZipCodes") << pristineAfter("alter table ZipCodes rename to Zips") << "database";
        QTest::newRow("pristine with a trigger, first start")
            << pristineAfter("create trigger T after insert on ZipCodes begin select 1; end") << "none";
    }
    void aFailedResetOrFirstCopyLeavesTheWorkingCopyWhole()
    {
        QFETCH(QByteArray, pristine);
        QFETCH(QString, workingCopy);
        const QString source = dir->filePath(QStringLiteral("program/dbZipsOriginal.mdb"));
        QDir(dir->path()).mkdir(QStringLiteral("program"));
        if (!pristine.isEmpty())
            writeFile(source, pristine);
        if (workingCopy == QLatin1String("database")) {
            makeWorkingCopy();
            addRow(working, QStringLiteral("00123"), QStringLiteral("Kept"), QStringLiteral("ZZ"));
        } else if (workingCopy == QLatin1String("garbage")) {
            writeFile(working, QByteArray(8192, 'x'));
        }
        const QByteArray before = fileBytes(working);

        if (workingCopy == QLatin1String("none"))
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, provisionWorkingCopy(source, working));
        else
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, resetWorkingCopy(source, working));
        QCOMPARE(fileBytes(working), before);
        QCOMPARE(filesIn(dir->path()), workingCopy == QLatin1String("none") ? QStringList{} : QStringList{"dbZipsWorking.mdb"});
    }

    void aCopyRemovesOnlyTheLeftoversOfKilledCopies()
    {
        makeWorkingCopy();
        const QString killed = working + QStringLiteral(".copy-0badf00d");
        const QString running = working + QStringLiteral(".copy-00c0ffee");
        writeFile(killed, QByteArray(4096, 'k'));
        writeFile(running, QByteArray(4096, 'r'));
        QFile writer(running);
        QVERIFY(writer.open(QIODevice::ReadWrite));
        QCOMPARE(::flock(writer.handle(), LOCK_EX | LOCK_NB), 0);

        writeFile(working, QByteArray(8192, 'x'));
        resetWorkingCopy(kPristine, working);
        QCOMPARE(rowsOf(working), pristineRows());
        QCOMPARE(filesIn(dir->path()), (QStringList{"dbZipsWorking.mdb", "dbZipsWorking.mdb.copy-00c0ffee"}));
    }

    void twoInstancesAddingAtOnceLoseNoRow_data()
    {
        QTest::addColumn<bool>("processes");
        QTest::newRow("two processes") << true;
        QTest::newRow("two threads") << false;
    }
    void twoInstancesAddingAtOnceLoseNoRow()
    {
        QFETCH(bool, processes);
        makeWorkingCopy();
        constexpr int kEach = 40;
        // ZIPs below 00501 have no row in the shipped data.
        const auto addMany = [this](int first) {
            QStringList failures;
            ZipConnection connection;
            connection.open(working);
            for (int i = first; i < first + kEach; ++i) {
                const QString failure = failureOf([&] {
                    if (!addZipRow(connection, QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0')),
                                   QStringLiteral("Instance %1").arg(first), QStringLiteral("ZZ")))
                        throw std::runtime_error("refused");
                });
                if (!failure.isEmpty())
                    failures.append(failure);
            }
            return failures;
        };
        QStringList failures;
        std::mutex failuresMutex;
        std::vector<pid_t> children;
        std::vector<std::thread> threads;
        for (int first : {100, 300}) {
            if (!processes) {
                threads.emplace_back([&, first] {
                    const QStringList mine = addMany(first);
                    std::lock_guard lock(failuresMutex);
                    failures += mine;
                });
            } else if (const pid_t child = ::fork(); child == 0) {
                ::_exit(int(addMany(first).size()));
            } else {
                children.push_back(child);
            }
        }
        // A third instance keeps searching meanwhile; it never sees a row go.
        bool shrank = false;
        ZipConnection reader;
        reader.open(working);
        qsizetype seen = 0;
        for (int i = 0; i < 20; ++i) {
            const qsizetype now = searchRows(reader, QStringLiteral("Instance")).size();
            shrank = shrank || now < seen;
            seen = now;
        }
        for (std::thread &thread : threads)
            thread.join();
        for (pid_t child : children) {
            int status = -1;
            ::waitpid(child, &status, 0);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                failures.append(QStringLiteral("process ended with %1").arg(status));
        }
        QCOMPARE(failures.join(QLatin1Char('\n')), QString());
        QVERIFY(!shrank);
        QCOMPARE(rowsOf(working, QStringLiteral("where State = 'ZZ'")).size(), 2 * kEach);
        QCOMPARE(rowsOf(working).size(), pristineRows().size() + 2 * kEach);
        QCOMPARE(integrityOf(working), QStringLiteral("ok"));
    }

    void aWriteOrResetWaitsForAnotherInstancesWrite_data()
    {
        QTest::addColumn<bool>("reset");
        QTest::newRow("add") << false;
        QTest::newRow("reset") << true;
    }
    void aWriteOrResetWaitsForAnotherInstancesWrite()
    {
        QFETCH(bool, reset);
        makeWorkingCopy();
        RawDb other = openRaw(working);
        exec(other.get(), "begin immediate; insert into ZipCodes values ('00124', 'Theirs', 'ZZ');");
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            exec(other.get(), "commit");
        });
        bool added = false;
        const QString failure = failureOf([&] {
            if (reset) {
                resetWorkingCopy(kPristine, working);
                return;
            }
            ZipConnection mine;
            mine.open(working);
            added = addZipRow(mine, QStringLiteral("00123"), QStringLiteral("Mine"), QStringLiteral("ZZ"));
        });
        release.join();
        QCOMPARE(failure, QString());
        QCOMPARE(added, !reset);
        if (reset)
            QCOMPARE(rowsOf(working), pristineRows());
        else
            QCOMPARE(rowsOf(working, QStringLiteral("where State = 'ZZ'")), (QStringList{"00123|Mine|ZZ", "00124|Theirs|ZZ"}));
    }

    void aResetReachesAConnectionThatStaysOpen()
    {
        makeWorkingCopy();
        ZipConnection other;
        other.open(working);
        QVERIFY(addZipRow(other, QStringLiteral("00123"), QStringLiteral("Before"), QStringLiteral("ZZ")));
        QCOMPARE(deleteZip(other, QStringLiteral("02134")), 1);

        resetWorkingCopy(kPristine, working);
        QVERIFY(searchRows(other, QStringLiteral("Before")).isEmpty());
        QCOMPARE(searchRows(other, QStringLiteral("02134")), QStringList{"02134|Allston|MA"});
        QVERIFY(addZipRow(other, QStringLiteral("00124"), QStringLiteral("After"), QStringLiteral("ZZ")));
        other.close();

        QCOMPARE(rowsOf(working), pristineRows({"00124|After|ZZ"}));
        QCOMPARE(integrityOf(working), QStringLiteral("ok"));
        QCOMPARE(filesIn(dir->path()), QStringList{"dbZipsWorking.mdb"});
    }
};

QTEST_GUILESS_MAIN(TestZipEdits)
#include "tst_zipedits.moc"
