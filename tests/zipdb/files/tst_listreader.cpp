#include "ListLookup.h"
#include "ListReader.h"
#include "SqliteZipStore.h"
#include "TestMachine.h"
#include "WorkingCopy.h"
#include "XlsxRowWriter.h"
#include "XlsxSheet.h"
#include "ZipIndex.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <xlsxwriter.h>

namespace {

// The shipped rows, with a second name for 02134 and a city a Windows-1252 list can hold.
const ZipIndex &shippedIndex()
{
    static TestMachine machine;
    static const ZipIndex index = [] {
        QDir().mkpath(machine.dataFolder());
        provisionWorkingCopy(machine.pristineCopy(), machine.workingCopy());
        addRow(machine.workingCopy(), QStringLiteral("02134"), QStringLiteral("Boston"), QStringLiteral("MA"));
        addRow(machine.workingCopy(), QStringLiteral("99990"), QString::fromUtf8("Ca\u00f1on City"), QStringLiteral("CO"));
        SqliteZipStore store(machine.locations());
        store.open();
        return ZipIndex(store);
    }();
    return index;
}

// The list's bytes as --lookup writes them back.
QByteArray lookedUp(const QByteArray &list, const QString &column)
{
    QBuffer input;
    input.setData(list);
    input.open(QIODevice::ReadOnly);
    const std::unique_ptr<ListReader> reader = ListReader::open(input, QStringLiteral("list.csv"));
    ListLookup lookup(*reader, column);
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    lookup.writeText(shippedIndex(), output);
    return output.data();
}

// The cells each record gains, after a comma.
const QByteArray kHeader(",City,State,County,Latitude,Longitude,TimeZone,Counties,Population,Kind,Other Names,Match");
const QByteArray kAllston(
    ",Allston,MA,Suffolk,42.3535,-71.1329,America/New_York,Suffolk 99.6%; Middlesex 0.4%,17969,area,\"Boston, MA\",found");
const QByteArray kHoltsville(",Holtsville,NY,Suffolk,40.8154,-73.0451,America/New_York,Suffolk,,post office,,found");
const QByteArray kUnknown(",,,,,,,,,,,unknown");
const QByteArray kNotAZip(",,,,,,,,,,,not a ZIP");

QByteArray separatedBy(char separator, QByteArray cells)
{
    return cells.replace(',', separator);
}

// A workbook as a spreadsheet program saves one: shared strings, a ZIP typed as a number, a row
// left out, a first cell left empty.
QByteArray workbook()
{
    const QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("list.xlsx")));
    lxw_workbook *book = workbook_new(path.constData());
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    worksheet_write_string(sheet, 0, 0, "Customer", nullptr);
    worksheet_write_string(sheet, 0, 1, "ZIP", nullptr);
    worksheet_write_string(sheet, 1, 0, "Ann", nullptr);
    worksheet_write_number(sheet, 1, 1, 2134, nullptr);
    worksheet_write_string(sheet, 3, 1, "99999", nullptr);
    workbook_close(book);
    return fileBytes(dir.filePath(QStringLiteral("list.xlsx")));
}

} // namespace

