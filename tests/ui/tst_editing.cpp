#include "DatabaseCommands.h"
#include "Form1.h"
#include "ResultsModel.h"
#include "ResultsView.h"
#include "SearchCommands.h"
#include "TestMachine.h"
#include "WindowFixture.h"
#include "WindowPointer.h"
#include "ZipStore.h"
#include "ZipSession.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <memory>

namespace {

const QString kClosed = QStringLiteral("Operation is not allowed when the object is closed.");
const QString kNoCurrentRow = QStringLiteral("Object variable or With block variable not set");

ScriptedPlatform::Box deleteQuestion(const QString &zip)
{
    return box(QStringLiteral("Are you sure you want to delete %1?").arg(zip), Platform::YesNo,
               QStringLiteral("Delete Selected Zipcode"));
}

} // namespace

class TestEditing : public QObject, LoadedFormTest
{
    Q_OBJECT

    DatabaseCommands &commands() const { return form->databaseCommands(); }
    ResultsView *list() const { return form->findChild<ResultsView *>(QStringLiteral("ListView1")); }
    QLineEdit *searchBox() const { return form->findChild<QLineEdit *>(QStringLiteral("Text1")); }
    QStringList search(const QString &text) const { return searchThrough(*form, text); }
    void selectRow(int row) const { list()->setCurrentIndex(form->results().index(row, 0)); }
    QStringList storedRows(const QString &zip) const
    {
        return rowsOf(machine->workingCopy(), QStringLiteral("where ZipCode = '%1'").arg(zip));
    }

private slots:
    void init()
    {
        loadForm();
        QCOMPARE(platform().boxes, Boxes{});
    }
    void cleanup() { dropForm(); }

