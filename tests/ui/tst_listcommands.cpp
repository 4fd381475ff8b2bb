// A person's list pasted into the results list or read from a file, and the list copied and saved
// for a spreadsheet, on a machine of its own with the shipped data, boxes and dialogs scripted.
#include "ListCommands.h"
#include "PlaceCommands.h"
#include "WindowFixture.h"
#include "WindowPointer.h"

#include <QTreeView>

class TestListCommands : public QObject, LoadedFormTest
{
    Q_OBJECT

    QStringList rowsWithTicks() const
    {
        QStringList rows = listedRows(*form);
        for (int row = 0; row < rows.size(); ++row)
            rows[row] += form->results().ticked(row) ? QStringLiteral(" ticked") : QString();
        return rows;
    }

private slots:
    void init() { loadForm(); }
    void cleanup()
    {
        QCOMPARE(form->pointer().value(), WindowPointer::Default);
        dropForm();
    }

    // One row a line in the pasted order, each ticked: a found ZIP as the store names it, any
    // other line as pasted. A file chosen in the Open dialog is read the same way.
    void listedLineForLine_data()
    {
        QTest::addColumn<bool>("fromFile");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("box");
        const QString allston = QStringLiteral("02134|Allston|MA ticked");
        const QString newYork = QStringLiteral("10001|New York|NY ticked");
        QTest::newRow("a spreadsheet column, its header dropped")
            << false << "ZIP\n02134\n10001\n02134\n" << QStringList{allston, newYork, allston}
            << "3 rows: 3 found, 0 unknown, 0 not a ZIP.";
        QTest::newRow("ZIP+4, lost zeros, floats") << false << "02134-1234\n2134\n501\n2134.0\n"
                                                   << QStringList{allston, allston, "00501|Holtsville|NY ticked", allston}
                                                   << "4 rows: 4 found, 0 unknown, 0 not a ZIP.";
        QTest::newRow("tab-separated cells, the ZIPs second")
            << false << "Acme, Inc.\t02134\tBoston\nZenith\t99999\tNowhere\n"
            << QStringList{allston, "99999|| ticked"} << "2 rows: 1 found, 1 unknown, 0 not a ZIP.";
        QTest::newRow("blank and junk lines kept in place")
            << false << "10001\n\nhello\n02134" << QStringList{newYork, "|| ticked", "hello|| ticked", allston}
            << "4 rows: 2 found, 0 unknown, 2 not a ZIP.";
        QTest::newRow("CR LF") << false << "10001\r\n02134\r\n" << QStringList{newYork, allston}
                               << "2 rows: 2 found, 0 unknown, 0 not a ZIP.";
        QTest::newRow("a CSV file") << true << "Name,Zip Code\r\n\"Doe, J\",02134\r\nRoe,x\r\n"
                                    << QStringList{allston, "x|| ticked"} << "2 rows: 1 found, 0 unknown, 1 not a ZIP.";
    }
    void listedLineForLine()
    {
        QFETCH(bool, fromFile);
        QFETCH(QString, text);
        QFETCH(QStringList, rows);
        QFETCH(QString, box);
        searchThrough(*form, QStringLiteral("3053"));
        if (fromFile) {
            const QString path = machine->dir.filePath(QStringLiteral("orders.csv"));
            writeFile(path, text.toUtf8());
            platform().openPaths = {path};
            form->listCommands().lookUpListFile();
        } else {
            platform().clipboard = text;
            form->listCommands().pasteZips();
        }
        QCOMPARE(rowsWithTicks(), rows);
        QCOMPARE(platform().boxes, Boxes{::box(box)});
    }

    // A list the reader refuses leaves the list as it was, and the box says why and where.
    void refusedListsLeaveTheList_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("box");
        QTest::newRow("empty") << "" << "The clipboard: the list is empty.";
        QTest::newRow("open quote") << "02134\n\"10001\n" << "The clipboard, line 2: a quote that never closes.";
    }
    void refusedListsLeaveTheList()
    {
        QFETCH(QString, clipboard);
        QFETCH(QString, box);
        const QStringList listed = searchThrough(*form, QStringLiteral("3053"));
        platform().clipboard = clipboard;
        form->listCommands().pasteZips();
        QCOMPARE(listedRows(*form), listed);
        QCOMPARE(platform().boxes, Boxes{::box(box)});
    }

    // The ticked rows as cells, the lookup's columns after the ZIP, on the clipboard or in a CSV
    // file with a byte-order mark; after ZIPs Near with each row's miles.
    void spreadsheetCells_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<bool>("near");
        QTest::addColumn<QByteArray>("cells");
        const QByteArray header =
            "ZIP\tCity\tState\tCounty\tLatitude\tLongitude\tTimeZone\tCounties\tPopulation\tKind\tOther Names\tMatch";
        const QByteArray allston =
            "02134\tAllston\tMA\tSuffolk\t42.3535\t-71.1329\tAmerica/New_York\tSuffolk 99.6%; Middlesex 0.4%\t17969\tarea\t\tfound";
        QTest::newRow("copied") << false << false
                                << header + "\r\n" + allston + "\r\nhello\t\t\t\t\t\t\t\t\t\t\tnot a ZIP\r\n";
        QTest::newRow("saved") << true << false
                               << QByteArray("\xEF\xBB\xBF") + QByteArray(header).replace('\t', ',')
                                      + "\r\n" + QByteArray(allston).replace('\t', ',') + "\r\nhello,,,,,,,,,,,not a ZIP\r\n";
        QTest::newRow("after ZIPs Near")
            << false << true << header + "\tMiles\r\n" + allston + "\t0.00\r\n";
    }
    void spreadsheetCells()
    {
        QFETCH(bool, save);
        QFETCH(bool, near);
        QFETCH(QByteArray, cells);
        platform().clipboard = QStringLiteral("02134\nhello\n10001\n");
        form->listCommands().pasteZips();
        form->results().setTicked({2}, false);
        if (near) {
            form->findChild<QTreeView *>(QStringLiteral("ListView1"))->setCurrentIndex(form->results().index(0, 0));
            platform().typed = {QStringLiteral("0.1")};
            form->placeCommands().listZipsNear();
            form->searchCommands().tickAll();
        }
        const QString path = machine->dir.filePath(QStringLiteral("cells.csv"));
        platform().savePaths = {path};
        save ? form->listCommands().saveForSpreadsheet() : form->listCommands().copyForSpreadsheet();
        QCOMPARE(save ? fileBytes(path) : platform().clipboard.toUtf8(), cells);
    }
};

QTEST_MAIN(TestListCommands)
#include "tst_listcommands.moc"
