#include "ExportProgress.h"
#include "ListFixture.h"
#include "ResultsModel.h"
#include "Routine.h"
#include "ScriptedPlatform.h"
#include "TestMachine.h"
#include "TextExport.h"

#include <QBuffer>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// What the writer showed on the bar, in order: "position" entries and "caption" entries.
struct BarRecord {
    QList<int> positions;
    QStringList captions;
    int yields = 0;

    ExportProgress progress()
    {
        return {[this] { ++yields; }, [this](int position) { positions.append(position); },
                [this](const QString &caption) { captions.append(caption); }};
    }
};

Routine writerHandler(ScriptedPlatform &platform)
{
    return Routine(platform, QStringLiteral("Main"), QStringLiteral("SaveListviewProperlySpaced"));
}

ScriptedPlatform::Box writerErrorBox(const QString &description, int line)
{
    return {errorBoxText(description, QStringLiteral("Main"), QStringLiteral("SaveListviewProperlySpaced"), line),
            Platform::Exclamation, QStringLiteral("Application Error")};
}

QList<ListRow> numberedRows(int count, const std::function<bool(int)> &ticked)
{
    QList<ListRow> rows;
    for (int row = 1; row <= count; ++row)
        rows.append({{QString::number(row).rightJustified(5, QLatin1Char('0')), QStringLiteral("City"),
                      QStringLiteral("ST")},
                     ticked(row)});
    return rows;
}

} // namespace

class TestTextExport : public QObject
{
    Q_OBJECT

private slots:
    void fileMatchesItsGolden_data()
    {
        QTest::addColumn<QList<ListRow>>("rows");
        QTest::addColumn<QString>("goldenFile");
        auto untick = [](QList<ListRow> rows) {
            for (ListRow &row : rows)
                row.ticked = false;
            return rows;
        };
        QTest::newRow("worked example, 84 bytes") << workedExample() << "worked_example.txt";
        QTest::newRow("empty list: the header alone, unpadded") << QList<ListRow>{} << "empty_list.txt";
        QTest::newRow("no tick: the header padded to every row") << untick(workedExample()) << "unticked_list.txt";
        QTest::newRow("header longer than its cells")
            << QList<ListRow>{{{"1", "Ada", "OK"}, true}} << "header_longer.txt";
        QTest::newRow("empty cell: blanks to the width")
            << QList<ListRow>{{{"30530", "", "GA"}, true}, {{"30531", "Cornelia", "GA"}, false}} << "empty_cell.txt";
        QTest::newRow("widths count characters, UTF-8 out")
            << QList<ListRow>{{{"00601", "Adjuntas", "PR"}, false},
                              {{"00610", QString::fromUtf8("A\u00f1asco"), "PR"}, true},
                              {{"00680", QString::fromUtf8("Mayag\u00fcez"), "PR"}, true},
                              {{"00000", QString::fromUtf8("\U0001D49Cbc"), "ZZ"}, true}}
            << "wide_characters.txt";
    }

    void fileMatchesItsGolden()
    {
        QFETCH(QList<ListRow>, rows);
        QFETCH(QString, goldenFile);
        ResultsModel model;
        fillList(model, rows);
        ScriptedPlatform platform;
        Routine handler = writerHandler(platform);
        BarRecord bar;
        QBuffer buffer;
        QVERIFY(saveListviewProperlySpaced(model, buffer, QStringLiteral("/tmp/out.txt"), bar.progress(), handler));
        QCOMPARE(buffer.data(), golden(goldenFile));
        QCOMPARE(platform.boxes, {});

        // Without a bar the same bytes are written and no position is set.
        QBuffer plain;
        ExportProgress yieldsOnly{[] {}, {}, {}};
        QVERIFY(saveListviewProperlySpaced(model, plain, QStringLiteral("/tmp/out.txt"), yieldsOnly, handler));
        QCOMPARE(plain.data(), golden(goldenFile));
    }

