#include "DataFolder.h"
#include "Form1.h"
#include "FormSearch.h"
#include "ResultsModel.h"
#include "SearchCommands.h"
#include "TestMachine.h"
#include "ZipStore.h"
#include "ZipSession.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include <functional>

namespace {

using Boxes = QList<ScriptedPlatform::Box>;

ScriptedPlatform::Box loadBox(const QString &description, int line)
{
    return errorBox(description, QStringLiteral("Form_Load"), line);
}

QStringList lines(const Boxes &boxes)
{
    QStringList result;
    for (const auto &box : boxes)
        result.append(box.text.section(QStringLiteral("at line "), 1).section(QLatin1Char('\r'), 0, 0));
    return result;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void firstRunMakesFoldersAndAByteIdenticalWorkingCopy()
    {
        TestMachine machine;
        Form1 form(machine.platform);
        form.load();
        QCOMPARE(machine.platform.boxes, Boxes{});
        QVERIFY(QFileInfo(machine.dataFolder()).isDir());
        QCOMPARE(fileBytes(machine.workingCopy()), fileBytes(machine.pristineCopy()));
        QCOMPARE(QDir(machine.dataFolder()).entryList(QDir::Files), QStringList{"dbZipsWorking.mdb"});
        QVERIFY(form.zipSession().store().isOpen());
        QCOMPARE(form.windowTitle(), QStringLiteral("Quillmap"));
        QVERIFY(!form.windowIcon().isNull());
        QCOMPARE(machine.platform.appTitle(), QStringLiteral("Quillmap"));
        QCOMPARE(machine.platform.openedUrls, QStringList{});

        auto *list = form.findChild<QTreeView *>(QStringLiteral("ListView1"));
        QCOMPARE(form.results().columnCount(), 3);
        QCOMPARE(form.results().header(1), QStringLiteral("City"));
        QCOMPARE(list->header()->sectionSize(0), 80);
        QCOMPARE(list->header()->sectionSize(1), 267);
        QCOMPARE(list->header()->sectionSize(2), 133);
        QVERIFY(!list->header()->sectionsMovable());
        QCOMPARE(form.results().rowCount(), 0);
    }

    // A later run finds the working copy that an earlier run made, however it was left.
    void laterRunsKeepOrRestoreTheWorkingCopy_data()
    {
        QTest::addColumn<bool>("deletedByHand");
        QTest::addColumn<QStringList>("addedRowFound");
        QTest::newRow("rows added since are kept") << false << QStringList{"99999|Added|ZZ"};
        QTest::newRow("deleted by hand, copied again") << true << QStringList{};
    }
    void laterRunsKeepOrRestoreTheWorkingCopy()
    {
        QFETCH(bool, deletedByHand);
        QFETCH(QStringList, addedRowFound);
        TestMachine machine;
        { Form1 first(machine.platform); first.load(); }
        addRow(machine.workingCopy(), QStringLiteral("99999"), QStringLiteral("Added"), QStringLiteral("ZZ"));
        if (deletedByHand)
            QFile::remove(machine.workingCopy());
        else
            QFile::remove(machine.pristineCopy()); // a later run must not even read it

        Form1 second(machine.platform);
        second.load();
        QCOMPARE(machine.platform.boxes, Boxes{});
        QCOMPARE(searchThrough(second, QStringLiteral("99999")), addedRowFound);
        if (deletedByHand)
            QCOMPARE(fileBytes(machine.workingCopy()), fileBytes(machine.pristineCopy()));
    }

    void failingStepsAreReportedAndTheWindowStillLoads_data()
    {
        using Obstacle = std::function<void(TestMachine &)>;
        QTest::addColumn<Obstacle>("obstacle");
        QTest::addColumn<QStringList>("failedLines");
        QTest::newRow("pristine copy missing")
            << Obstacle([](TestMachine &machine) { QFile::remove(machine.pristineCopy()); }) << QStringList{"110", "142"};
        QTest::newRow("root is a file") << Obstacle([](TestMachine &machine) {
            machine.platform.commonRoot += QStringLiteral("/file");
            writeFile(machine.platform.commonRoot, "x");
        }) << QStringList{"102", "106", "110", "142"};
        QTest::newRow("vendor folder is a file") << Obstacle([](TestMachine &machine) {
            writeFile(paths::vendorFolder(machine.platform), "x");
        }) << QStringList{"106", "110", "142"};
        QTest::newRow("working copy overwritten") << Obstacle([](TestMachine &machine) {
            writeFile(machine.workingCopy(), QByteArray(4096, '\x7f'));
        }) << QStringList{"142"};
        QTest::newRow("home page cannot open") << Obstacle([](TestMachine &machine) {
            machine.platform.randoms = {0.065};
            machine.platform.startFails = true;
        }) << QStringList{"122"};
        QTest::newRow("cursor file unreadable") << Obstacle([](TestMachine &machine) {
            writeFile(machine.cursorFile(), "not a cursor");
        }) << QStringList{"120"};
        QTest::newRow("server setting refused") << Obstacle([](TestMachine &machine) {
            machine.platform.serverRefusal = QStringLiteral("the setting carries a password");
        }) << QStringList{"140", "142"};
        QTest::newRow("server unreachable") << Obstacle([](TestMachine &machine) {
            machine.platform.server = QStringLiteral("host=") + machine.dir.path() + QStringLiteral(" dbname=none");
        }) << QStringList{"142"};
    }
    void failingStepsAreReportedAndTheWindowStillLoads()
    {
        QFETCH(std::function<void(TestMachine &)>, obstacle);
        QFETCH(QStringList, failedLines);
        TestMachine machine;
        obstacle(machine);

        Form1 form(machine.platform);
        form.load();
        QCOMPARE(lines(machine.platform.boxes), failedLines);
        // A server's rows, meant or refused, leave the data folder without a working copy.
        QCOMPARE(QFile::exists(machine.workingCopy()), machine.platform.server.isEmpty()
                                                             && machine.platform.serverRefusal.isEmpty()
                                                             && !failedLines.contains(QStringLiteral("110")));
        for (const auto &box : machine.platform.boxes) {
            QVERIFY(box.text.contains(QLatin1String("\r\nin Quillmap2021/08/31.Form1.Form_Load at line ")));
            QCOMPARE(box.style, Platform::Exclamation);
            QCOMPARE(box.title, QStringLiteral("Application Error"));
        }
        // The rest of start-up still ran.
        QCOMPARE(form.windowTitle(), QStringLiteral("Quillmap"));
        QCOMPARE(form.results().columnCount(), 3);
        form.show();
        QVERIFY(form.isVisible());
    }

    void exactBoxForAMissingPristineCopy()
    {
        TestMachine machine(false);
        Form1 form(machine.platform);
        form.load();
        QCOMPARE(machine.platform.boxes,
                 (Boxes{loadBox(QStringLiteral("Could not open %1: No such file or directory").arg(machine.pristineCopy()),
                                110),
                        loadBox(QStringLiteral("Could not open %1: No such file or directory")
                                    .arg(machine.workingCopy()),
                                142)}));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
