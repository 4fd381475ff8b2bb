#include "DeviceWrite.h"
#include "ExportProgress.h"
#include "FaultSeed.h"
#include "ResultsModel.h"
#include "Routine.h"
#include "TestMachine.h"
#include "TextExport.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"
#include "ZipEdits.h"
#include "ZipQuery.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <iterator>
#include <memory>
#include <numeric>
#include <thread>

#include <sys/mount.h>

namespace {

const QString kWriter = QStringLiteral(QUILLMAP_FAULT_WRITER);
const QString kPristine = QStringLiteral(QUILLMAP_PRISTINE_DB);
constexpr int kKills = 200;
constexpr int kAddsPerRun = 10;

// Rows as "zip|city|state", sorted.
using Rows = QStringList;

struct StoredRow {
    qint64 rowid;
    QString text;
};

// The rows in their storage order, which is cheap to read and to compare.
std::vector<StoredRow> rowsIn(const ZipConnection &connection)
{
    std::vector<StoredRow> rows;
    for (ZipQuery query = connection.query(QStringLiteral("select rowid, ZipCode, City, State from ZipCodes"));
         !query.atEnd(); query.moveNext())
        rows.push_back({query.text(0).toLongLong(),
                        query.text(1) + QLatin1Char('|') + query.text(2) + QLatin1Char('|') + query.text(3)});
    return rows;
}

const std::vector<StoredRow> &pristineRows()
{
    static const std::vector<StoredRow> rows = [] {
        ZipConnection connection;
        connection.open(kPristine);
        return rowsIn(connection);
    }();
    return rows;
}

Rows minus(const Rows &from, const Rows &taken)
{
    Rows rest;
    std::set_difference(from.begin(), from.end(), taken.begin(), taken.end(), std::back_inserter(rest));
    return rest;
}

// The working copy as the next start of the program finds it: opened the program's way, which
// rolls back what a killed writer left half done and checks the pages, then checked whole.
// Its rows are told as those it has beyond the shipped ones and those it lacks.
struct Inspection {
    QString failure;
    Rows added;
    Rows gone;
    bool operator==(const Inspection &) const = default;
};

Inspection inspect(const QString &working)
{
    Inspection found;
    try {
        ZipConnection connection;
        connection.open(working);
        const QString integrity = connection.query(QStringLiteral("pragma integrity_check")).text(0);
        if (integrity != QLatin1String("ok"))
            found.failure = integrity;
        const std::vector<StoredRow> rows = rowsIn(connection);
        const std::vector<StoredRow> &shipped = pristineRows();
        auto row = rows.begin();
        for (const StoredRow &shippedRow : shipped) {
            for (; row != rows.end() && row->rowid < shippedRow.rowid; ++row)
                found.added.append(row->text);
            if (row != rows.end() && row->rowid == shippedRow.rowid && row->text == shippedRow.text)
                ++row;
            else
                found.gone.append(shippedRow.text);
        }
        for (; row != rows.end(); ++row)
            found.added.append(row->text);
        found.added.sort();
        found.gone.sort();
    } catch (const std::exception &failure) {
        found.failure = QString::fromUtf8(failure.what());
    }
    return found;
}

// One faultwriter process, started and waited for until it has opened the working copy.
class Writer
{
public:
    explicit Writer(const QStringList &arguments)
    {
        m_process.start(kWriter, arguments);
        while (!m_process.canReadLine() && m_process.waitForReadyRead(30000)) {
        }
        m_ready = m_process.readLine() == "ready\n";
        if (!m_ready)
            finish();
    }
    ~Writer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    bool ready() const { return m_ready; }
    void go()
    {
        m_process.write("go\n");
        m_process.waitForBytesWritten();
    }
    void goAlone() { m_process.closeWriteChannel(); }
    void killNow() { ::kill(pid_t(m_process.processId()), SIGKILL); }
    // Waits for the end; true when the writer ran to its end without a failure.
    bool finish()
    {
        m_process.waitForFinished(60000);
        const QList<QByteArray> lines = m_process.readAllStandardOutput().split('\n');
        for (const QByteArray &line : lines)
            if (line.startsWith("added "))
                added.append(QString::fromLatin1(line.mid(6)));
            else if (line == "reset")
                resetReturned = true;
        errors = QString::fromLocal8Bit(m_process.readAllStandardError());
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

    QStringList added;
    bool resetReturned = false;
    QString errors;

private:
    QProcess m_process;
    bool m_ready = false;
};

Rows addedRows(const QStringList &zips, const QString &city)
{
    Rows rows;
    for (const QString &zip : zips)
        rows.append(zip + QLatin1Char('|') + city + QStringLiteral("|ZZ"));
    std::sort(rows.begin(), rows.end());
    return rows;
}

Rows together(const Rows &some, const Rows &others)
{
    Rows all;
    std::set_union(some.begin(), some.end(), others.begin(), others.end(), std::back_inserter(all));
    return all;
}

// The next ZIP number after every row the program added.
int nextFreeNumber(const Rows &added)
{
    int highest = 0;
    for (const QString &row : added)
        highest = std::max(highest, row.left(5).toInt());
    return highest + 1;
}

// A killed writer may leave its rollback journal, which the next open rolls back or ignores,
// and nothing else.
bool onlyTheWorkingCopyAndItsJournal(const QString &folder)
{
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    return files == QStringList{"dbZipsWorking.mdb"}
        || files == QStringList{"dbZipsWorking.mdb", "dbZipsWorking.mdb-journal"};
}

// Some shipped rows deleted and some added, so that a reset has rows to give back and take away.
void changeRows(const QString &working, QRandomGenerator &random, int round)
{
    const std::vector<StoredRow> &shipped = pristineRows();
    ZipConnection connection;
    connection.open(working);
    for (int i = 0; i < 3; ++i)
        deleteZip(connection, shipped[random.bounded(int(shipped.size()))].text.left(5));
    addZipRow(connection, QStringLiteral("%1").arg(round % 500, 5, 10, QLatin1Char('0')), QStringLiteral("Kept"),
              QStringLiteral("ZZ"));
}

// A GeoNames dump of New York in which most shipped ZIPs are renamed, some are gone and some
// are new: thousands of rows change.
QByteArray newYorkDump()
{
    QByteArray dump;
    const QStringList rows = rowsOf(kPristine, QStringLiteral("where State = 'NY'"));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QStringList row = rows[i].split(u'|');
        if (i % 7 == 3)
            continue;
        const QString city = i % 3 ? row[1] + QStringLiteral(" Renamed") : row[1];
        dump += QStringLiteral("US\t%1\t%2\tNew York\tNY\t\t\t\t\t40.7\t-73.9\t4\n").arg(row[0], city).toUtf8();
    }
    for (int zip = 14990; zip < 15000; ++zip)
        dump += QStringLiteral("US\t%1\tNew Place\tNew York\tNY\t\t\t\t\t40.7\t-73.9\t4\n").arg(zip).toUtf8();
    return dump;
}

// What a working copy holds besides its rows: "1.0" (no places, no record of imports, no
// profiles), "1.0 with places" (no profiles), "upgraded" (every shipped place and profile, their
// indexes, the record) or what else it has.
QString shapeOf(const QString &working)
{
    ZipConnection connection;
    connection.open(working);
    const QString shape = connection.query(QStringLiteral(
        "select (select group_concat(name, ' ') from (select name from sqlite_schema where name in"
        " ('ZipPlaces', 'ZipPlaces_Position', 'ImportedRows', 'ZipProfiles', 'ZipCounties', 'ZipCounties_Fips')"
        " order by name))")).text(0);
    if (shape.isEmpty())
        return QStringLiteral("1.0");
    if (shape == u"ImportedRows ZipPlaces ZipPlaces_Position")
        return QStringLiteral("1.0 with places");
    if (shape != u"ImportedRows ZipCounties ZipCounties_Fips ZipPlaces ZipPlaces_Position ZipProfiles")
        return shape;
    const QString counts = QStringLiteral("select (select count(*) from ZipPlaces) || ' ' || (select count(*) from ZipProfiles)"
                                          " || ' ' || (select count(*) from ZipCounties)");
    const QString rows = connection.query(counts).text(0);
    ZipConnection pristine;
    pristine.open(kPristine);
    return rows == pristine.query(counts).text(0) ? QStringLiteral("upgraded") : rows + QStringLiteral(" rows");
}

QString describe(int kill, const Writer &writer, const Inspection &found)
{
    return QStringLiteral("kill %1: %2 %3; added %4; gone %5")
        .arg(kill)
        .arg(found.failure, writer.errors, found.added.join(u' '), found.gone.join(u' '));
}

} // namespace