class TestListReader : public QObject
{
    Q_OBJECT

private slots:
    void listsAsPeopleKeepThem_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("Calc's CSV: header, CR LF, a quoted name")
            << QByteArray("Name,ZIP,Amount\r\nAnn,02134,12.50\r\n") << QString()
            << "Name,ZIP,Amount" + kHeader + "\r\nAnn,02134,12.50"
                   + kAllston + "\r\n";
        QTest::newRow("ZIPs as spreadsheets leave them, one column, no header")
            << QByteArray(" 02134 \n02134-1234\n021341234\n2134\n501\n2134.0\n21341234\n99999\n12\n2134.5\n02134-12\n\nabc\n")
            << QString()
            << " 02134 " + kAllston + "\n02134-1234"
                   + kAllston + "\n021341234"
                   + kAllston + "\n2134"
                   + kAllston + "\n501" + kHoltsville
                   + "\n2134.0" + kAllston + "\n21341234"
                   + kAllston + "\n99999" + kUnknown
                   + "\n12" + kNotAZip + "\n2134.5" + kNotAZip + "\n02134-12"
                   + kNotAZip + "\n" + kNotAZip + "\nabc" + kNotAZip + "\n";
        QTest::newRow("Windows-1252 with semicolons")
            << QByteArray("Nom;Zip Code;Ville\r\nJos\xe9;2134;Montr\xe9" "al\r\nRen\xe9" "e;99990;\r\n") << QString()
            << "Nom;Zip Code;Ville" + separatedBy(';', kHeader) + "\r\nJos\xe9;2134;Montr\xe9" "al"
                   + ";Allston;MA;Suffolk;42.3535;-71.1329;America/New_York;\"Suffolk 99.6%; Middlesex 0.4%\";17969;area;Boston, MA;found"
                     "\r\nRen\xe9" "e;99990;;Ca\xf1on City;CO;;;;;;;;;found\r\n";
        QTest::newRow("UTF-8 with a byte-order mark, tabs")
            << QByteArray("\xEF\xBB\xBFzip\tnote\n501\tcaf\xc3\xa9\n99990\t\n") << QString()
            << "\xEF\xBB\xBFzip\tnote" + separatedBy('\t', kHeader) + "\n501\tcaf\xc3\xa9" + separatedBy('\t', kHoltsville)
                   + "\n99990\t\tCa\xc3\xb1on City\tCO\t\t\t\t\t\t\t\t\tfound\n";
        QTest::newRow("quoted separators, quotes and line breaks")
            << QByteArray("\"Name\",\"Postal Code\"\n\"Smith, \"\"Jo\"\"\",\"501\"\n\"two\nlines\",99999\n") << QString()
            << "Name,Postal Code" + kHeader + "\n\"Smith, \"\"Jo\"\"\",501" + kHoltsville
                   + "\n\"two\nlines\",99999" + kUnknown + "\n";
        QTest::newRow("no header, the ZIP in the second column")
            << QByteArray("Ann,501,5\nBob,abc,6") << QString()
            << "Ann,501,5" + kHoltsville + "\nBob,abc,6" + kNotAZip + "\n";
        QTest::newRow("the column named by its number") << QByteArray("id,code\n7,501\n") << QStringLiteral("2")
                                                        << "id,code" + kHeader + "\n7,501"
                                                               + kHoltsville + "\n";
        QTest::newRow("the column named by its header") << QByteArray("id,Ship To\n7,501\n") << QStringLiteral(" ship to")
                                                        << "id,Ship To" + kHeader + "\n7,501"
                                                               + kHoltsville + "\n";
        QTest::newRow("a short record filled, a quote in an unquoted field")
            << QByteArray("Name,ZIP,Note\n12\" pipe,501\n") << QString()
            << "Name,ZIP,Note" + kHeader + "\n\"12\"\" pipe\",501," + kHoltsville + "\n";
        // Longer than one read: records cut at a read's end, in the check and in the writing.
        QTest::newRow("plain lines over several reads")
            << "Name,ZIP\n" + QByteArray("Ann,501\n").repeated(50000) << QString()
            << "Name,ZIP" + kHeader + "\n" + ("Ann,501" + kHoltsville + "\n").repeated(50000);
        QTest::newRow("quoted lines over several reads")
            << "Name,ZIP\r\n" + QByteArray("\"a, \"\"b\"\"\nc\",501\r\n").repeated(20000) << QString()
            << "Name,ZIP" + kHeader + "\r\n" + ("\"a, \"\"b\"\"\nc\",501" + kHoltsville + "\r\n").repeated(20000);
        QTest::newRow("an .xlsx's first sheet")
            << workbook() << QString()
            << "Customer,ZIP" + kHeader + "\nAnn,2134"
                   + kAllston + "\n," + kNotAZip
                   + "\n,99999" + kUnknown + "\n";
    }

    void listsAsPeopleKeepThem()
    {
        QFETCH(QByteArray, list);
        QFETCH(QString, column);
        QFETCH(QByteArray, written);
        QCOMPARE(lookedUp(list, column), written);
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("a quote that never closes")
            << QByteArray("zip,note\n501,\"never\n02134,x\n") << QString() << "list.csv, line 2: a quote that never closes";
        QTest::newRow("a NUL byte") << QByteArray("zip\n501\n02") + '\0' + "134\n" << QString() << "list.csv, line 3: a NUL byte";
        QTest::newRow("a control character") << QByteArray("zip\n\x01\n") << QString()
                                             << "list.csv, line 2: a control character (0x01)";
        QTest::newRow("a gzip file") << QByteArray("\x1f\x8b\x08\x00") << QString()
                                     << "list.csv, line 1: a control character (0x1f)";
        QTest::newRow("a line over 1 MiB") << "zip\n" + QByteArray(1024 * 1024 + 1, '5') + "\n" << QString()
                                           << "list.csv, line 2: a line of more than 1 MiB";
        QTest::newRow("a quote open for 1 MiB") << "zip\n\"" + QByteArray(3 * 1024 * 1024, '5') << QString()
                                                << "list.csv, line 2: a quoted field of more than 1 MiB";
        QTest::newRow("a byte-order mark, then no UTF-8")
            << QByteArray("\xEF\xBB\xBFzip\n501\n\xe9\n") << QString() << "list.csv, line 3: not UTF-8 text";
        QTest::newRow("no ZIP column") << QByteArray("name,amount\nAnn,x\n") << QString()
                                       << "list.csv, line 1: no ZIP column";
        QTest::newRow("an empty file") << QByteArray() << QString() << "list.csv: the list is empty";
        QTest::newRow("a column number past the last") << QByteArray("a,b\n") << QStringLiteral("3")
                                                       << "list.csv, line 1: no column 3: the first line has 2";
        QTest::newRow("a column name not there") << QByteArray("a,b\n") << QStringLiteral("Zap")
                                                 << "list.csv, line 1: no column named \"Zap\"";
        QTest::newRow("a zip archive that is no workbook") << QByteArray("PK\x03\x04garbage") << QString()
                                                           << "list.csv: not an .xlsx workbook";
    }

    void refusals()
    {
        QFETCH(QByteArray, list);
        QFETCH(QString, column);
        QFETCH(QString, refusal);
        try {
            lookedUp(list, column);
            QFAIL("the list was read");
        } catch (const ListRefusal &refused) {
            QVERIFY2(QString::fromUtf8(refused.what()).startsWith(refusal), refused.what());
        }
    }

    // Every cell a text, the list's own fields decoded from its Windows-1252.
    void aListLookedUpAsAWorkbook()
    {
        QBuffer input;
        input.setData("Nom;Zip\r\nJos\xe9;501\r\n");
        input.open(QIODevice::ReadOnly);
        const std::unique_ptr<ListReader> reader = ListReader::open(input, QStringLiteral("list.csv"));
        ListLookup lookup(*reader, {});
        const QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("found.xlsx"));
        XlsxRowWriter sheet(path);
        QCOMPARE(lookup.writeSheet(shippedIndex(), sheet).found, qint64(1));
        sheet.close();
        const XlsxSheet written = XlsxSheet::read(path);
        QCOMPARE(written.rowTexts(1), QStringList({"Nom", "Zip"}) + ListLookup::addedColumnNames());
        QCOMPARE(written.rowTexts(2), (QStringList{QString::fromUtf8("Jos\u00e9"), "501", "Holtsville", "NY", "Suffolk",
                                                   "40.8154", "-73.0451", "America/New_York", "Suffolk", {}, "post office", {}, "found"}));
        QCOMPARE(written.cells.value({2, 2}).numberFormat, 49);
    }
};

QTEST_GUILESS_MAIN(TestListReader)
#include "tst_listreader.moc"
