// The machine-wide data folder is shared by a group through its set-group-ID bit: what the
// program creates there must be writable by that group and by nobody else. The files handed to
// other programs live in a folder of the user's own.

#include "DataFolder.h"
#include "PrivateFolder.h"
#include "TestMachine.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

namespace {

mode_t modeOf(const QString &path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        throw std::runtime_error("cannot stat " + path.toStdString());
    return status.st_mode & 07777;
}

void setMode(const QString &path, mode_t mode)
{
    if (::chmod(QFile::encodeName(path).constData(), mode) != 0)
        throw std::runtime_error("cannot chmod " + path.toStdString());
}

// A group this process may give its files other than the one it creates them with, or -1.
gid_t anotherGroup()
{
    if (::geteuid() == 0)
        return 65534;
    gid_t groups[64];
    const int count = ::getgroups(64, groups);
    for (int i = 0; i < count; ++i) {
        if (groups[i] != ::getegid())
            return groups[i];
    }
    return gid_t(-1);
}

} // namespace

class SharedFolderTest : public QObject
{
    Q_OBJECT

private:
    mode_t m_umask = 0;
    // A folder of the test's own, shared the way the package shares the machine-wide one, or not.
    static QString folderIn(const QTemporaryDir &dir, bool shared)
    {
        const QString folder = dir.filePath(QStringLiteral("Quillmap"));
        QDir().mkdir(folder);
        setMode(folder, shared ? 02775 : 0755);
        return folder;
    }

private slots:
    void initTestCase() { m_umask = ::umask(022); }
    void cleanupTestCase() { ::umask(m_umask); }

    void entryModes_data()
    {
        QTest::addColumn<bool>("sharedFolder");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");

        QTest::newRow("file in the shared folder") << true << false << 0644 << 0664;
        QTest::newRow("owner-only file in the shared folder") << true << false << 0600 << 0660;
        QTest::newRow("world-writable file in the shared folder") << true << false << 0666 << 0664;
        QTest::newRow("group-writable file in the shared folder") << true << false << 0664 << 0664;
        QTest::newRow("folder in the shared folder") << true << true << 02755 << 02775;
        QTest::newRow("file in a private folder") << false << false << 0644 << 0644;
        QTest::newRow("world-writable file in a private folder") << false << false << 0666 << 0666;
        QTest::newRow("folder in a private folder") << false << true << 0755 << 0755;
    }

    void entryModes()
    {
        QFETCH(bool, sharedFolder);
        QFETCH(bool, isFolder);
        QFETCH(int, before);
        QFETCH(int, after);
        QTemporaryDir dir;
        const QString entry = folderIn(dir, sharedFolder) + QStringLiteral("/entry");
        if (isFolder)
            QVERIFY(QDir().mkdir(entry));
        else
            writeFile(entry, "x");
        setMode(entry, mode_t(before));

        shareWithFolderGroup(entry);
        QCOMPARE(int(modeOf(entry)), after);
    }

    void entryOfAnotherGroupIsLeftAlone()
    {
        const gid_t other = anotherGroup();
        if (other == gid_t(-1))
            QSKIP("this user belongs to one group only");
        QTemporaryDir dir;
        const QString entry = folderIn(dir, true) + QStringLiteral("/entry");
        writeFile(entry, "x");
        QCOMPARE(::chown(QFile::encodeName(entry).constData(), uid_t(-1), other), 0);
        setMode(entry, 0644);

        shareWithFolderGroup(entry);
        QCOMPARE(int(modeOf(entry)), 0644);
    }

    void linkInPlaceOfTheEntryIsRefused()
    {
        QTemporaryDir dir;
        const QString outside = dir.filePath(QStringLiteral("outside"));
        writeFile(outside, "x");
        setMode(outside, 0644);
        const QString entry = folderIn(dir, true) + QStringLiteral("/entry");
        QVERIFY(QFile::link(outside, entry));

        QVERIFY_THROWS_EXCEPTION(std::runtime_error, shareWithFolderGroup(entry));
        QCOMPARE(int(modeOf(outside)), 0644);
    }

    void createdFolders_data()
    {
        QTest::addColumn<bool>("sharedFolder");
        QTest::addColumn<int>("mode");
        QTest::newRow("in the shared folder") << true << 02775;
        QTest::newRow("in a private folder") << false << 0755;
    }

    void createdFolders()
    {
        QFETCH(bool, sharedFolder);
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString folder = folderIn(dir, sharedFolder) + QStringLiteral("/Quillmap");

        createFolder(folder);
        QCOMPARE(int(modeOf(folder)), mode);
    }

    void workingCopyAndJournal_data()
    {
        QTest::addColumn<bool>("sharedFolder");
        QTest::addColumn<bool>("overOldCopy");
        QTest::addColumn<int>("mode");
        QTest::newRow("first copy, shared folder") << true << false << 0664;
        QTest::newRow("copy over the old one, shared folder") << true << true << 0664;
        QTest::newRow("first copy, private folder") << false << false << 0644;
    }

    // The journal that SQLite writes beside the working copy takes the working copy's mode, so
    // another member of the group can roll back a write cut short.
    void workingCopyAndJournal()
    {
        QFETCH(bool, sharedFolder);
        QFETCH(bool, overOldCopy);
        QFETCH(int, mode);
        TestMachine machine;
        QTemporaryDir dir;
        const QString workingCopy = folderIn(dir, sharedFolder) + QStringLiteral("/dbZipsWorking.mdb");
        if (overOldCopy)
            copyDatabaseFile(machine.pristineCopy(), workingCopy);

        copyDatabaseFile(machine.pristineCopy(), workingCopy);
        QCOMPARE(int(modeOf(workingCopy)), mode);

        ZipConnection connection;
        connection.open(workingCopy);
        connection.execute(QStringLiteral("begin"));
        connection.execute(QStringLiteral("insert into ZipCodes values ('00001', 'Test', 'TS')"));
        QCOMPARE(int(modeOf(workingCopy + QStringLiteral("-journal"))), mode);
        connection.execute(QStringLiteral("rollback"));
    }

    // What lies at the private folder's path before: nothing, a folder others may read, a link.
    void privateFolders_data()
    {
        QTest::addColumn<QString>("found");
        QTest::newRow("nothing yet") << "";
        QTest::newRow("a folder others may read") << "mkdir -m 755 \"$F\"";
        QTest::newRow("a link to another folder") << "chmod 755 \"$D\" && ln -s \"$D\" \"$F\"";
    }
    void privateFolders()
    {
        QFETCH(QString, found);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("cache/Quillmap"));
        qputenv("D", QFile::encodeName(dir.path()));
        qputenv("F", QFile::encodeName(folder));
        QCOMPARE(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), "mkdir \"$D\"/cache; " + found}), 0);
        const bool link = found.contains(QLatin1String("ln -s"));
        if (link)
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, preparePrivateFolder(folder));
        else
            QCOMPARE(preparePrivateFolder(folder), folder);
        QCOMPARE(int(modeOf(link ? dir.path() : folder)), link ? 0755 : 0700);
    }

    void filesOfAPrivateFolderGoWhenADayOld()
    {
        QTemporaryDir dir;
        qputenv("D", QFile::encodeName(dir.path()));
        QCOMPARE(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral(
                     "touch \"$D\"/new.xlsx && touch -d '25 hours ago' \"$D\"/old.xlsx")}), 0);
        removeFilesOlderThan(dir.path(), std::chrono::hours(24));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"new.xlsx"});
    }
};

QTEST_GUILESS_MAIN(SharedFolderTest)
#include "tst_sharedfolder.moc"
