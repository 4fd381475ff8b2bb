#include "ResultsModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <stdexcept>

namespace {

void fill(ResultsModel &model, const QList<QStringList> &rows)
{
    ResultsModel::Appender list(model);
    for (const QStringList &row : rows) {
        list.addRow(row[0]);
        list.setSubItem(1, row[1]);
        list.setSubItem(2, row[2]);
    }
    list.commit();
}

void addColumns(ResultsModel &model)
{
    for (const char *caption : {"Zip", "City", "State"})
        model.addColumn(QLatin1String(caption));
}

} // namespace

class TestResults : public QObject
{
    Q_OBJECT

private slots:
    void cellsAreAddressedFromZero()
    {
        ResultsModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        addColumns(model);
        fill(model, {{"02134", "Allston", "MA"}, {"30530", "Commerce", "GA"}});
        QCOMPARE(model.columnHeaderCount(), 3);
        QCOMPARE(model.header(0), QStringLiteral("Zip"));
        QCOMPARE(model.header(2), QStringLiteral("State"));
        QCOMPARE(model.count(), 2);
        QCOMPARE(model.cell(0, 0), QStringLiteral("02134"));
        QCOMPARE(model.cell(1, 1), QStringLiteral("Commerce"));
        QCOMPARE(model.cell(1, 2), QStringLiteral("GA"));
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("02134"));
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("City"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, model.cell(-1, 0));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, model.cell(2, 0));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, model.cell(0, 3));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, model.header(3));
    }

    void rowsAreAddedInOneInsertion()
    {
        ResultsModel model;
        addColumns(model);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        fill(model, {{"1", "a", "A"}, {"2", "b", "B"}, {"3", "c", "C"}});
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 0);
        QCOMPARE(inserted.first().at(2).toInt(), 2);
        fill(model, {});
        QCOMPARE(inserted.size(), 1);
        fill(model, {{"4", "d", "D"}});
        QCOMPARE(model.cell(3, 1), QStringLiteral("d"));

        // Rows not committed never reach the list.
        {
            ResultsModel::Appender dropped(model);
            dropped.addRow(QStringLiteral("5"));
        }
        QCOMPARE(model.count(), 4);
        QCOMPARE(inserted.size(), 2);
    }

    void subItemsNeedARowAndAKnownIndex()
    {
        ResultsModel model;
        ResultsModel::Appender list(model);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.setSubItem(1, QStringLiteral("x")));
        list.addRow(QStringLiteral("1"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.setSubItem(3, QStringLiteral("x")));
    }

    void ticksStartClearAndGoWithTheirRows()
    {
        ResultsModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        addColumns(model);
        fill(model, {{"1", "a", "A"}, {"2", "b", "B"}, {"3", "c", "C"}});
        for (int row = 0; row < 3; ++row)
            QVERIFY(!model.ticked(row));
        QVERIFY(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsUserCheckable));
        QVERIFY(!model.flags(model.index(0, 1)).testFlag(Qt::ItemIsUserCheckable));

        QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(model.ticked(1));
        QCOMPARE(model.data(model.index(1, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(!model.setData(model.index(1, 1), Qt::Checked, Qt::CheckStateRole));

        model.setTicked({0, 2, 7}, true);
        QVERIFY(model.ticked(0) && model.ticked(1) && model.ticked(2));
        model.setTicked({0, 1}, false);
        QVERIFY(!model.ticked(0) && !model.ticked(1) && model.ticked(2));

        model.clear();
        QCOMPARE(model.count(), 0);
        QCOMPARE(model.columnHeaderCount(), 3);
        fill(model, {{"1", "a", "A"}, {"2", "b", "B"}, {"3", "c", "C"}});
        QVERIFY(!model.ticked(2));
    }
};

QTEST_GUILESS_MAIN(TestResults)
#include "tst_results.moc"