    void barSteppingThroughAnExport_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");
        QTest::newRow("a path in a folder") << "/home/ann/zips.txt" << "Writing file: zips.txt";
        QTest::newRow("a path without a folder separator") << "zips%1.txt" << "Writing file: zips%1.txt";
    }

    void barSteppingThroughAnExport()
    {
        QFETCH(QString, path);
        QFETCH(QString, caption);
        ResultsModel model;
        fillList(model, workedExample());
        ScriptedPlatform platform;
        Routine handler = writerHandler(platform);
        BarRecord bar;
        QBuffer buffer;
        QVERIFY(saveListviewProperlySpaced(model, buffer, path, bar.progress(), handler));
        // 1, 10, 20, one per written row (r / N x 100 below 2000 rows), 100, then at rest.
        QCOMPARE(bar.positions, (QList<int>{1, 10, 20, 33, 100, 100, 0}));
        const QString writing = caption;
        QCOMPARE(bar.captions, (QStringList{writing, writing, writing, QStringLiteral("Done."),
                                            QStringLiteral("Progress Bar")}));
    }

    void positionsOfAThreeThousandRowList()
    {
        ResultsModel model;
        fillList(model, numberedRows(3000, [](int) { return true; }));
        ScriptedPlatform platform;
        Routine handler = writerHandler(platform);
        BarRecord bar;
        QBuffer buffer;
        QVERIFY(saveListviewProperlySpaced(model, buffer, QStringLiteral("x.txt"), bar.progress(), handler));
        QCOMPARE(bar.positions.size(), 3 + 3000 + 2);
        const QList<int> rowPositions = bar.positions.mid(3, 3000);
        // Row r sets (r + 3000 div 2000) / 3000 x 100, halves to even; the last row's 100.03
        // stops at the bar's end.
        for (int row : {1, 14, 15, 44, 1499, 2969, 2999, 3000})
            QCOMPARE(rowPositions[row - 1], std::min(100, int(std::nearbyint((row + 1) / 3000.0 * 100.0))));
        QCOMPARE(rowPositions[1498], 50);
        QCOMPARE(rowPositions[2999], 100);
        QVERIFY(*std::max_element(bar.positions.cbegin(), bar.positions.cend()) <= 100);
    }

    void rowThousandInTheCaption_data()
    {
        QTest::addColumn<bool>("thousandthTicked");
        QTest::addColumn<QStringList>("rowCaptions");
        QTest::newRow("ticked: the caption counts it") << true << QStringList{"Writing file: x.txt (1000)"};
        QTest::newRow("unticked: the caption stays") << false << QStringList{};
    }

    void rowThousandInTheCaption()
    {
        QFETCH(bool, thousandthTicked);
        QFETCH(QStringList, rowCaptions);
        ResultsModel model;
        fillList(model, numberedRows(1200, [&](int row) { return row != 1000 || thousandthTicked; }));
        ScriptedPlatform platform;
        Routine handler = writerHandler(platform);
        BarRecord bar;
        QBuffer buffer;
        QVERIFY(saveListviewProperlySpaced(model, buffer, QStringLiteral("/data\\x.txt"), bar.progress(), handler));
        const QString writing = QStringLiteral("Writing file: x.txt");
        const QStringList expected = QStringList{writing, writing, writing} + rowCaptions
                                     + QStringList{QStringLiteral("Done."), QStringLiteral("Progress Bar")};
        QCOMPARE(bar.captions, expected);
    }

    void yieldsAtEveryRowAndCell()
    {
        ResultsModel model;
        fillList(model, workedExample());
        ScriptedPlatform platform;
        Routine handler = writerHandler(platform);
        BarRecord bar;
        QBuffer buffer;
        ExportProgress yieldsOnly{[&] { ++bar.yields; }, {}, {}};
        QVERIFY(saveListviewProperlySpaced(model, buffer, QStringLiteral("x.txt"), yieldsOnly, handler));
        // Measuring: 3 columns x 3 rows; header: 3; rows: 3, and 3 cells for each of 2 ticked.
        QCOMPARE(bar.yields, 9 + 3 + 3 + 6);
    }

    void fileNameFromPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("folder with slashes") << "/home/ann/zips.txt" << "zips.txt";
        QTest::newRow("folder with backslashes") << "C:\\Users\\ann\\zips.txt" << "zips.txt";
        QTest::newRow("both, backslash last") << "/home/ann\\zips.txt" << "zips.txt";
        QTest::newRow("both, slash last") << "C:\\ann/zips.txt" << "zips.txt";
        QTest::newRow("no separator: the whole path") << "zips" << "zips";
        QTest::newRow("ends in a separator") << "/home/ann/" << "";
    }

    void fileNameFromPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(::fileNameFromPath(path), name);
    }

    void aShorterExportReplacesAnExistingFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("zips.txt"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(500, 'x'));
        }
        ResultsModel model;
        fillList(model, workedExample());
        ScriptedPlatform platform;
        Routine handler = writerHandler(platform);
        BarRecord bar;
        QSaveFile file(path);
        QVERIFY(saveListviewProperlySpaced(model, file, path, bar.progress(), handler));
        QCOMPARE(fileBytes(path), golden(QStringLiteral("worked_example.txt")));
    }

    void aFileThatCannotBeCreatedIsReportedOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/zips.txt"));
        ResultsModel model;
        fillList(model, workedExample());
        ScriptedPlatform platform;
        Routine handler = writerHandler(platform);
        BarRecord bar;
        QSaveFile file(path);
        QVERIFY(!saveListviewProperlySpaced(model, file, path, bar.progress(), handler));
        QCOMPARE(platform.boxes.size(), 1);
        QCOMPARE(platform.boxes.first(), writerErrorBox(file.errorString(), 156));
        QVERIFY(!QFile::exists(path));
        // Nothing written, no "Done.", and the bar back at rest.
        QCOMPARE(bar.positions, (QList<int>{1, 10, 0}));
        QCOMPARE(bar.captions.last(), QStringLiteral("Progress Bar"));
        QVERIFY(!bar.captions.contains(QStringLiteral("Done.")));
    }

    void aListChangedMidwayLeavesTheOldFileUntouched()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("zips.txt"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old content\r\n");
        }
        ResultsModel model;
        fillList(model, workedExample());
        ScriptedPlatform platform;
        Routine handler = writerHandler(platform);
        int yields = 0;
        // After the widths and the header, the list empties under the writer.
        ExportProgress emptiesTheList{[&] {
                                          if (++yields == 9 + 3 + 1)
                                              model.clear();
                                      },
                                      {}, {}};
        QSaveFile file(path);
        QVERIFY(!saveListviewProperlySpaced(model, file, path, emptiesTheList, handler));
        QCOMPARE(platform.boxes, {writerErrorBox(QStringLiteral("Index out of bounds"), 188)});
        QCOMPARE(fileBytes(path), QByteArray("old content\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestTextExport)
#include "tst_textexport.moc"
