#include "ClipboardText.h"
#include "ExportProgress.h"
#include "ListFixture.h"
#include "ResultsModel.h"
#include "WriterFailure.h"

#include <QTest>

class TestClipboardText : public QObject
{
    Q_OBJECT

private slots:
    void textMatchesItsGolden_data()
    {
        QTest::addColumn<QList<ListRow>>("rows");
        QTest::addColumn<QString>("goldenFile");
        const QList<ListRow> commerce{{{"30530", "Commerce", "GA"}, true},
                                      {{"30531", "Cornelia", "GA"}, false},
                                      {{"30534", "Dawsonville", "GA"}, true}};
        QTest::newRow("Commerce and Dawsonville: the unticked row still counts") << commerce << "clipboard_example.txt";
        QTest::newRow("empty last cell: the line ends in the TAB")
            << QList<ListRow>{{{"30530", "Commerce", ""}, true}, {{"30534", "Dawsonville", "GA"}, true}}
            << "clipboard_empty_last_cell.txt";
        QTest::newRow("one row") << QList<ListRow>{{{"02134", "Allston", "MA"}, true}} << "clipboard_one_row.txt";
        QTest::newRow("blanks of a cell stay inside the line, not at its end")
            << QList<ListRow>{{{"1 ", "City  ", "ST  "}, true}, {{"22", "Town", "S"}, true}}
            << "clipboard_blanks_in_cells.txt";
        QList<ListRow> unticked = commerce;
        for (ListRow &row : unticked)
            row.ticked = false;
        QTest::newRow("no tick: the empty text") << unticked << "clipboard_no_tick.txt";
    }

    void textMatchesItsGolden()
    {
        QFETCH(QList<ListRow>, rows);
        QFETCH(QString, goldenFile);
        ResultsModel model;
        fillList(model, rows);
        const std::optional<QString> text = clipboardTextOf(model, ExportProgress{});
        QVERIFY(text.has_value());
        QCOMPARE(text->toUtf8(), golden(goldenFile));
    }

    void anEmptyListGivesNoText()
    {
        ResultsModel model;
        fillList(model, {});
        QVERIFY(!clipboardTextOf(model, ExportProgress{}).has_value());
    }

    void yieldsBeforeEveryCellAndRow()
    {
        ResultsModel model;
        fillList(model, {{{"30530", "Commerce", "GA"}, true}, {{"30531", "Cornelia", "GA"}, false}});
        int yields = 0;
        QVERIFY(clipboardTextOf(model, ExportProgress{[&] { ++yields; }, {}, {}}).has_value());
        // Measuring 3 x 2 cells, then 2 rows and the 3 cells of the ticked one.
        QCOMPARE(yields, 6 + 2 + 3);
    }

    void aListEmptiedUnderTheBuilderFails()
    {
        ResultsModel model;
        fillList(model, {{{"30530", "Commerce", "GA"}, true}});
        QVERIFY_THROWS_EXCEPTION(WriterFailure,
                                 clipboardTextOf(model, ExportProgress{[&] { model.clear(); }, {}, {}}));
    }
};

QTEST_GUILESS_MAIN(TestClipboardText)
#include "tst_clipboardtext.moc"
