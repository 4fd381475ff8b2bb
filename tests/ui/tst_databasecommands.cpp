#include "DatabaseCommands.h"
#include "Form1.h"
#include "FormSearch.h"
#include "ResultsModel.h"
#include "SearchCommands.h"
#include "TestMachine.h"
#include "WindowFixture.h"
#include "ZipStore.h"
#include "ZipSession.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

namespace {

const QString kAddedZip = QStringLiteral("99999");

const ScriptedPlatform::Box kResetQuestion{QStringLiteral("Are you sure you want to reset the database?"), Platform::YesNo,
                                           QStringLiteral("Reset Database")};

} // namespace

class TestDatabaseCommands : public QObject, LoadedFormTest
{
    Q_OBJECT

private slots:
    void init()
    {
        loadForm();
        addRow(machine->workingCopy(), kAddedZip, QStringLiteral("Added"), QStringLiteral("ZZ"));
    }
    void cleanup() { dropForm(); }

    void resetAnsweredNoChangesNothing()
    {
        searchThrough(*form, kAddedZip);
        platform().answers = {Platform::No};
        form->databaseCommands().resetDatabase();
        QCOMPARE(platform().boxes, Boxes{kResetQuestion});
        QCOMPARE(platform().yields, 0);
        QCOMPARE(form->results().rowCount(), 1);
        QCOMPARE(searchThrough(*form, kAddedZip), QStringList{"99999|Added|ZZ"});
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
        QCOMPARE(searchThrough(*form, kAddedZip).size(), 1);
        if (closedBefore)
            form->zipSession().store().close();

        platform().answers = {Platform::Yes};
        int openDuringYields = -1;
        platform().onYield = [&](int) { openDuringYields = int(form->zipSession().store().isOpen()); };
        form->databaseCommands().resetDatabase();

        QCOMPARE(platform().boxes, Boxes{kResetQuestion});
        QCOMPARE(platform().yields, 2);
        QCOMPARE(openDuringYields, 0);
        QCOMPARE(form->results().rowCount(), 1); // the list is left as it was
        QCOMPARE(rowsOf(machine->workingCopy()), rowsOf(machine->pristineCopy()));
        QVERIFY(form->zipSession().store().isOpen());
        QCOMPARE(searchThrough(*form, kAddedZip), QStringList{});
    }

    void aFailedResetCopyKeepsServingTheOldRows()
    {
        QFile::remove(machine->pristineCopy());
        platform().answers = {Platform::Yes};
        form->databaseCommands().resetDatabase();
        QCOMPARE(platform().boxes.size(), 2);
        QVERIFY(platform().boxes[1].text.contains(QLatin1String("Form1.PushButton2_Click at line 108\r")));
        QCOMPARE(searchThrough(*form, kAddedZip), QStringList{"99999|Added|ZZ"});
    }

    void resetRepairsAWorkingCopyThatFailsAtStartUp_data()
    {
        QTest::addColumn<bool>("onePage");
        QTest::addColumn<QString>("failure");
        QTest::newRow("no database at all") << false << "file is not a database";
        QTest::newRow("one damaged page") << true << "database disk image is malformed";
    }
    void resetRepairsAWorkingCopyThatFailsAtStartUp()
    {
        QFETCH(bool, onePage);
        QFETCH(QString, failure);
        form.reset();
        QByteArray bytes = fileBytes(machine->workingCopy());
        if (onePage)
            bytes.replace(bytes.size() / 2 / 4096 * 4096, 4096, QByteArray(4096, '\xa5'));
        else
            bytes = QByteArray(10000, 'z');
        writeFile(machine->workingCopy(), bytes);
        form = std::make_unique<Form1>(platform());
        form->load();
        QCOMPARE(platform().boxes.size(), 1);
        QVERIFY2(platform().boxes[0].text.startsWith(failure), qPrintable(platform().boxes[0].text));
        QVERIFY(platform().boxes[0].text.contains(QLatin1String("Form1.Form_Load at line 142\r")));

        platform().boxes.clear();
        platform().answers = {Platform::Yes};
        form->databaseCommands().resetDatabase();
        QCOMPARE(platform().boxes, Boxes{kResetQuestion});
        QCOMPARE(searchThrough(*form, QStringLiteral("02134")), QStringList{"02134|Allston|MA"});
        QCOMPARE(rowsOf(machine->workingCopy()), rowsOf(machine->pristineCopy()));
    }

    void shutdownClosesAndReleasesTheConnection()
    {
        form->closeRequest();
        form->closeRequest(); // the session's end after the window's close runs nothing again
        QCOMPARE(platform().boxes, Boxes{});
        QVERIFY(!form->zipSession().exists());
        QCOMPARE(platform().yields, 2);
    }

    void shutdownWithoutAConnectionReportsLine100Twice()
    {
        Form1 neverLoaded(platform()); // no connection was ever created
        neverLoaded.closeRequest();
        const auto box = errorBox(QStringLiteral("Object variable or With block variable not set"),
                                  QStringLiteral("Form_QueryUnload"), 100);
        QCOMPARE(platform().boxes, (Boxes{box, box}));
        QCOMPARE(platform().yields, 2);
    }
};

QTEST_MAIN(TestDatabaseCommands)
#include "tst_databasecommands.moc"
