// A member of the data folder's group turns the shared folder against the other users, with
// links at the working copy's names, crafted databases and names swapped in a race, against the
// program and the install script. No file outside the folder may change, every box must say
// what is wrong, and the reset must repair the folder.

#include "DatabaseCommands.h"
#include "FormSearch.h"
#include "WindowFixture.h"
#include "WorkingCopy.h"
#include "ZipStore.h"
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

int sh(const QString &commands)
{
    return QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), commands});
}

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
    QString victim;

    ScriptedPlatform &platform() const { return machine->platform; }
    QByteArray victims() const { return fingerprint(victim) + fingerprint(victim + QStringLiteral(".empty")); }
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
        form = std::make_unique<Form1>(platform());
        victim = machine->dir.filePath(QStringLiteral("private.db"));
        qputenv("DATA", QFile::encodeName(machine->dataFolder()));
        qputenv("PRIVATE", QFile::encodeName(victim));
        qputenv("PRISTINE", QFile::encodeName(machine->pristineCopy()));
        // The group's folder with its working copy, and another user's files outside it.
        QCOMPARE(sh("mkdir -p \"$DATA\" && chmod 2775 \"$DATA\" && cp \"$PRISTINE\" \"$DATA\"/dbZipsWorking.mdb &&"
                    " cp \"$PRISTINE\" \"$PRIVATE\" && sqlite3 \"$PRIVATE\" \"insert into ZipCodes values (1, 'Mine', 'Z')\""
                    " && touch \"$PRIVATE\".empty && chmod 600 \"$PRIVATE\" \"$PRIVATE\".empty"),
                 0);
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
        const QString link = QStringLiteral(": it is a symbolic link");
        const QString crafted = QStringLiteral(", which is no part of a zip database");
        const QString sql = QStringLiteral("sqlite3 dbZipsWorking.mdb '%1'");
        const QString spin = sql.arg("create view Spin as with recursive r(i) as (select 1 union all select i + 1 from"
                                     " r) select count(*) from r; create trigger Stall after %1 on ZipCodes begin"
                                     " select * from Spin; end");
        QTest::newRow("a link to a private database") << "ln -sf \"$PRIVATE\" dbZipsWorking.mdb" << 142 << "mdb" + link;
        QTest::newRow("a link to an empty file") << "ln -sf \"$PRIVATE\".empty dbZipsWorking.mdb" << 142 << "mdb" + link;
        QTest::newRow("a second name of a private database") << "ln -f \"$PRIVATE\" dbZipsWorking.mdb" << 142
                                                             << "mdb: it has a second name";
        for (const QString journal : {"-journal", "-wal", "-shm"})
            QTest::newRow(qPrintable(journal + " a link"))
                << "ln -s \"$PRIVATE\" dbZipsWorking.mdb" + journal << 142 << "mdb" + journal + link;
        QTest::newRow("a trigger that never ends") << spin.arg("insert") << 142 << "the view Spin" + crafted;
        QTest::newRow("ZipCodes a view") << sql.arg("alter table ZipCodes rename to Z; create view ZipCodes as"
                                                    " select * from Z") << 142 << "the table Z" + crafted;
        QTest::newRow("an index on an expression") << sql.arg("create index Spin on ZipCodes (length(City))") << 142
                                                   << "the index Spin" + crafted;
        QTest::newRow("the record of imports with a column of its own")
            << sql.arg("drop table ImportedRows; create table ImportedRows (ZipCode, City, State, Extra)") << 142
            << "the table ImportedRows" + crafted;
        QTest::newRow("the record of imports with a CHECK that fails every import")
            << sql.arg("drop table ImportedRows; create table ImportedRows (ZipCode TEXT CHECK (ZipCode = 0), City TEXT,"
                       " State TEXT)")
            << 142 << "the table ImportedRows" + crafted;
        QTest::newRow("the record of imports with a DEFAULT that loads code")
            << sql.arg("drop table ImportedRows; create table ImportedRows (ZipCode TEXT, City TEXT DEFAULT"
                       " (load_extension(char(120))), State TEXT)")
            << 142 << "the table ImportedRows" + crafted;
        QTest::newRow("a unique index that fails every import")
            << sql.arg("create unique index Once on ImportedRows (ZipCode)") << 142 << "the index Once" + crafted;
        QTest::newRow("an index on the provenance, allowed") << sql.arg("create index Days on Provenance (DataDate)")
                                                              << 142 << "";
        QTest::newRow("-journal a link, while open") << "ln -s \"$PRIVATE\" dbZipsWorking.mdb-journal" << 104
                                                     << "mdb-journal" + link;
        QTest::newRow("a trigger that never ends, while open")
            << spin.arg("delete") << 104
            << "mdb holds a trigger or a view, which the program does not run: not authorized";
        QTest::newRow("a link swapped in and out while resets run") << "true" << 108 << "";
    }
    void aMemberReachesNoOtherFileAndTheResetRepairs()
    {
        QFETCH(QString, plant);
        QFETCH(int, line);
        QFETCH(QString, says);
        const QByteArray before = victims();
        if (line != 142) {
            form->load();
            searchThrough(*form, QStringLiteral("021"));
            form->findChild<QAbstractItemView *>(QStringLiteral("ListView1"))->setCurrentIndex(form->results().index(0, 0));
        }
        QCOMPARE(sh("cd \"$DATA\" && " + plant), 0);
        if (line == 142) {
            form->load();
        } else if (line == 104) {
            platform().answers = {Platform::Yes};
            form->databaseCommands().deleteSelectedZip();
        } else {
            std::atomic<int> swaps = 0;
            std::jthread member = swapLinkIn(victim, machine->workingCopy(), false, swaps);
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
        QVERIFY(form->zipSession().store().isOpen());
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
                sh(QStringLiteral("groupdel quillmap"));
        });
        const QString root = machine->dir.filePath(QStringLiteral("root"));
        const QString madeByRoot = root + QStringLiteral("/var/lib/Brennick/Quillmap/dbZipsWorking.mdb");
        const QString install = QStringLiteral("sh " QUILLMAP_POSTINST " configure");
        qputenv("DPKG_ROOT", QFile::encodeName(root));
        QCOMPARE(sh("mkdir -p \"$DPKG_ROOT\"/etc && echo secret > \"$DPKG_ROOT\"/etc/shadow && chmod 600 "
                    "\"$DPKG_ROOT\"/etc/shadow && " + install + " && echo root > " + madeByRoot), 0);
        const QByteArray before = fingerprint(root + QStringLiteral("/etc/shadow"));
        std::atomic<int> swaps = 0;
        std::jthread member = swapLinkIn(root + QStringLiteral("/etc/shadow"), madeByRoot, hardLink, swaps);
        for (int run = 0; run < 30; ++run)
            QCOMPARE(sh(install), 0);
        member = {};
        QVERIFY(swaps > 2000);
        QCOMPARE(fingerprint(root + QStringLiteral("/etc/shadow")), before);

        // With no member in the way, root's working copy joins the group.
        QCOMPARE(sh("rm " + madeByRoot + " && echo root > " + madeByRoot + " && chmod 644 " + madeByRoot + " && " + install
                    + " && [ $(stat -c %a:%G " + madeByRoot + ") = 664:quillmap ]"),
                 0);
    }
};

QTEST_MAIN(TestHostileMember)
#include "tst_hostilemember.moc"
