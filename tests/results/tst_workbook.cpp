#include "SheetFont.h"
#include "Workbook.h"
#include "XlsxSheet.h"
#include "WriterFailure.h"
#include "XlsxWorkbook.h"

#include <QTemporaryDir>
#include <QTest>

#include <xlsxwriter.h>

#include <cmath>
#include <stdexcept>

namespace {

constexpr int kTextFormat = 49;

// The pixels a spreadsheet program shows for a column of the given width in characters.
int pixelsOf(double width)
{
    return int(std::lround(width * 7));
}

// The book saved as a file and read back as a spreadsheet program would.
XlsxSheet savedAndRead(const Workbook &book)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.xlsx"));
    saveAsXlsx(book, path);
    return XlsxSheet::read(path);
}

} // namespace

class TestWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void cellsReadBackAsTextInTheTextFormat()
    {
        Workbook book;
        book.setCell(1, 1, QStringLiteral("Zip"));
        book.setCell(1, 2, QStringLiteral("City"));
        book.setCell(1, 3, QStringLiteral("State"));
        book.setCell(2, 1, QStringLiteral("02134"));
        book.setCell(2, 2, QStringLiteral("=SUM(A1:A2)"));
        book.setCell(2, 3, QStringLiteral("1E5"));
        book.setCell(4, 1, QStringLiteral("60601"));
        book.setCell(4, 2, QString::fromUtf8("Ma\u00f1ana & <Co>"));
        const XlsxSheet sheet = savedAndRead(book);
        QCOMPARE(sheet.error, QString());
        QCOMPARE(sheet.rows(), (QList<int>{1, 2, 4}));
        QCOMPARE(sheet.rowTexts(1), (QStringList{"Zip", "City", "State"}));
        QCOMPARE(sheet.rowTexts(2), (QStringList{"02134", "=SUM(A1:A2)", "1E5"}));
        QCOMPARE(sheet.rowTexts(4), (QStringList{"60601", QString::fromUtf8("Ma\u00f1ana & <Co>")}));
        for (auto cell = sheet.cells.cbegin(); cell != sheet.cells.cend(); ++cell) {
            QVERIFY2(cell->type == QLatin1String("inlineStr") || cell->type == QLatin1String("s"),
                     qPrintable(cell->text));
            QCOMPARE(cell->numberFormat, kTextFormat);
        }
        // Values typed later into the columns stay text, and no cell is flagged as a number.
        QCOMPARE(sheet.columnNumberFormats.value(1), kTextFormat);
        QCOMPARE(sheet.columnNumberFormats.value(3), kTextFormat);
        QCOMPARE(sheet.numberStoredAsTextIgnored, QStringList{QStringLiteral("A1:XFD1048576")});
    }

    void fittedColumnsKeepTheirWidthInTheFile()
    {
        Workbook book;
        book.setCell(1, 1, QStringLiteral("Zip"));
        book.setCell(1, 2, QStringLiteral("City"));
        book.fitColumn(1);
        book.fitColumn(2);
        const int headerPixels = book.columnPixels(2);
        book.setCell(3, 2, QStringLiteral("Dawsonville Crossing"));
        book.fitColumn(3); // a column without text keeps its width
        QCOMPARE(book.columnPixels(3), 0);
        QCOMPARE(book.columnPixels(2), headerPixels); // not fitted again yet
        book.fitAllColumns();
        QVERIFY(book.columnPixels(2) > headerPixels);

        const XlsxSheet sheet = savedAndRead(book);
        QCOMPARE(pixelsOf(sheet.columnWidths.value(1)), book.columnPixels(1));
        QCOMPARE(pixelsOf(sheet.columnWidths.value(2)), book.columnPixels(2));
    }

    void columnPixelsFollowTheSheetFont_data()
    {
        QTest::addColumn<QString>("narrow");
        QTest::addColumn<QString>("wide");
        QTest::newRow("more characters") << "Ada" << "Adjuntas";
        QTest::newRow("leading zeros count") << "2134" << "02134";
        QTest::newRow("a character beyond UTF-16's plane") << "abc" << QString::fromUtf8("\U0001D49Cabc");
    }

    void columnPixelsFollowTheSheetFont()
    {
        QFETCH(QString, narrow);
        QFETCH(QString, wide);
        const SheetFont font;
        QVERIFY(font.columnPixels(wide) > font.columnPixels(narrow));
        if (!font.measuresGlyphs()) // 7 pixels a character, 5 for the margins
            QCOMPARE(font.columnPixels(QStringLiteral("02134")), 40);
        else // Carlito's digits are about 7.6 pixels wide at 15 px
            QVERIFY(qAbs(font.columnPixels(QStringLiteral("02134")) - 43) <= 2);
    }

    void proportionalWhereTheFontIsMeasured()
    {
        const SheetFont font;
        if (!font.measuresGlyphs())
            QSKIP("Neither Calibri nor Carlito is installed (Debian: fonts-crosextra-carlito)");
        QVERIFY(font.columnPixels(QStringLiteral("WWWWW")) > font.columnPixels(QStringLiteral("iiiii")) + 20);
    }

    void anOverlongCellIsCutNotLost()
    {
        Workbook book;
        const QString overlong(40000, QLatin1Char('x'));
        book.setCell(1, 1, overlong);
        book.setCell(1, 2, QStringLiteral("after"));
        // A character beyond UTF-16's plane is not split at the cut.
        const QString astral = QString(Workbook::kMaxCellCharacters - 1, QLatin1Char('y'))
                               + QString::fromUtf8("\U0001D49C\U0001D49C");
        book.setCell(2, 1, astral);
        const XlsxSheet sheet = savedAndRead(book);
        QCOMPARE(sheet.text(1, 1), overlong.left(Workbook::kMaxCellCharacters));
        QCOMPARE(sheet.text(1, 2), QStringLiteral("after"));
        QCOMPARE(sheet.text(2, 1), astral.left(astral.size() - 2));
    }

    void cellsAreAddressedFromOne()
    {
        Workbook book;
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, book.setCell(0, 1, QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, book.setCell(1, 0, QStringLiteral("x")));
        book.setCell(3, 2, QStringLiteral("x"));
        QCOMPARE(book.rowCount(), 3);
        QCOMPARE(book.columnCount(), 2);
        QCOMPARE(book.cell(3, 2), QStringLiteral("x"));
        QCOMPARE(book.cell(2, 1), QString());
        QCOMPARE(book.cell(9, 9), QString());
    }

    void aFileThatCannotBeWrittenThrows()
    {
        Workbook book;
        book.setCell(1, 1, QStringLiteral("Zip"));
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(WriterFailure, saveAsXlsx(book, dir.filePath(QStringLiteral("no/such/sheet.xlsx"))));
    }

    void theReaderTakesSharedStringsToo()
    {
        // A workbook written without constant memory keeps its texts in the shared table.
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("shared.xlsx")));
        lxw_workbook *book = workbook_new(path.constData());
        lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
        worksheet_write_string(sheet, 0, 0, "02134", nullptr);
        worksheet_write_string(sheet, 2, 1, "Allston", nullptr);
        QCOMPARE(workbook_close(book), LXW_NO_ERROR);
        const XlsxSheet read = XlsxSheet::read(QFile::decodeName(path));
        QCOMPARE(read.cells.value({1, 1}).type, QStringLiteral("s"));
        QCOMPARE(read.text(1, 1), QStringLiteral("02134"));
        QCOMPARE(read.text(3, 2), QStringLiteral("Allston"));
        QCOMPARE(read.rows(), (QList<int>{1, 3}));
    }
};

QTEST_MAIN(TestWorkbook)
#include "tst_workbook.moc"
