// A member of the data folder's group turns the shared folder against the other users, with
// links at the working copy's names, crafted databases and names swapped in a race, against the
// program and the install script. No file outside the folder may change, every box must say
// what is wrong, and the reset must repair the folder.

#include "DatabaseCommands.h"
#include "FormSearch.h"
#include "WindowFixture.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"
#include "ZipSession.h"

#include <QAbstractItemView>
#include <QDir>
#include <QProcess>
#include <QScopeGuard>

#include <atomic>
#include <thread>

#include <cstdio>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>

namespace {

// A file's bytes, mode and owners.
QByteArray fingerprint(const QString &path)
{
    struct stat status {};
    ::lstat(QFile::encodeName(path).constData(), &status);
    return fileBytes(path) + QByteArray::number(status.st_mode) + ':' + QByteArray::number(status.st_uid) + ':'
        + QByteArray::number(status.st_gid);
}

// Until it is dropped, puts a link to the victim at the working copy's name for an instant, again
// and again, by exchanging it with a name of the member's own.
std::jthread swapLinkIn(const QString &victim, const QString &working, bool hardLink, std::atomic<int> &swaps)
{
    return std::jthread([=, &swaps, to = QFile::encodeName(victim), at = QFile::encodeName(working)](std::stop_token stop) {
        const QByteArray spare = at + ".spare";
        for (struct stat status {}; !stop.stop_requested();) {
            if (::lstat(spare, &status) != 0 || !(S_ISLNK(status.st_mode) || status.st_nlink > 1)) {
                ::unlink(spare);
                hardLink ? ::link(to, spare) : ::symlink(to, spare);
            }
            for (int i = 0; i < 2; ++i)
                swaps += ::renameat2(AT_FDCWD, spare, AT_FDCWD, at, RENAME_EXCHANGE) == 0;
        }
        ::unlink(spare);
    });
}

} // namespace

class TestHostileMember : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> machine;
    std::unique_ptr<Form1> form;
    ScriptedPlatform &platform() const { return machine->platform; }
    QString victim(const char *name) const { return machine->dir.filePath(QLatin1String(name)); }
    QByteArray victims() const { return fingerprint(victim("private.db")) + fingerprint(victim("private.db.empty")); }
    void load()
    {
        (form = std::make_unique<Form1>(platform()))->load();
    }
    void reset()
    {
        platform().answers = {Platform::Yes};
        form->databaseCommands().resetDatabase();
    }
    Boxes errorBoxes() const
    {
        Boxes errors = platform().boxes;
        errors.removeIf([](const ScriptedPlatform::Box &shown) { return shown.style != Platform::Exclamation; });
        return errors;
    }

