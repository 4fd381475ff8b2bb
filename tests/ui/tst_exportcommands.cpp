#include "CaptionProgressBar.h"
#include "ExportCommands.h"
#include "Form1.h"
#include "ListFixture.h"
#include "ResultsModel.h"
#include "TestMachine.h"
#include "WindowPointer.h"
#include "XlsxSheet.h"

#include <QDir>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <functional>

namespace {

using Box = ScriptedPlatform::Box;
using Boxes = QList<Box>;

const QString kTitle = QStringLiteral("Quillmap");
const Box kDone{QStringLiteral("Done."), Platform::OkOnly, kTitle};
const Box kCopied{QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where you normally "
                                 "type and press Ctrl+V to paste the clipboard."),
                  Platform::OkOnly, kTitle};
const Box kProbeMessage{QStringLiteral("Excel is not installed on this computer. You need to have it installed to use "
                                       "this software without error."),
                        Platform::OkOnly, kTitle};
const Box kCommandMessage{QStringLiteral("Excel is not installed on this computer. You need to have it installed to "
                                         "use this feature."),
                          Platform::OkOnly, kTitle};
const QStringList kSoffice{QStringLiteral("soffice"), QStringLiteral("-n")};

Box overwriteQuestion(const QString &path)
{
    return {QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"), Platform::YesNo, kTitle};
}

QList<ListRow> commerceRows()
{
    return {{{"30530", "Commerce", "GA"}, true}, {{"30531", "Cornelia", "GA"}, false}, {{"30534", "Dawsonville", "GA"}, true}};
}

} // namespace

class TestExportCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> machine;
    std::unique_ptr<Form1> form;
    // The pointer's busy state at each yield of the command.
    QList<bool> busyAtYields;

    ScriptedPlatform &platform() const { return machine->platform; }
    CaptionProgressBar *bar() const { return form->findChild<CaptionProgressBar *>(QStringLiteral("ProgressBar1")); }
    void click(const char *name) const { form->findChild<QPushButton *>(QLatin1String(name))->click(); }
    QString inDir(const char *name) const { return machine->dir.filePath(QLatin1String(name)); }
    void list(const QList<ListRow> &rows) const { fillList(form->results(), rows); }

    void checkAtRest() const
    {
        QCOMPARE(form->pointer().value(), WindowPointer::Default);
        QCOMPARE(bar()->value(), 0);
        QCOMPARE(bar()->text(), QStringLiteral("Progress Bar"));
    }

