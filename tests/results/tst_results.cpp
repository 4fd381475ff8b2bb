#include "ListFixture.h"
#include "ResultsModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <stdexcept>

namespace {

using Change = std::function<void(ResultsModel &)>;

// The signals a view hears, one "signal first last" entry each, the ticks' role named.
class SignalLog : public QStringList
{
public:
    explicit SignalLog(ResultsModel &model)
    {
        QObject::connect(&model, &QAbstractItemModel::modelReset, [this] { append(QStringLiteral("reset")); });
        QObject::connect(&model, &QAbstractItemModel::rowsInserted, [this](const QModelIndex &, int first, int last) {
            append(QStringLiteral("inserted %1 %2").arg(first).arg(last));
        });
        QObject::connect(&model, &QAbstractItemModel::dataChanged,
                         [this](const QModelIndex &from, const QModelIndex &to, const QList<int> &roles) {
                             append(QStringLiteral("changed %1,%2 %3,%4%5")
                                        .arg(from.row()).arg(from.column()).arg(to.row()).arg(to.column())
                                        .arg(roles == QList<int>{Qt::CheckStateRole} ? " tick" : ""));
                         });
    }
};

QList<ListRow> threeRows()
{
    return {{{"1", "a", "A"}}, {{"2", "b", "B"}}, {{"3", "c", "C"}}};
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
        fillList(model, {{{"02134", "Allston", "MA"}}, {{"30530", "Commerce", "GA"}}});
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.header(0), QStringLiteral("Zip"));
        QCOMPARE(model.header(2), QStringLiteral("State"));
        QCOMPARE(model.rowCount(), 2);
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

    // What a view is told of each change, so it never shows rows or ticks that are gone.
    void eachChangeIsSignalled_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("heard");
        QTest::newRow("clear") << Change([](ResultsModel &m) { m.clear(); }) << QStringList{"reset"};
        QTest::newRow("rows added in one insertion")
            << Change([](ResultsModel &m) { fillList(m, threeRows()); }) << QStringList{"inserted 3 5"};
        QTest::newRow("no rows added, nothing said") << Change([](ResultsModel &m) { fillList(m, {}); }) << QStringList{};
        QTest::newRow("a tick by the view")
            << Change([](ResultsModel &m) { m.setData(m.index(1, 0), Qt::Checked, Qt::CheckStateRole); })
            << QStringList{"changed 1,0 1,0 tick"};
        QTest::newRow("ticks by Space, an unknown row skipped")
            << Change([](ResultsModel &m) { m.setTicked({0, 2, 7}, true); })
            << QStringList{"changed 0,0 0,0 tick", "changed 2,0 2,0 tick"};
        QTest::newRow("a tick refused off the first column")
            << Change([](ResultsModel &m) { m.setData(m.index(1, 1), Qt::Checked, Qt::CheckStateRole); })
            << QStringList{};
    }

    void eachChangeIsSignalled()
    {
        QFETCH(Change, change);
        QFETCH(QStringList, heard);
        ResultsModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        fillList(model, threeRows());
        SignalLog log(model);
        change(model);
        QCOMPARE(log, heard);
    }

    void rowsNotCommittedNeverReachTheList()
    {
        ResultsModel model;
        fillList(model, threeRows());
        {
            ResultsModel::Appender dropped(model);
            QVERIFY_THROWS_EXCEPTION(std::out_of_range, dropped.lastRow());
            dropped.addRow(QStringLiteral("5"));
            dropped.lastRow().city = QStringLiteral("e");
        }
        QCOMPARE(model.rowCount(), 3);
    }

    void ticksStartClearAndGoWithTheirRows()
    {
        ResultsModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        fillList(model, threeRows());
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
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 3);
        fillList(model, threeRows());
        QVERIFY(!model.ticked(2));
    }
};

QTEST_GUILESS_MAIN(TestResults)
#include "tst_results.moc"
