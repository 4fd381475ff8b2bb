#include "Form1.h"
#include "ResultsModel.h"
#include "TestMachine.h"
#include "ZipConnection.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

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

QStringList search(Form1 &form, const QString &text)
{
    form.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(text);
    form.PushButton1_Click();
    QStringList rows;
    for (int row = 1; row <= form.results().count(); ++row)
        rows.append(form.results().cell(row, 1) + QLatin1Char('|') + form.results().cell(row, 2));
    return rows;
}

const QString kAddedZip = QStringLiteral("99999");

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void firstRunMakesFoldersAndAByteIdenticalWorkingCopy()
    {
        TestMachine machine;
        Form1 form(machine.platform);
        form.Form_Load();
        QCOMPARE(machine.platform.boxes, Boxes{});
        QVERIFY(QFileInfo(machine.dataFolder()).isDir());
        QCOMPARE(fileBytes(machine.workingCopy()), fileBytes(machine.pristineCopy()));
        QCOMPARE(QDir(machine.dataFolder()).entryList(QDir::Files), QStringList{"dbZipsWorking.mdb"});
        QVERIFY(form.connection() && form.connection()->state() == ZipConnection::Open);
        QCOMPARE(form.windowTitle(), QStringLiteral("Quillmap"));
        QVERIFY(!form.windowIcon().isNull());
        QCOMPARE(machine.platform.appTitle(), QStringLiteral("Quillmap"));
        QCOMPARE(machine.platform.startedCommands, QList<QStringList>{});

        auto *list = form.findChild<QTreeView *>(QStringLiteral("ListView1"));
        QCOMPARE(form.results().columnHeaderCount(), 3);
        QCOMPARE(form.results().header(2), QStringLiteral("City"));
        QCOMPARE(list->header()->sectionSize(0), 80);
        QCOMPARE(list->header()->sectionSize(1), 267);
        QCOMPARE(list->header()->sectionSize(2), 133);
        QCOMPARE(form.results().count(), 0);
    }

    void laterRunsKeepTheWorkingCopy()
    {
        TestMachine machine;
        { Form1 first(machine.platform); first.Form_Load(); }
        addRow(machine.workingCopy(), kAddedZip, QStringLiteral("Added"), QStringLiteral("ZZ"));
        QFile::remove(machine.pristineCopy()); // a later run must not even read it

        Form1 second(machine.platform);
        second.Form_Load();
        QCOMPARE(machine.platform.boxes, Boxes{});
        QCOMPARE(search(second, kAddedZip), QStringList{"99999|Added"});
    }

    void aWorkingCopyDeletedByHandIsCopiedAgain()
    {
        TestMachine machine;
        { Form1 first(machine.platform); first.Form_Load(); }
        QFile::remove(machine.workingCopy());
        Form1 second(machine.platform);
        second.Form_Load();
        QCOMPARE(machine.platform.boxes, Boxes{});
        QCOMPARE(fileBytes(machine.workingCopy()), fileBytes(machine.pristineCopy()));
    }

    void failingStepsAreReportedAndTheWindowStillLoads_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QStringList>("failedLines");
        QTest::newRow("pristine copy missing") << "no pristine" << QStringList{"110", "142"};
        QTest::newRow("root is a file") << "root file" << QStringList{"102", "106", "110", "142"};
        QTest::newRow("vendor folder is a file") << "vendor file" << QStringList{"106", "110", "142"};
        QTest::newRow("working copy overwritten") << "garbage" << QStringList{"142"};
        QTest::newRow("home page cannot open") << "no browser" << QStringList{"122"};
        QTest::newRow("cursor file unreadable") << "bad cursor" << QStringList{"120"};
    }
    void failingStepsAreReportedAndTheWindowStillLoads()
    {
        QFETCH(QString, obstacle);
        QFETCH(QStringList, failedLines);
        TestMachine machine(obstacle != QLatin1String("no pristine"));
        auto writeFile = [](const QString &path, const QByteArray &bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        if (obstacle == QLatin1String("root file")) {
            machine.platform.commonRoot += QStringLiteral("/file");
            writeFile(machine.platform.commonRoot, "x");
        } else if (obstacle == QLatin1String("vendor file")) {
            writeFile(machine.platform.commonRoot + QStringLiteral("/Brennick"), "x");
        } else if (obstacle == QLatin1String("garbage")) {
            QDir().mkpath(machine.dataFolder());
            writeFile(machine.workingCopy(), QByteArray(4096, '\x7f'));
        } else if (obstacle == QLatin1String("no browser")) {
            machine.platform.randoms = {0.065};
            machine.platform.startFails = true;
        } else if (obstacle == QLatin1String("bad cursor")) {
            writeFile(machine.platform.program + QStringLiteral("/HAND-M.CUR"), "not a cursor");
        }

        Form1 form(machine.platform);
        form.Form_Load();
        QCOMPARE(lines(machine.platform.boxes), failedLines);
        for (const auto &box : machine.platform.boxes) {
            QVERIFY(box.text.contains(QLatin1String("\r\nin Quillmap2021/08/31.Form1.Form_Load at line ")));
            QCOMPARE(box.style, 48);
            QCOMPARE(box.title, QStringLiteral("Application Error"));
        }
        // The rest of start-up still ran.
        QCOMPARE(form.windowTitle(), QStringLiteral("Quillmap"));
        QCOMPARE(form.results().columnHeaderCount(), 3);
        form.show();
        QVERIFY(form.isVisible());
    }

    void exactBoxForAMissingPristineCopy()
    {
        TestMachine machine(false);
        Form1 form(machine.platform);
        form.Form_Load();
        QCOMPARE(machine.platform.boxes.size(), 2);
        QCOMPARE(machine.platform.boxes[0],
                 loadBox(QStringLiteral("Cannot read %1: No such file or directory").arg(machine.pristineCopy()),
                         110));
        QCOMPARE(machine.platform.boxes[1],
                 loadBox(QStringLiteral("Could not open %1: unable to open database file").arg(machine.workingCopy()),
                         142));
    }

    void homePageIsVisitedOnlyOnTheDrawOfSeven()
    {
        TestMachine machine;
        machine.platform.randoms = {0.5, 0.065};
        { Form1 form(machine.platform); form.Form_Load(); }
        QCOMPARE(machine.platform.startedCommands, QList<QStringList>{});
        { Form1 form(machine.platform); form.Form_Load(); }
        QCOMPARE(machine.platform.startedCommands,
                 (QList<QStringList>{{"xdg-open", "https://quillmap.example/"}}));
        QCOMPARE(machine.platform.boxes, Boxes{});
    }

    void theCursorFileBecomesTheHoverPointer()
    {
        TestMachine machine;
        Form1 form(machine.platform);
        form.Form_Load();
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        form.setMousePointer(Form1::vbCustom);
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(form.cursor().hotSpot(), QPoint(7, 1));
        QCOMPARE(form.cursor().pixmap().size(), QSize(32, 32));
        form.setMousePointer(Form1::vbDefault);
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    }

    void missingCursorFileIsNoError()
    {
        TestMachine machine;
        QFile::remove(machine.platform.program + QStringLiteral("/HAND-M.CUR"));
        Form1 form(machine.platform);
        form.Form_Load();
        QCOMPARE(machine.platform.boxes, Boxes{});
        form.setMousePointer(Form1::vbCustom);
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    }

    void resetAnsweredNoChangesNothing()
    {
        TestMachine machine;
        Form1 form(machine.platform);
        form.Form_Load();
        addRow(machine.workingCopy(), kAddedZip, QStringLiteral("Added"), QStringLiteral("ZZ"));
        search(form, kAddedZip);
        machine.platform.answers = {Platform::No};
        form.PushButton2_Click();
        QCOMPARE(machine.platform.boxes,
                 (Boxes{{"Are you sure you want to reset the database?", 4, "Reset Database"}}));
        QCOMPARE(machine.platform.yields, 0);
        QCOMPARE(form.results().count(), 1);
        QCOMPARE(search(form, kAddedZip), QStringList{"99999|Added"});
    }

    void resetRestoresThePristineRows_data()
    {
        QTest::addColumn<bool>("closedBefore");
        QTest::newRow("connection open") << false;
        QTest::newRow("connection already closed") << true;
    }
    void resetRestoresThePristineRows()
    {
        QFETCH(bool, closedBefore);
        TestMachine machine;
        Form1 form(machine.platform);
        form.Form_Load();
        addRow(machine.workingCopy(), kAddedZip, QStringLiteral("Added"), QStringLiteral("ZZ"));
        QCOMPARE(search(form, kAddedZip).size(), 1);
        if (closedBefore)
            form.connection()->close();

        machine.platform.answers = {Platform::Yes};
        int openDuringYields = -1;
        machine.platform.onYield = [&](int) { openDuringYields = form.connection()->state(); };
        form.PushButton2_Click();

        QCOMPARE(machine.platform.boxes.size(), 1); // the question alone
        QCOMPARE(machine.platform.yields, 2);
        QCOMPARE(openDuringYields, 0);
        QCOMPARE(form.results().count(), 1); // the list is left as it was
        QCOMPARE(fileBytes(machine.workingCopy()), fileBytes(machine.pristineCopy()));
        QCOMPARE(form.connection()->state(), int(ZipConnection::Open));
        QCOMPARE(search(form, kAddedZip), QStringList{});
    }

    void aFailedResetCopyKeepsServingTheOldRows()
    {
        TestMachine machine;
        Form1 form(machine.platform);
        form.Form_Load();
        addRow(machine.workingCopy(), kAddedZip, QStringLiteral("Added"), QStringLiteral("ZZ"));
        QFile::remove(machine.pristineCopy());
        machine.platform.answers = {Platform::Yes};
        form.PushButton2_Click();
        QCOMPARE(lines(machine.platform.boxes.mid(1)), QStringList{"108"});
        QVERIFY(machine.platform.boxes[1].text.contains(QLatin1String("PushButton2_Click at line 108")));
        QCOMPARE(search(form, kAddedZip), QStringList{"99999|Added"});
    }

    void resetRepairsAnUnreadableWorkingCopy()
    {
        TestMachine machine;
        QDir().mkpath(machine.dataFolder());
        QFile garbage(machine.workingCopy());
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(10000, 'z'));
        garbage.close();
        Form1 form(machine.platform);
        form.Form_Load();
        QCOMPARE(lines(machine.platform.boxes), QStringList{"142"});

        machine.platform.boxes.clear();
        machine.platform.answers = {Platform::Yes};
        form.PushButton2_Click();
        QCOMPARE(machine.platform.boxes.size(), 1);
        QCOMPARE(search(form, QStringLiteral("02134")), QStringList{"02134|Allston"});
    }

    void shutdownClosesAndReleasesTheConnection()
    {
        TestMachine machine;
        Form1 form(machine.platform);
        form.Form_Load();
        form.Form_QueryUnload();
        QCOMPARE(machine.platform.boxes, Boxes{});
        QCOMPARE(form.connection(), nullptr);
        QCOMPARE(machine.platform.yields, 2);
    }

    void shutdownWithoutAConnectionReportsLine100Twice()
    {
        TestMachine machine;
        Form1 form(machine.platform); // never loaded: no connection was created
        form.Form_QueryUnload();
        const auto box = errorBox(QStringLiteral("Object variable or With block variable not set"),
                                  QStringLiteral("Form_QueryUnload"), 100);
        QCOMPARE(machine.platform.boxes, (Boxes{box, box}));
        QCOMPARE(machine.platform.yields, 2);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