    void cancelAtAnyPromptAddsNothing_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("prompts");
        QTest::newRow("zip") << QStringList{} << QStringList{kZipPrompt};
        QTest::newRow("city") << QStringList{"00123"} << QStringList{kZipPrompt, kCityPrompt};
        QTest::newRow("state") << QStringList{"00123", "Springfield"} << QStringList{kZipPrompt, kCityPrompt, kStatePrompt};
    }
    void cancelAtAnyPromptAddsNothing()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, prompts);
        const QByteArray before = fileBytes(machine->workingCopy());
        platform().typed = typed;
        commands().addZip();
        QCOMPARE(platform().prompts, prompts);
        QCOMPARE(platform().boxes, Boxes{});
        QCOMPARE(fileBytes(machine->workingCopy()), before);
    }

    void anAddRefusedAfterTheZipPromptChangesNothing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        const QString notNumeric = QStringLiteral("Zip code must be a numerical value.");
        for (const char *zip : {"abc", "12a", "   ", "0x10", "inf"})
            QTest::newRow(zip) << QString::fromLatin1(zip) << notNumeric;
        // A number, but not a ZIP.
        const QString notFiveDigits = QStringLiteral("Zip code must be five digits, such as 02134.");
        for (const char *zip : {"123456", "1e3", "-123", "+123", "12.5", "1,000", " 1234567 "})
            QTest::newRow(zip) << QString::fromLatin1(zip) << notFiveDigits;
        // A ZIP with a row is reported in its five digits.
        QTest::newRow("with a row, as stored") << "30530" << "30530 already exists";
        QTest::newRow("with a row, leading zero left out") << "2134" << "02134 already exists";
        QTest::newRow("with a row, blanks around") << " 2134 " << "02134 already exists";
    }
    void anAddRefusedAfterTheZipPromptChangesNothing()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        const QByteArray before = fileBytes(machine->workingCopy());
        platform().typed = {typed, QStringLiteral("Second City"), QStringLiteral("ST")};
        commands().addZip();
        QCOMPARE(platform().prompts, QStringList{kZipPrompt});
        QCOMPARE(platform().boxes, Boxes{box(message)});
        QCOMPARE(fileBytes(machine->workingCopy()), before);
    }

    void anAddedRowIsStoredAsTypedAndListedByTheNextSearch()
    {
        const QStringList before = search(QStringLiteral("3053"));
        platform().typed = {QStringLiteral(" 123 "), QStringLiteral("O'Fallon"), QStringLiteral("MO")};
        commands().addZip();
        QCOMPARE(platform().prompts, (QStringList{kZipPrompt, kCityPrompt, kStatePrompt}));
        QCOMPARE(platform().boxes, Boxes{});
        QCOMPARE(listedRows(*form), before);
        QCOMPARE(storedRows(QStringLiteral("00123")), QStringList{"00123|O'Fallon|MO"});
        QVERIFY(search(QStringLiteral("O")).contains(QStringLiteral("00123|O'Fallon|MO")));
        QCOMPARE(search(QStringLiteral("O'F")), QStringList{"00123|O'Fallon|MO"});
        QCOMPARE(platform().boxes, Boxes{});
    }

    void anAddOnAClosedConnectionReportsEachFailingStep()
    {
        form->zipSession().store().close();
        platform().typed = {QStringLiteral("123"), QStringLiteral("City"), QStringLiteral("ST")};
        commands().addZip();
        QCOMPARE(platform().prompts, (QStringList{kZipPrompt, kCityPrompt, kStatePrompt}));
        QCOMPARE(platform().boxes, (Boxes{errorBox(kClosed, QStringLiteral("PushButton4_Click"), 108),
                                          errorBox(kClosed, QStringLiteral("PushButton4_Click"), 110),
                                          errorBox(kClosed, QStringLiteral("PushButton4_Click"), 120)}));
        QCOMPARE(storedRows(QStringLiteral("00123")), QStringList{});
    }

    void theExplanationOnlyExplains()
    {
        const QByteArray before = fileBytes(machine->workingCopy());
        commands().explainEditing();
        QCOMPARE(platform().boxes,
                 Boxes{box(QStringLiteral(
                     "If you need to add a zip code or city, state to the database you can do it here. Generally, you "
                     "do not need to use these features unless you really need to change the default data in the "
                     "database."))});
        QCOMPARE(platform().prompts, QStringList{});
        QCOMPARE(fileBytes(machine->workingCopy()), before);
    }

    void deleteOnAnEmptyListDoesNothing()
    {
        const QByteArray before = fileBytes(machine->workingCopy());
        searchBox()->setText(QStringLiteral("3053"));
        commands().deleteSelectedZip();
        QCOMPARE(platform().boxes, Boxes{});
        QCOMPARE(form->results().rowCount(), 0);
        QCOMPARE(fileBytes(machine->workingCopy()), before);
    }

    void deleteAnsweredNoChangesNothing()
    {
        const QStringList shown = search(QStringLiteral("0213"));
        selectRow(int(shown.indexOf(QStringLiteral("02134|Allston|MA"))));
        searchBox()->setText(QStringLiteral("3053"));
        const QByteArray before = fileBytes(machine->workingCopy());
        platform().answers = {Platform::No};
        commands().deleteSelectedZip();
        QCOMPARE(platform().boxes, Boxes{deleteQuestion(QStringLiteral("02134"))});
        QCOMPARE(listedRows(*form), shown);
        QCOMPARE(fileBytes(machine->workingCopy()), before);
    }

    void deleteRemovesEveryRowOfTheZipAndRefreshesTheList()
    {
        for (const char *city : {"Alpha", "Beta", "Gamma"})
            addRow(machine->workingCopy(), QStringLiteral("00123"), QLatin1String(city), QStringLiteral("ZZ"));
        addRow(machine->workingCopy(), QStringLiteral("00124"), QStringLiteral("Delta"), QStringLiteral("ZZ"));
        QCOMPARE(search(QStringLiteral("0012")),
                 (QStringList{"00123|Alpha|ZZ", "00123|Beta|ZZ", "00123|Gamma|ZZ", "00124|Delta|ZZ"}));
        selectRow(1);
        platform().answers = {Platform::Yes};
        commands().deleteSelectedZip();
        QCOMPARE(platform().boxes, Boxes{deleteQuestion(QStringLiteral("00123"))});
        QCOMPARE(listedRows(*form), QStringList{"00124|Delta|ZZ"});
        QCOMPARE(storedRows(QStringLiteral("00123")), QStringList{});
        QCOMPARE(storedRows(QStringLiteral("00124")), QStringList{"00124|Delta|ZZ"});
    }

    void deleteAfterTheSearchBoxWasEditedListsTheEditedSearch()
    {
        const QStringList expected = rowsOf(machine->workingCopy(), QStringLiteral("where ZipCode like '021%'"));
        const QStringList shown = search(QStringLiteral("3053"));
        selectRow(int(shown.indexOf(QStringLiteral("30530|Commerce|GA"))));
        searchBox()->setText(QStringLiteral("021"));
        platform().answers = {Platform::Yes};
        commands().deleteSelectedZip();
        QCOMPARE(platform().boxes, Boxes{deleteQuestion(QStringLiteral("30530"))});
        QCOMPARE(listedRows(*form), expected);
        QCOMPARE(storedRows(QStringLiteral("30530")), QStringList{});
        QCOMPARE(rowsOf(machine->workingCopy()).size(), rowsOf(machine->pristineCopy()).size() - 1);
    }

    void deleteWithNoCurrentRowReportsTwiceDeletesNothingAndSearches()
    {
        search(QStringLiteral("3053"));
        list()->setCurrentIndex({});
        searchBox()->setText(QStringLiteral("021"));
        const QStringList expected = rowsOf(machine->workingCopy(), QStringLiteral("where ZipCode like '021%'"));
        const QByteArray before = fileBytes(machine->workingCopy());
        platform().answers = {Platform::Yes};
        commands().deleteSelectedZip();
        QCOMPARE(platform().boxes, (Boxes{errorBox(kNoCurrentRow, QStringLiteral("PushButton13_Click"), 102),
                                          errorBox(kNoCurrentRow, QStringLiteral("PushButton13_Click"), 104)}));
        QCOMPARE(fileBytes(machine->workingCopy()), before);
        QCOMPARE(listedRows(*form), expected);
    }

    void editingWaitsWhileTheWindowIsBusy()
    {
        search(QStringLiteral("3053"));
        selectRow(0);
        const QByteArray before = fileBytes(machine->workingCopy());
        platform().typed = {QStringLiteral("123"), QStringLiteral("City"), QStringLiteral("ST")};
        platform().answers = {Platform::Yes};
        form->pointer().set(WindowPointer::Busy);
        commands().addZip();
        commands().deleteSelectedZip();
        form->pointer().set(WindowPointer::Default);
        QCOMPARE(platform().prompts, QStringList{});
        QCOMPARE(platform().boxes, Boxes{});
        QCOMPARE(fileBytes(machine->workingCopy()), before);
    }

    void aSearchTextTooLongForTheEngineListsNothingWithoutABox_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("60,000 bytes") << QString(60000, QLatin1Char('3'));
        QTest::newRow("25,000 é") << QString(25000, QChar(0xe9));
        QTest::newRow("20,000 wildcards") << QString(20000, QLatin1Char('%')) + QString(40000, QLatin1Char('_'));
    }
    void aSearchTextTooLongForTheEngineListsNothingWithoutABox()
    {
        QFETCH(QString, text);
        search(QStringLiteral("3053"));
        QCOMPARE(search(text), QStringList{});
        QCOMPARE(platform().boxes, Boxes{});
        QCOMPARE(form->pointer().value(), WindowPointer::Default);
    }

    void twoWindowsShareTheWorkingCopyAndItsReset()
    {
        Form1 other(platform());
        other.load();
        platform().typed = {QStringLiteral("123"), QStringLiteral("Mine"), QStringLiteral("ZZ")};
        commands().addZip();
        QCOMPARE(searchThrough(other, QStringLiteral("0012")), QStringList{"00123|Mine|ZZ"});

        platform().answers = {Platform::Yes};
        other.databaseCommands().resetDatabase();
        QCOMPARE(search(QStringLiteral("0012")), QStringList{});
        platform().typed = {QStringLiteral("124"), QStringLiteral("After"), QStringLiteral("ZZ")};
        commands().addZip();
        QCOMPARE(searchThrough(other, QStringLiteral("0012")), QStringList{"00124|After|ZZ"});
        QCOMPARE(platform().boxes, Boxes{box(QStringLiteral("Are you sure you want to reset the database?"),
                                             Platform::YesNo, QStringLiteral("Reset Database"))});
        QCOMPARE(QDir(machine->dataFolder()).entryList(QDir::Files), QStringList{"dbZipsWorking.mdb"});
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