private slots:
    void init()
    {
        machine = std::make_unique<TestMachine>();
        QVERIFY(QDir().mkpath(machine->dataFolder()));
        ::chmod(QFile::encodeName(machine->dataFolder()), 02775);
        provisionWorkingCopy(machine->pristineCopy(), machine->workingCopy());
        // Another user's files outside the folder, writable by that user alone.
        qputenv("DATA", QFile::encodeName(machine->dataFolder()));
        qputenv("PRIVATE", QFile::encodeName(victim("private.db")));
        copyDatabaseFile(machine->pristineCopy(), victim("private.db"));
        addRow(victim("private.db"), QStringLiteral("00001"), QStringLiteral("Mine"), QStringLiteral("ZZ"));
        QCOMPARE(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral(
                     "touch \"$PRIVATE\".empty && chmod 600 \"$PRIVATE\" \"$PRIVATE\".empty")}), 0);
    }
    void cleanup()
    {
        form.reset();
        machine.reset();
    }

    void aMemberReachesNoOtherFileAndTheResetRepairs_data()
    {
        // What the member runs in the data folder: before start-up (line 142), while the window
        // is open before a delete (104), or against resets (108, whose boxes tell whatever the
        // race left). Every error box says `says`; none shows when it is empty.
        QTest::addColumn<QString>("plant");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("says");
        const QString link = QStringLiteral("it is a symbolic link");
        const QString crafted = QStringLiteral(", which is no part of a zip database");
        const QString spin = QStringLiteral("sqlite3 dbZipsWorking.mdb 'create view Spin as with recursive r(i) as"
                                            " (select 1 union all select i + 1 from r) select count(*) from r;"
                                            " create trigger Stall after %1 on ZipCodes begin select * from Spin; end'");
        QTest::newRow("working copy a link to a private database") << "ln -sf \"$PRIVATE\" dbZipsWorking.mdb" << 142
                                                                   << "mdb: " + link;
        QTest::newRow("working copy a link to an empty file") << "ln -sf \"$PRIVATE\".empty dbZipsWorking.mdb"
                                                              << 142 << "mdb: " + link;
        QTest::newRow("working copy a second name of a private database") << "ln -f \"$PRIVATE\" dbZipsWorking.mdb"
                                                                          << 142 << "mdb: it has a second name";
        for (const QString journal : {"-journal", "-wal", "-shm"})
            QTest::newRow(qPrintable(journal + " a link"))
                << "ln -s \"$PRIVATE\" dbZipsWorking.mdb" + journal << 142 << "mdb" + journal + ": " + link;
        QTest::newRow("a trigger that never ends") << spin.arg("insert") << 142 << "holds the view Spin" + crafted;
        QTest::newRow("ZipCodes a view") << "sqlite3 dbZipsWorking.mdb 'alter table ZipCodes rename to Zips;"
                                            " create view ZipCodes as select * from Zips'"
                                         << 142 << "holds the table Zips" + crafted;
        QTest::newRow("an index on an expression") << "sqlite3 dbZipsWorking.mdb 'create index Spin on ZipCodes"
                                                      " (length(City) > 3)'" << 142 << "holds the index Spin" + crafted;
        QTest::newRow("a provenance table, allowed") << "sqlite3 dbZipsWorking.mdb 'create table Provenance (Day);"
                                                        " create index Days on Provenance (Day)'" << 142 << "";
        QTest::newRow("-journal a link, while open") << "ln -s \"$PRIVATE\" dbZipsWorking.mdb-journal" << 104
                                                     << "mdb-journal: " + link;
        QTest::newRow("a trigger that never ends, while open")
            << spin.arg("delete") << 104 << "holds a trigger or a view, which the program does not run: not authorized";
        QTest::newRow("a link swapped in and out while resets run") << "true" << 108 << "";
    }
    void aMemberReachesNoOtherFileAndTheResetRepairs()
    {
        QFETCH(QString, plant);
        QFETCH(int, line);
        QFETCH(QString, says);
        const QByteArray before = victims();
        if (line != 142) {
            load();
            searchThrough(*form, QStringLiteral("021"));
            form->findChild<QAbstractItemView *>(QStringLiteral("ListView1"))->setCurrentIndex(form->results().index(0, 0));
        }
        QCOMPARE(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), "cd \"$DATA\" && " + plant}), 0);
        if (line == 142) {
            load();
        } else if (line == 104) {
            platform().answers = {Platform::Yes};
            form->databaseCommands().deleteSelectedZip();
        } else {
            std::atomic<int> swaps = 0;
            std::jthread member = swapLinkIn(victim("private.db"), machine->workingCopy(), false, swaps);
            for (int i = 0; i < 40; ++i)
                reset();
            member = {};
            QVERIFY(swaps > 2000);
        }
        QCOMPARE(victims(), before);
        const Boxes errors = errorBoxes();
        QVERIFY(line == 108 || says.isEmpty() == errors.isEmpty());
        for (const auto &error : errors)
            QVERIFY2(line == 108 || (error.text.contains(says) && errors[0].text.contains(QStringLiteral(" line %1\r").arg(line))),
                     qPrintable(error.text));

        platform().boxes.clear();
        reset();
        QCOMPARE(errorBoxes(), Boxes{});
        QCOMPARE(form->zipSession().connection().state(), ZipConnection::Open);
        QCOMPARE(rowsOf(machine->workingCopy()), rowsOf(machine->pristineCopy()));
        QCOMPARE(QDir(machine->dataFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{"dbZipsWorking.mdb"});
        QCOMPARE(victims(), before);
    }

    void theInstallScriptChangesNoFileOutsideTheFolder_data()
    {
        QTest::addColumn<bool>("hardLink");
        QTest::newRow("a symbolic link swapped in") << false;
        QTest::newRow("a second name swapped in") << true;
    }
    void theInstallScriptChangesNoFileOutsideTheFolder()
    {
        QFETCH(bool, hardLink);
        if (::geteuid() != 0)
            QSKIP("the install script runs as root");
        const auto removeGroup = qScopeGuard([added = !::getgrnam("quillmap")] {
            if (added)
                QProcess::execute(QStringLiteral("groupdel"), {QStringLiteral("quillmap")});
        });
        const QString root = machine->dir.filePath(QStringLiteral("root"));
        const QString madeByRoot = root + QStringLiteral("/var/lib/Brennick/Quillmap/dbZipsWorking.mdb");
        const QString shadow = root + QStringLiteral("/etc/shadow");
        writeFile(shadow, "root's alone");
        ::chmod(QFile::encodeName(shadow), 0600);
        const QByteArray before = fingerprint(shadow);
        qputenv("DPKG_ROOT", QFile::encodeName(root));
        const auto install = [] {
            return QProcess::execute(QStringLiteral("sh"), {QStringLiteral(QUILLMAP_POSTINST), QStringLiteral("configure")});
        };
        writeFile(madeByRoot, "working copy");
        std::atomic<int> swaps = 0;
        std::jthread member = swapLinkIn(shadow, madeByRoot, hardLink, swaps);
        for (int run = 0; run < 30; ++run)
            QCOMPARE(install(), 0);
        member = {};
        QVERIFY(swaps > 2000);
        QCOMPARE(fingerprint(shadow), before);

        // With no member in the way, root's working copy joins the group.
        QFile::remove(madeByRoot);
        writeFile(madeByRoot, "working copy");
        ::chmod(QFile::encodeName(madeByRoot), 0644);
        QCOMPARE(install(), 0);
        struct stat status {};
        ::lstat(QFile::encodeName(madeByRoot), &status);
        QCOMPARE(status.st_mode & 07777, mode_t(0664));
        QCOMPARE(status.st_gid, ::getgrnam("quillmap")->gr_gid);
    }
};

QTEST_MAIN(TestHostileMember)
#include "tst_hostilemember.moc"