class TestWriterFaults : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString working;

    // How long a writer runs uncut from its "ready" on, in microseconds, or 0 when it fails:
    // kills fall within that time.
    template <class Prepare>
    qint64 uncutRun(const QStringList &arguments, Prepare &&prepare)
    {
        qint64 longest = 1;
        for (int i = 0; i < 3; ++i) {
            prepare();
            Writer writer(arguments);
            QElapsedTimer clock;
            clock.start();
            writer.goAlone();
            if (!writer.ready() || !writer.finish()) {
                qWarning("the uncut writer failed: %s", qPrintable(writer.errors));
                return 0;
            }
            longest = std::max(longest, clock.nsecsElapsed() / 1000);
        }
        return longest;
    }

    // Kills the writer at a random point of a run as long as an uncut one; counts the journals
    // left behind.
    void killWithin(Writer &writer, QRandomGenerator &random, qint64 runTime, int &journalsLeft) const
    {
        std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(runTime)));
        writer.killNow();
        writer.finish();
        journalsLeft += QFile::exists(working + QStringLiteral("-journal"));
    }

private slots:
    void initTestCase() { faultSeed(); }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        working = dir->filePath(QStringLiteral("dbZipsWorking.mdb"));
        provisionWorkingCopy(kPristine, working);
    }

    void aWriterKilledWhileAddingLosesNoAddedRow()
    {
        QRandomGenerator random(faultSeed());
        const qint64 runTime = uncutRun({QStringLiteral("add"), dir->path(), QStringLiteral("1"),
                                         QString::number(kAddsPerRun), QStringLiteral("Uncut")},
                                        [] {});
        QVERIFY(runTime > 0);
        Rows lasting = inspect(working).added;
        int journalsLeft = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            const QString city = QStringLiteral("Run %1").arg(kill);
            Writer writer({QStringLiteral("add"), dir->path(), QString::number(nextFreeNumber(lasting)),
                           QString::number(kAddsPerRun), city});
            QVERIFY2(writer.ready(), qPrintable(writer.errors));
            writer.goAlone();
            killWithin(writer, random, runTime, journalsLeft);

            const Inspection found = inspect(working);
            const QString context = describe(kill, writer, found);
            QVERIFY2(found.failure.isEmpty() && found.gone.isEmpty() && writer.errors.isEmpty(), qPrintable(context));
            const Rows mustHave = together(lasting, addedRows(writer.added, city));
            QVERIFY2(std::includes(found.added.begin(), found.added.end(), mustHave.begin(), mustHave.end()),
                     qPrintable(context));
            // Besides them, at most the add that was under way.
            const Rows more = minus(found.added, mustHave);
            QVERIFY2(more.size() <= 1 && (more.isEmpty() || more.first().endsWith(city + QStringLiteral("|ZZ"))),
                     qPrintable(context));
            QVERIFY2(onlyTheWorkingCopyAndItsJournal(dir->path()), qPrintable(context));
            lasting = found.added;
        }
        qInfo("%d of %d kills left a journal", journalsLeft, kKills);
        QVERIFY(journalsLeft > 0);
    }

    void aWriterKilledWhileResettingLeavesTheOldRowsOrThePristineOnes()
    {
        QRandomGenerator random(faultSeed());
        const QStringList arguments{QStringLiteral("reset"), dir->path(), kPristine};
        int round = 0;
        const qint64 runTime = uncutRun(arguments, [&] { changeRows(working, random, round++); });
        QVERIFY(runTime > 0);
        int journalsLeft = 0;
        int resetsCut = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            changeRows(working, random, round++);
            const Inspection before = inspect(working);
            QVERIFY(!before.added.isEmpty() || !before.gone.isEmpty());
            Writer writer(arguments);
            QVERIFY2(writer.ready(), qPrintable(writer.errors));
            killWithin(writer, random, runTime, journalsLeft);

            const Inspection found = inspect(working);
            const QString context = describe(kill, writer, found);
            const Inspection pristine;
            QVERIFY2(writer.errors.isEmpty(), qPrintable(context));
            QVERIFY2(found == pristine || (found == before && !writer.resetReturned), qPrintable(context));
            QVERIFY2(onlyTheWorkingCopyAndItsJournal(dir->path()), qPrintable(context));
            resetsCut += found == before;
        }
        qInfo("%d of %d kills left a journal, %d cut a reset short", journalsLeft, kKills, resetsCut);
        QVERIFY(journalsLeft > 0);
        QVERIFY(resetsCut > 0);
    }

    void aWriterKilledWhileImportingLeavesTheOldRowsOrTheImportedOnes()
    {
        QRandomGenerator random(faultSeed());
        const QTemporaryDir files; // the data folder holds the working copy alone
        const QString dump = files.filePath(QStringLiteral("US.txt"));
        writeFile(dump, newYorkDump());
        const QStringList arguments{QStringLiteral("import"), dir->path(), kPristine, dump};
        // The reset rolls back what a killed import left in its journal before it copies.
        const auto shipped = [&] { resetWorkingCopy(kPristine, working); };
        const qint64 runTime = uncutRun(arguments, shipped);
        QVERIFY(runTime > 0);
        const Inspection imported = inspect(working);
        QVERIFY(imported.added.size() > 1000 && imported.gone.size() > 1000);
        int journalsLeft = 0;
        int importsCut = 0;
        for (int kill = 0; kill < kKills / 2; ++kill) {
            shipped();
            Writer writer(arguments);
            QVERIFY2(writer.ready(), qPrintable(writer.errors));
            writer.goAlone();
            killWithin(writer, random, runTime, journalsLeft);

            const Inspection found = inspect(working);
            const QString context = describe(kill, writer, found);
            QVERIFY2(writer.errors.isEmpty(), qPrintable(context));
            QVERIFY2(found == Inspection{} || found == imported, qPrintable(context));
            QVERIFY2(onlyTheWorkingCopyAndItsJournal(dir->path()), qPrintable(context));
            importsCut += found == Inspection{};
        }
        qInfo("%d of %d kills left a journal, %d cut an import short", journalsLeft, kKills / 2, importsCut);
        QVERIFY(journalsLeft > 0);
        QVERIFY(importsCut > 0);
    }

    void aWriterKilledWhileUpgradingLeavesTheOldCopyOrTheUpgradedOne()
    {
        QRandomGenerator random(faultSeed());
        const QStringList arguments{QStringLiteral("upgrade"), dir->path(), kPristine};
        bool withPlaces = false;
        const auto old = [&] {
            makeOldWorkingCopy(kPristine, working, withPlaces);
            addRow(working, QStringLiteral("99990"), QStringLiteral("Mine"), QStringLiteral("AK"));
        };
        const qint64 runTime = uncutRun(arguments, old);
        QVERIFY(runTime > 0);
        QCOMPARE(shapeOf(working), QStringLiteral("upgraded"));
        const Inspection rows = inspect(working);
        QCOMPARE(rows.added, Rows{"99990|Mine|AK"});
        int journalsLeft = 0;
        int upgradesCut = 0;
        for (int kill = 0; kill < kKills / 4; ++kill) {
            withPlaces = kill % 2;
            old();
            Writer writer(arguments);
            QVERIFY2(writer.ready(), qPrintable(writer.errors));
            writer.goAlone();
            killWithin(writer, random, runTime, journalsLeft);

            const Inspection found = inspect(working);
            const QString shape = shapeOf(working);
            const QString context = describe(kill, writer, found) + QStringLiteral("; ") + shape;
            QVERIFY2(found == rows, qPrintable(context));
            QVERIFY2(shape == QStringView(withPlaces ? u"1.0 with places" : u"1.0") || shape == u"upgraded", qPrintable(context));
            QVERIFY2(onlyTheWorkingCopyAndItsJournal(dir->path()), qPrintable(context));
            upgradesCut += shape != u"upgraded";
            ZipConnection next; // the next start
            next.open(working);
            upgradeWorkingCopy(next, kPristine);
            QVERIFY2(shapeOf(working) == u"upgraded", qPrintable(context));
        }
        qInfo("%d of %d kills left a journal, %d cut an upgrade short", journalsLeft, kKills / 4, upgradesCut);
        QVERIFY(upgradesCut > 0);
    }

    void instancesAddingAtOnceLoseNoRow_data()
    {
        QTest::addColumn<int>("instances");
        QTest::addColumn<bool>("sameZips");
        QTest::newRow("two, after the same ZIPs") << 2 << true;
        QTest::newRow("three, after the same ZIPs") << 3 << true;
        QTest::newRow("three, each its own ZIPs") << 3 << false;
    }
    void instancesAddingAtOnceLoseNoRow()
    {
        QFETCH(int, instances);
        QFETCH(bool, sameZips);
        constexpr int kEach = 60;
        std::vector<std::unique_ptr<Writer>> writers;
        for (int i = 0; i < instances; ++i) {
            const int first = sameZips ? 1 : 1 + 300 * i;
            writers.push_back(std::make_unique<Writer>(QStringList{QStringLiteral("add"), dir->path(),
                                                                   QString::number(first), QString::number(kEach),
                                                                   QStringLiteral("Instance %1").arg(i)}));
            QVERIFY2(writers.back()->ready(), qPrintable(writers.back()->errors));
        }
        for (const auto &writer : writers)
            writer->go();
        Rows added;
        QStringList zips;
        for (int i = 0; i < instances; ++i) {
            QVERIFY2(writers[i]->finish(), qPrintable(writers[i]->errors));
            QCOMPARE(writers[i]->added.size(), kEach);
            added = together(added, addedRows(writers[i]->added, QStringLiteral("Instance %1").arg(i)));
            zips += writers[i]->added;
        }
        // Each ZIP added once, by the instance that said so, and nothing else changed.
        zips.removeDuplicates();
        QCOMPARE(zips.size(), instances * kEach);
        const Inspection found = inspect(working);
        QCOMPARE(found.failure, QString());
        QCOMPARE(found.added, added);
        QCOMPARE(found.gone, Rows{});
    }

    // A disk that fills up in the middle of a write: the box names the system's reason, the old
    // file stays whole and no half file is left to keep the disk full.
    void aFullDiskIsNamedAndLeavesNoHalfFile_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::newRow("the first start's copy") << "provision";
        QTest::newRow("the reset's copy over a working copy that is no database") << "reset";
        QTest::newRow("the text file over an older one") << "text";
    }
    void aFullDiskIsNamedAndLeavesNoHalfFile()
    {
        QFETCH(QString, writer);
        const QByteArray full = QFile::encodeName(dir->filePath(QStringLiteral("full")));
        QVERIFY(QDir().mkdir(QFile::decodeName(full)));
        if (::mount("tmpfs", full, "tmpfs", 0, "size=256k") != 0)
            QSKIP("this machine lets no test mount a small file system");
        const auto unmount = qScopeGuard([&] { ::umount2(full, MNT_DETACH); });
        const QString target = QFile::decodeName(full) + (writer == u"text" ? "/zips.txt" : "/dbZipsWorking.mdb");
        if (writer != u"provision")
            writeFile(target, QByteArray(8192, 'x'));
        QString failure;
        if (writer == u"text") {
            ResultsModel list;
            list.addColumn(QStringLiteral("Zip"));
            ResultsModel::Appender rows(list);
            for (int row = 0; row < 20000; ++row)
                rows.addRow(QStringLiteral("%1 Somewhere").arg(row));
            rows.commit();
            QList<int> every(20000);
            std::iota(every.begin(), every.end(), 0);
            list.setTicked(every, true);
            QSaveFile file(target);
            try {
                AlignedTextWriter text(list, target, {});
                text.measure();
                openForWriting(file);
                text.write(file);
                commitAll(file);
            } catch (const std::exception &thrown) {
                failure = QString::fromUtf8(thrown.what());
            }
        } else {
            try {
                (writer == u"reset" ? resetWorkingCopy : provisionWorkingCopy)(kPristine, target);
            } catch (const std::exception &thrown) {
                failure = QString::fromUtf8(thrown.what());
            }
        }
        const QString reason = QStringLiteral("No space left on device");
        QVERIFY2(failure.startsWith(writer == u"text" ? reason : "Cannot write " + target + ": " + reason),
                 qPrintable(failure));
        QCOMPARE(QDir(QFile::decodeName(full)).entryList(QDir::Files | QDir::Hidden),
                 writer == u"provision" ? QStringList{} : QStringList{QFileInfo(target).fileName()});
        QCOMPARE(fileBytes(target), writer == u"provision" ? QByteArray() : QByteArray(8192, 'x'));
    }
};

QTEST_GUILESS_MAIN(TestWriterFaults)
#include "tst_writerfaults.moc"
