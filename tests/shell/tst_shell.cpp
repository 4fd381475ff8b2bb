#include "AppInfo.h"
#include "DataFolder.h"
#include "DataRoot.h"
#include "Routine.h"
#include "ScriptedPlatform.h"
#include "StartupSteps.h"
#include "TestMachine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <stdexcept>

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void errorBoxText_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("routine");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("open failed") << "unable to open database file" << "Form1" << "Form_Load" << 142
                                     << "unable to open database file\r\nin Quillmap2021/08/31.Form1.Form_Load at "
                                        "line 142\r\rPlease email screenshot of this message to "
                                        "support@quillmap.example";
        QTest::newRow("empty description") << "" << "Form1" << "PushButton9_Click" << 100
                                           << "\r\nin Quillmap2021/08/31.Form1.PushButton9_Click at line 100\r\r"
                                              "Please email screenshot of this message to support@quillmap.example";
        QTest::newRow("module routine") << "Disk full" << "Main" << "SaveListviewProperlySpaced" << 1000
                                        << "Disk full\r\nin Quillmap2021/08/31.Main.SaveListviewProperlySpaced at "
                                           "line 1000\r\rPlease email screenshot of this message to "
                                           "support@quillmap.example";
    }
    void errorBoxText()
    {
        QFETCH(QString, description);
        QFETCH(QString, owner);
        QFETCH(QString, routine);
        QFETCH(int, line);
        QFETCH(QString, expected);
        QCOMPARE(::errorBoxText(description, owner, routine, line).toUtf8(), expected.toUtf8());
    }

    void failedStepsAreReportedInOrderAndTheRoutineGoesOn()
    {
        ScriptedPlatform platform;
        QStringList ran;
        {
            Routine r(platform, QStringLiteral("Form1"), QStringLiteral("Form_Load"));
            r.step(100, [&] { ran << "100"; });
            r.step(102, [&] { throw std::runtime_error("first"); });
            r.step(116, [&] { ran << "116a"; });
            r.step(116, [&] { throw std::runtime_error(""); });
            r.step(116, [&] { ran << "116c"; });
            r.step(118, [] { throw 42; });
        }
        QCOMPARE(ran, (QStringList{"100", "116a", "116c"}));
        QCOMPARE(platform.boxes, (QList<ScriptedPlatform::Box>{errorBox("first", "Form_Load", 102),
                                                              errorBox("", "Form_Load", 116),
                                                              errorBox("Unexpected failure", "Form_Load", 118)}));
        QCOMPARE(platform.boxes.first().style, Platform::Exclamation);
        QCOMPARE(platform.boxes.first().title, QStringLiteral("Application Error"));
    }

    void aFailingTestCountsAsHolding()
    {
        ScriptedPlatform platform;
        Routine r(platform, QStringLiteral("Form1"), QStringLiteral("Form_QueryUnload"));
        QVERIFY(r.test(100, []() -> bool { throw std::runtime_error("Object variable not set"); }));
        QVERIFY(!r.test(102, [] { return false; }));
        QCOMPARE(platform.boxes, (QList<ScriptedPlatform::Box>{
                                     errorBox("Object variable not set", "Form_QueryUnload", 100)}));
    }

    void appTitle_data()
    {
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<QString>("title");
        QTest::newRow("short") << "Quillmap" << "Quillmap";
        QTest::newRow("exactly 40") << QString(40, QLatin1Char('q')) << QString(40, QLatin1Char('q'));
        QTest::newRow("words dropped from the end")
            << "Quillmap Offline United States Zip Code Lookup For Everyone"
            << "Quillmap Offline United States Zip Code";
        QTest::newRow("one word too long") << QString(45, QLatin1Char('x')) << QString(40, QLatin1Char('x'));
    }
    void appTitle()
    {
        QFETCH(QString, displayName);
        QFETCH(QString, title);
        ScriptedPlatform platform;
        setAppTitle(platform, displayName);
        QCOMPARE(platform.appTitle(), title);
        platform.messageBox(QStringLiteral("hint"), Platform::OkOnly);
        QCOMPARE(platform.boxes.last().title, title);
    }

    void homePageDraw_data()
    {
        QTest::addColumn<double>("random");
        QTest::addColumn<bool>("visits");
        QTest::newRow("draw 1") << 0.0 << false;
        QTest::newRow("draw 6") << 0.0599 << false;
        QTest::newRow("draw 7, low end") << 0.06 << true;
        QTest::newRow("draw 7, high end") << 0.0699 << true;
        QTest::newRow("draw 8") << 0.07 << false;
        QTest::newRow("draw 100") << 0.9999 << false;
    }
    void homePageDraw()
    {
        QFETCH(double, random);
        QFETCH(bool, visits);
        ScriptedPlatform platform;
        platform.randoms = {random};
        platform.program = QStringLiteral("/opt/quillmap");
        visitHomePageOccasionally(platform);
        QCOMPARE(platform.openedUrls, visits ? QStringList{"file:///opt/quillmap/doc/README.html"} : QStringList{});
    }

    void homePageLauncherFailureIsThrown()
    {
        ScriptedPlatform platform;
        platform.randoms = {0.065};
        platform.startFails = true;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, visitHomePageOccasionally(platform));
    }

    void specialFolderPath()
    {
        ScriptedPlatform platform;
        platform.commonRoot = QStringLiteral("  /srv/shared/  ");
        QCOMPARE(::specialFolderPath(platform, SpecialFolder::CommonAppData), QStringLiteral("/srv/shared"));
        QCOMPARE(paths::workingCopy(platform), QStringLiteral("/srv/shared/Brennick/Quillmap/dbZipsWorking.mdb"));
        platform.commonRoot.clear();
        QCOMPARE(paths::vendorFolder(platform), QStringLiteral("/Brennick"));
    }

    // Where the machine-wide folder is out of reach, the user's own data folder is the root,
    // created whole when the account has none yet.
    void theDataRootIsTheMachinesWhereItMayBeWritten_data()
    {
        // The machine-wide root made in the temporary folder, and what is found below it.
        using Arrange = std::function<QString(const QTemporaryDir &dir)>;
        QTest::addColumn<Arrange>("machineWide");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("a writable folder") << Arrange([](const QTemporaryDir &dir) { return dir.path(); }) << true;
        QTest::newRow("its data folder there already") << Arrange([](const QTemporaryDir &dir) {
            QDir().mkpath(dir.filePath(appinfo::kVendor + QLatin1Char('/') + appinfo::kDisplayName));
            return dir.path();
        }) << true;
        QTest::newRow("a file") << Arrange([](const QTemporaryDir &dir) {
            writeFile(dir.filePath(QStringLiteral("a-file")), "x");
            return dir.filePath(QStringLiteral("a-file"));
        }) << false;
        QTest::newRow("a file where the vendor folder goes") << Arrange([](const QTemporaryDir &dir) {
            writeFile(dir.filePath(appinfo::kVendor), "x");
            return dir.path();
        }) << false;
        QTest::newRow("missing") << Arrange([](const QTemporaryDir &dir) { return dir.filePath(QStringLiteral("gone")); })
                                 << false;
        QTest::newRow("none") << Arrange([](const QTemporaryDir &) { return QString(); }) << false;
    }

    void theDataRootIsTheMachinesWhereItMayBeWritten()
    {
        QFETCH(std::function<QString(const QTemporaryDir &)>, machineWide);
        QFETCH(bool, chosen);
        QTemporaryDir dir;
        const QString root = machineWide(dir);
        const QString userData = dir.filePath(QStringLiteral("home/.local/share"));
        QCOMPARE(chooseDataRoot(root, userData), chosen ? root : userData);
        QCOMPARE(QFileInfo(userData).isDir(), !chosen);
    }

    void fileExistsAndFolders()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("file.txt"));
        QFile(file).open(QIODevice::WriteOnly);
        QVERIFY(fileExists(file));
        QVERIFY(fileExists(dir.path()));
        QVERIFY(!fileExists(dir.filePath(QStringLiteral("missing"))));
        QVERIFY(!fileExists(QString()));
        QVERIFY(!fileExists(dir.filePath(QStringLiteral("missing/below"))));

        createFolder(dir.filePath(QStringLiteral("made")));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("made"))).isDir());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, createFolder(file + QStringLiteral("/below")));
        QVERIFY(entryExists(file));
        QVERIFY(!entryExists(dir.filePath(QStringLiteral("missing"))));
    }
};

QTEST_GUILESS_MAIN(TestShell)
#include "tst_shell.moc"