private slots:
    void init()
    {
        machine = std::make_unique<TestMachine>();
        platform().setAppTitle(kTitle);
        platform().temporaryFolderPath = machine->dir.path();
        form = std::make_unique<Form1>(platform());
        busyAtYields.clear();
        platform().onYield = [this](int) { busyAtYields.append(form->pointer().isBusy()); };
    }

    void cleanup()
    {
        form.reset();
        machine.reset();
    }

    // The text file

    void textExportWritesTheTickedRowsAndSaysDone_data()
    {
        QTest::addColumn<QList<ListRow>>("rows");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QString>("expected");
        QTest::newRow("new file") << workedExample() << "zips.txt" << false << "worked_example.txt";
        QTest::newRow("Yes replaces an existing file whole") << workedExample() << "zips.txt" << true << "worked_example.txt";
        QTest::newRow("a name without extension used as typed") << QList<ListRow>{} << "zips" << false << "empty_list.txt";
    }
    void textExportWritesTheTickedRowsAndSaysDone()
    {
        QFETCH(QList<ListRow>, rows);
        QFETCH(QString, name);
        QFETCH(bool, fileExists);
        QFETCH(QString, expected);
        list(rows);
        const QString path = machine->dir.filePath(name);
        if (fileExists)
            writeFile(path, QByteArray(1000, 'x'));
        platform().savePaths = {path};
        platform().answers = {Platform::Yes};
        click("PushButton6");
        QCOMPARE(fileBytes(path), golden(expected));
        QCOMPARE(QDir(machine->dir.path()).entryList(QDir::Files), QStringList{name});
        QCOMPARE(platform().boxes, fileExists ? (Boxes{overwriteQuestion(path), kDone}) : Boxes{kDone});
        QVERIFY(!busyAtYields.isEmpty());
        QVERIFY(!busyAtYields.contains(false));
        checkAtRest();
    }

    void cancelOrNoLeavesTheFileUntouched_data()
    {
        QTest::addColumn<bool>("chooseFile");
        QTest::addColumn<bool>("fileExists");
        QTest::newRow("dialog cancelled") << false << true;
        QTest::newRow("No to overwriting") << true << true;
        QTest::newRow("dialog cancelled, no file") << false << false;
    }

    void cancelOrNoLeavesTheFileUntouched()
    {
        QFETCH(bool, chooseFile);
        QFETCH(bool, fileExists);
        list(workedExample());
        const QString path = inDir("zips.txt");
        if (fileExists)
            writeFile(path, "keep me\r\n");
        if (chooseFile)
            platform().savePaths = {path};
        platform().answers = {Platform::No};
        click("PushButton6");
        QCOMPARE(platform().boxes, chooseFile ? Boxes{overwriteQuestion(path)} : Boxes{});
        QCOMPARE(QFile::exists(path), fileExists);
        if (fileExists)
            QCOMPARE(fileBytes(path), QByteArray("keep me\r\n"));
        QVERIFY(busyAtYields.isEmpty());
        checkAtRest();
    }

    // The clipboard

    void copyPutsTheTickedRowsOnTheClipboard()
    {
        list(commerceRows());
        bar()->setValue(37);
        QStringList captionsAtYields;
        platform().onYield = [&](int) {
            busyAtYields.append(form->pointer().isBusy());
            captionsAtYields.append(bar()->text() + QLatin1Char(' ') + QString::number(bar()->value()));
        };
        click("PushButton18");
        QCOMPARE(platform().clipboard.toUtf8(), golden(QStringLiteral("clipboard_example.txt")));
        QCOMPARE(platform().boxes, Boxes{kCopied});
        // The caption is the only progress: the bar's position stays where it was.
        QVERIFY(!captionsAtYields.isEmpty());
        QCOMPARE(captionsAtYields.first(), QStringLiteral("Copying text to clipboard.. please wait.. 37"));
        QCOMPARE(captionsAtYields.count(captionsAtYields.first()), captionsAtYields.size());
        QVERIFY(!busyAtYields.contains(false));
        QCOMPARE(bar()->text(), QStringLiteral("Progress Bar"));
        QCOMPARE(bar()->value(), 37);
        QCOMPARE(form->pointer().value(), WindowPointer::Default);
    }

    void copyOfAListWithoutTicks_data()
    {
        QTest::addColumn<QList<ListRow>>("rows");
        QTest::addColumn<QString>("clipboard");
        QTest::newRow("empty list: the clipboard keeps its text") << QList<ListRow>{} << "before";
        QList<ListRow> unticked = commerceRows();
        for (ListRow &row : unticked)
            row.ticked = false;
        QTest::newRow("no tick: the clipboard is emptied") << unticked << "";
    }

    void copyOfAListWithoutTicks()
    {
        QFETCH(QList<ListRow>, rows);
        QFETCH(QString, clipboard);
        list(rows);
        platform().clipboard = QStringLiteral("before");
        click("PushButton18");
        QCOMPARE(platform().clipboard, clipboard);
        QCOMPARE(platform().boxes, Boxes{kCopied});
        checkAtRest();
    }

    void aClipboardThatIgnoresTheText_data()
    {
        QTest::addColumn<int>("refusals");
        QTest::addColumn<bool>("copied");
        QTest::newRow("taken at the last attempt") << 999 << true;
        QTest::newRow("never taken") << 1000 << false;
    }

    void aClipboardThatIgnoresTheText()
    {
        QFETCH(int, refusals);
        QFETCH(bool, copied);
        list(commerceRows());
        platform().clipboard = QStringLiteral("before");
        platform().clipboardRefusals = refusals;
        click("PushButton18");
        QCOMPARE(platform().clipboardAttempts, 1000);
        // A pause between attempts, none after the last.
        QCOMPARE(platform().pauses.size(), 999);
        QVERIFY(*std::min_element(platform().pauses.cbegin(), platform().pauses.cend()) > 0);
        if (copied) {
            QCOMPARE(platform().clipboard.toUtf8(), golden(QStringLiteral("clipboard_example.txt")));
            QCOMPARE(platform().boxes, Boxes{kCopied});
        } else {
            QCOMPARE(platform().boxes,
                     Boxes{errorBox(QStringLiteral("The clipboard did not take the text."), QStringLiteral("PushButton18_Click"), 110)});
        }
        checkAtRest();
    }

    // The workbook

    void aWorkbookThatCannotStartStartsNothing_data()
    {
        QTest::addColumn<QList<ListRow>>("rows");
        QTest::addColumn<QStringList>("spreadsheet");
        QTest::addColumn<Boxes>("boxes");
        QTest::newRow("without a spreadsheet program: two messages")
            << workedExample() << QStringList{} << Boxes{kProbeMessage, kCommandMessage};
        QTest::newRow("an empty list: nothing said") << QList<ListRow>{} << kSoffice << Boxes{};
    }
    void aWorkbookThatCannotStartStartsNothing()
    {
        QFETCH(QList<ListRow>, rows);
        QFETCH(QStringList, spreadsheet);
        QFETCH(Boxes, boxes);
        list(rows);
        platform().spreadsheet = spreadsheet;
        click("PushButton12");
        QCOMPARE(platform().boxes, boxes);
        QCOMPARE(platform().startedCommands, {});
        QVERIFY(busyAtYields.isEmpty());
        QCOMPARE(QDir(machine->dir.path()).entryList({QStringLiteral("*.xlsx")}), {});
        checkAtRest();
    }

    void theWorkbookOpensAsANewDocumentAndOutlivesTheProgram()
    {
        list({{{"02134", "Allston", "MA"}, true},
              {{"10001", "New York", "NY"}, false},
              {{"=60601", "Chi=cago", "=IL="}, true},
              {{"00601", "==", "PR"}, true}});
        platform().spreadsheet = kSoffice;
        click("PushButton12");
        QCOMPARE(platform().boxes, {});
        QCOMPARE(platform().startedCommands.size(), 1);
        const QStringList command = platform().startedCommands.first();
        QCOMPARE(command.mid(0, 2), kSoffice);
        QCOMPARE(command.size(), 3);
        const QString path = command.last();
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(machine->dir.path()).absoluteFilePath());
        QVERIFY(path.endsWith(QStringLiteral(".xlsx")));
        QVERIFY(!busyAtYields.contains(false));

        const XlsxSheet sheet = XlsxSheet::read(path);
        QCOMPARE(sheet.error, QString());
        // List row r in sheet row r + 1; the unticked row 2 leaves sheet row 3 empty. "=" goes
        // from the second column on, the zip keeps it.
        QCOMPARE(sheet.rows(), (QList<int>{1, 2, 4, 5}));
        QCOMPARE(sheet.rowTexts(1), (QStringList{"Zip", "City", "State"}));
        QCOMPARE(sheet.rowTexts(2), (QStringList{"02134", "Allston", "MA"}));
        QCOMPARE(sheet.rowTexts(4), (QStringList{"=60601", "Chicago", "IL"}));
        QCOMPARE(sheet.rowTexts(5), (QStringList{"00601", "", "PR"}));
        for (const XlsxSheet::Cell &cell : sheet.cells)
            QCOMPARE(cell.numberFormat, 49);
        QVERIFY(sheet.columnWidths.value(2) > sheet.columnWidths.value(3));
        checkAtRest();

        // The spreadsheet program may read the file at any time, after the program ended too.
        form.reset();
        QVERIFY(QFile::exists(path));
    }

    // A failure in a writer is reported once, at the writer's step, and ends the export there.
    void aWriterFailureIsReportedAtItsLine_data()
    {
        using Arrange = std::function<void(TestExportCommands &)>;
        QTest::addColumn<QString>("button");
        QTest::addColumn<Arrange>("arrange");
        QTest::addColumn<QString>("location");
        auto emptyListAtYield = [](int yield) {
            return [yield](TestExportCommands &t) {
                t.platform().onYield = [&t, yield](int count) {
                    if (count == yield)
                        t.form->results().clear();
                };
            };
        };
        const Arrange savingToZips = [](TestExportCommands &t) { t.platform().savePaths = {t.inDir("zips.txt")}; };
        QTest::newRow("text file that cannot be created")
            << "PushButton6" << Arrange([](TestExportCommands &t) { t.platform().savePaths = {t.inDir("missing/zips.txt")}; })
            << "Main.SaveListviewProperlySpaced at line 156";
        // Yield 19 of the text file: the first row's, after measuring (9), the header (3) and the
        // bar's three stages (2 each); yield 4 of the workbook: the first row's, after the header.
        QTest::newRow("list emptied under the text file's rows")
            << "PushButton6" << Arrange([=](TestExportCommands &t) {
                   savingToZips(t);
                   emptyListAtYield(19)(t);
               })
            << "Main.SaveListviewProperlySpaced at line 188";
        QTest::newRow("workbook file that cannot be made")
            << "PushButton12" << Arrange([](TestExportCommands &t) { t.platform().temporaryFolderPath = t.inDir("missing"); })
            << "Form1.PushButton12_Click at line 114";
        QTest::newRow("list emptied under the workbook's rows")
            << "PushButton12" << Arrange(emptyListAtYield(4)) << "Form1.PushButton12_Click at line 144";
        QTest::newRow("list emptied under the clipboard's measuring")
            << "PushButton18" << Arrange(emptyListAtYield(1)) << "Form1.PushButton18_Click at line 110";
    }

    void aWriterFailureIsReportedAtItsLine()
    {
        QFETCH(QString, button);
        QFETCH(std::function<void(TestExportCommands &)>, arrange);
        QFETCH(QString, location);
        list(workedExample());
        platform().spreadsheet = kSoffice;
        arrange(*this);
        click(button.toLatin1().constData());
        QCOMPARE(platform().boxes.size(), 1);
        const Box box = platform().boxes.first();
        QVERIFY2(box.text.contains(QStringLiteral("\r\nin Quillmap2021/08/31.") + location + QStringLiteral("\r\r")),
                 qPrintable(box.text));
        QCOMPARE(box.title, QStringLiteral("Application Error"));
        QCOMPARE(QDir(machine->dir.path()).entryList({QStringLiteral("zips.txt"), QStringLiteral("*.xlsx")}), {});
        QCOMPARE(platform().startedCommands, {});
        checkAtRest();
    }

    // The busy guard

    void clearListAtAYieldInTheMiddleDoesNothing_data()
    {
        // What the export left, checked once it is over.
        using Check = std::function<void(const TestExportCommands &)>;
        QTest::addColumn<QString>("button");
        QTest::addColumn<Check>("checkOutput");
        QTest::addColumn<int>("boxes");
        QTest::newRow("text file") << "PushButton6" << Check([](const TestExportCommands &t) {
            QCOMPARE(fileBytes(t.inDir("zips.txt")).count('\n'), 3);
        }) << 1;
        QTest::newRow("clipboard") << "PushButton18" << Check([](const TestExportCommands &t) {
            QCOMPARE(t.platform().clipboard.toUtf8(), golden(QStringLiteral("clipboard_example.txt")));
        }) << 1;
        QTest::newRow("workbook") << "PushButton12" << Check([](const TestExportCommands &t) {
            QCOMPARE(t.platform().startedCommands.size(), 1);
            QCOMPARE(XlsxSheet::read(t.platform().startedCommands.first().last()).rows(), (QList<int>{1, 2, 4}));
        }) << 0;
    }

    void clearListAtAYieldInTheMiddleDoesNothing()
    {
        QFETCH(QString, button);
        QFETCH(std::function<void(const TestExportCommands &)>, checkOutput);
        QFETCH(int, boxes);
        list(commerceRows());
        platform().savePaths = {inDir("zips.txt")};
        platform().spreadsheet = kSoffice;
        platform().onYield = [&](int yield) {
            if (yield == 5)
                click("PushButton9");
        };
        click(button.toLatin1().constData());
        QCOMPARE(form->results().rowCount(), 3);
        checkOutput(*this);
        QCOMPARE(platform().boxes.size(), boxes);
        // Once the export is over, the list can be cleared again.
        click("PushButton9");
        QCOMPARE(form->results().rowCount(), 0);
    }
};

QTEST_MAIN(TestExportCommands)
#include "tst_exportcommands.moc"
