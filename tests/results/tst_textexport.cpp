#include "DeviceWrite.h"
#include "ExportProgress.h"
#include "ListFixture.h"
#include "ResultsModel.h"
#include "TestMachine.h"
#include "TextExport.h"
#include "WriterFailure.h"

#include <QBuffer>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

// What the writer showed on the bar, in order: "position" entries and "caption" entries.
struct BarRecord {
    QList<int> positions;
    QStringList captions;

    ExportProgress progress()
    {
        return {[] {}, [this](int position) { positions.append(position); },
                [this](const QString &caption) { captions.append(caption); }};
    }
};

// The command's part around the writer: the file opened once the list is measured, committed
// (a QSaveFile) or closed after the lines.
void writeAsTheCommandDoes(const ResultsModel &list, QIODevice &file, const QString &path,
                           const ExportProgress &progress)
{
    AlignedTextWriter writer(list, path, progress);
    writer.measure();
    writerStep(WriterFailure::Open, [&] { openForWriting(file); });
    writer.write(file);
    if (auto *saveFile = qobject_cast<QSaveFile *>(&file))
        writerStep(WriterFailure::Commit, [&] { commitAll(*saveFile); });
    else
        file.close();
}

// One export of a list: the list, the bar, and the failure the writer stopped at.
struct Export {
    explicit Export(const QList<ListRow> &rows) { fillList(model, rows); }
    bool to(QIODevice &file, const QString &path) { return to(file, path, bar.progress()); }
    bool to(QIODevice &file, const QString &path, const ExportProgress &progress)
    {
        try {
            writeAsTheCommandDoes(model, file, path, progress);
            return true;
        } catch (const WriterFailure &stopped) {
            failure.emplace(stopped);
            return false;
        }
    }
    bool failedAt(WriterFailure::Step step, const QString &description) const
    {
        return failure && failure->step() == step && QString::fromUtf8(failure->what()) == description;
    }

    ResultsModel model;
    BarRecord bar;
    std::optional<WriterFailure> failure;
};

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
        Export out(rows);
        QBuffer buffer;
        QVERIFY(out.to(buffer, QStringLiteral("/tmp/out.txt")));
        QCOMPARE(buffer.data(), golden(goldenFile));

        // Without a bar the same bytes are written and no position is set.
        QBuffer plain;
        ExportProgress yieldsOnly{[] {}, {}, {}};
        QVERIFY(out.to(plain, QStringLiteral("/tmp/out.txt"), yieldsOnly));
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
        Export out(workedExample());
        QBuffer buffer;
        QVERIFY(out.to(buffer, path));
        // 1, 10, 20, one per written row (r / N x 100 below 2000 rows), 100, then at rest.
        QCOMPARE(out.bar.positions, (QList<int>{1, 10, 20, 33, 100, 100, 0}));
        QCOMPARE(out.bar.captions, (QStringList{caption, caption, caption, QStringLiteral("Done."),
                                                QStringLiteral("Progress Bar")}));
    }

    void positionsOfAThreeThousandRowList()
    {
        Export out(numberedRows(3000, [](int) { return true; }));
        QBuffer buffer;
        QVERIFY(out.to(buffer, QStringLiteral("x.txt")));
        const QList<int> &positions = out.bar.positions;
        QCOMPARE(positions.size(), 3 + 3000 + 2);
        const QList<int> rowPositions = positions.mid(3, 3000);
        // Row r sets (r + 3000 div 2000) / 3000 x 100, halves to even; the last row's 100.03
        // stops at the bar's end.
        for (int row : {1, 14, 15, 44, 1499, 2969, 2999, 3000})
            QCOMPARE(rowPositions[row - 1], std::min(100, int(std::nearbyint((row + 1) / 3000.0 * 100.0))));
        QCOMPARE(rowPositions[1498], 50);
        QCOMPARE(rowPositions[2999], 100);
        QVERIFY(*std::max_element(positions.cbegin(), positions.cend()) <= 100);
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
        Export out(numberedRows(1200, [&](int row) { return row != 1000 || thousandthTicked; }));
        QBuffer buffer;
        QVERIFY(out.to(buffer, QStringLiteral("/data\\x.txt")));
        const QString writing = QStringLiteral("Writing file: x.txt");
        const QStringList expected = QStringList{writing, writing, writing} + rowCaptions
                                     + QStringList{QStringLiteral("Done."), QStringLiteral("Progress Bar")};
        QCOMPARE(out.bar.captions, expected);
    }

    void yieldsAtEveryRowAndCell()
    {
        Export out(workedExample());
        QBuffer buffer;
        int yields = 0;
        QVERIFY(out.to(buffer, QStringLiteral("x.txt"), {[&] { ++yields; }, {}, {}}));
        // Measuring: 3 columns x 3 rows; header: 3; rows: 3, and 3 cells for each of 2 ticked.
        QCOMPARE(yields, 9 + 3 + 3 + 6);
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
        writeFile(path, QByteArray(500, 'x'));
        Export out(workedExample());
        QSaveFile file(path);
        QVERIFY(out.to(file, path));
        QCOMPARE(fileBytes(path), golden(QStringLiteral("worked_example.txt")));
    }

    void aFileThatCannotBeCreatedIsReportedOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/zips.txt"));
        Export out(workedExample());
        QSaveFile file(path);
        QVERIFY(!out.to(file, path));
        QVERIFY(out.failedAt(WriterFailure::Open, file.errorString()));
        QVERIFY(!QFile::exists(path));
        // Nothing written, no "Done.", and the bar back at rest.
        QCOMPARE(out.bar.positions, (QList<int>{1, 10, 0}));
        QCOMPARE(out.bar.captions.last(), QStringLiteral("Progress Bar"));
        QVERIFY(!out.bar.captions.contains(QStringLiteral("Done.")));
    }

    void aListChangedMidwayLeavesTheOldFileUntouched()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("zips.txt"));
        writeFile(path, "old content\r\n");
        Export out(workedExample());
        int yields = 0;
        // After the widths and the header, the list empties under the writer.
        ExportProgress emptiesTheList{[&] {
                                          if (++yields == 9 + 3 + 1)
                                              out.model.clear();
                                      },
                                      {}, {}};
        QSaveFile file(path);
        QVERIFY(!out.to(file, path, emptiesTheList));
        QVERIFY(out.failedAt(WriterFailure::ReadTick, QStringLiteral("Index out of bounds")));
        QCOMPARE(fileBytes(path), QByteArray("old content\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestTextExport)
#include "tst_textexport.moc"
