#include "DatabaseCommands.h"
#include "FaultSeed.h"
#include "Form1.h"
#include "FormSearch.h"
#include "HostileText.h"
#include "ResultsModel.h"
#include "TestMachine.h"
#include "TextLengthLimit.h"
#include "WindowFixture.h"
#include "WindowPointer.h"
#include "ZipConnection.h"

#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <memory>
#include <tuple>
#include <utility>

namespace {

// A paste as long as the box takes: one hostile stretch over and over.
QString paste(QRandomGenerator &random)
{
    const QString stretch = hostileText(random, 40);
    return stretch.repeated(int(kLongestBoxText / stretch.size()) + 1).left(kLongestBoxText);
}

QString digits(QRandomGenerator &random, int least, int most)
{
    QString text;
    for (int i = random.bounded(least, most + 1); i > 0; --i)
        text += QChar(u'0' + random.bounded(10));
    return text;
}

QString blanks(QRandomGenerator &random)
{
    return pick(random, {u"", u"", u" ", u"  ", u"\t"});
}

// Hostile text with at least one character and no ASCII digit.
QString hostileNonDigits(QRandomGenerator &random, int maxPieces)
{
    QString text;
    while (text.isEmpty()) {
        text = hostileText(random, maxPieces);
        text.removeIf([](QChar c) { return c >= u'0' && c <= u'9'; });
    }
    return text;
}

// A typed ZIP that is not one to five digits with blanks around, and the refusal it gets: a
// number that is too long is told so.
std::pair<QString, QString> refusedZip(QRandomGenerator &random)
{
    const QString notANumber = QStringLiteral("Zip code must be a numerical value.");
    switch (random.bounded(3)) {
    case 0:
        return {digits(random, 1, 5) + hostileNonDigits(random, 3) + digits(random, 1, 5), notANumber};
    case 1:
        return {hostileNonDigits(random, 4), notANumber};
    default:
        return {blanks(random) + digits(random, 6, 12) + blanks(random),
                QStringLiteral("Zip code must be five digits, such as 02134.")};
    }
}

// A ZIP as a person may type it: leading zeros left out or not, blanks around.
QString typedZip(QRandomGenerator &random, const QString &zip)
{
    return blanks(random) + (random.bounded(2) ? zip : QString::number(zip.toInt())) + blanks(random);
}

// Shows the text with what the eye cannot see spelled out, so a failing case can be told.
QByteArray shown(const QString &text)
{
    QByteArray out;
    for (const QChar c : text.left(200))
        out += c.isPrint() && c.unicode() < 0x7F ? QByteArray(1, char(c.unicode()))
                                                   : QByteArray("\\u") + QByteArray::number(c.unicode(), 16);
    return text.size() > 200 ? out + "... (" + QByteArray::number(text.size()) + " characters)" : out;
}

// The header's change counter, which every committed write to the file moves on.
QByteArray changeCounter(const QString &database)
{
    QFile file(database);
    return file.open(QIODevice::ReadOnly) ? file.read(28).mid(24) : QByteArray();
}

// The listed rows that do not begin with the text in any column, ignoring case. The engine
// sees the text as UTF-8 holds it. A text with wildcards cannot tell, nor one with the
// noncharacters U+FFFE and U+FFFF, which the engine's LIKE reads as U+FFFD.
QStringList listedRowsNotBeginningWith(const Form1 &form, const QString &text)
{
    QStringList strays;
    if (text.contains(u'%') || text.contains(u'_') || text.contains(u'\uFFFE') || text.contains(u'\uFFFF'))
        return strays;
    const QString seen = QString::fromUtf8(text.toUtf8());
    const ResultsModel &results = form.results();
    for (int row = 0; row < results.rowCount(); ++row) {
        const QStringList cells{results.cell(row, 0), results.cell(row, 1), results.cell(row, 2)};
        if (std::none_of(cells.begin(), cells.end(),
                         [&](const QString &cell) { return cell.startsWith(seen, Qt::CaseInsensitive); }))
            strays.append(cells.join(u'|'));
    }
    return strays;
}

} // namespace

class TestHostileInput : public QObject, LoadedFormTest
{
    Q_OBJECT

private slots:
    void initTestCase() { faultSeed(); }
    void init()
    {
        loadForm();
        QCOMPARE(platform().boxes, Boxes{});
    }
    void cleanup() { dropForm(); }

    void hostileAddsStoreWhatWasTypedOrShowTheirMessage_data()
    {
        QTest::addColumn<QString>("zips");
        QTest::newRow("not one to five digits") << "refused";
        QTest::newRow("with a row already") << "taken";
        QTest::newRow("new, hostile city and state") << "new";
    }
    void hostileAddsStoreWhatWasTypedOrShowTheirMessage()
    {
        QFETCH(QString, zips);
        QRandomGenerator random(faultSeed() ^ qHash(zips));
        const QString working = machine->workingCopy();
        QStringList expected = rowsOf(working);
        QSet<QString> taken;
        for (const QString &row : std::as_const(expected))
            taken.insert(row.left(5));
        const QStringList shippedZips = taken.values();
        for (int i = 0; i < 200; ++i) {
            QString typed, zip;
            Boxes boxes;
            QStringList prompts{kZipPrompt};
            if (zips == QLatin1String("refused")) {
                QString refusal;
                std::tie(typed, refusal) = refusedZip(random);
                boxes = {box(refusal)};
            } else if (zips == QLatin1String("taken")) {
                zip = shippedZips[random.bounded(int(shippedZips.size()))];
                typed = typedZip(random, zip);
                boxes = {box(zip + QStringLiteral(" already exists"))};
            } else {
                do
                    zip = QStringLiteral("%1").arg(random.bounded(100000), 5, 10, QLatin1Char('0'));
                while (taken.contains(zip));
                taken.insert(zip);
                typed = typedZip(random, zip);
                prompts += {kCityPrompt, kStatePrompt};
            }
            const QString city = random.bounded(50) ? hostileText(random, 8) : hostileText(random, 2).repeated(20000);
            const QString state = hostileText(random, 3);
            platform().boxes.clear();
            platform().prompts.clear();
            platform().typed = {typed, city, state};
            const QByteArray counter = changeCounter(working);

            form->databaseCommands().addZip();
            const QByteArray context = shown(typed) + " | " + shown(city) + " | " + shown(state);
            QVERIFY2(platform().boxes == boxes, context + "\n" + platform().boxes.value(0).text.toUtf8());
            QVERIFY2(platform().prompts == prompts, context);
            QVERIFY2((changeCounter(working) != counter) == (zips == QLatin1String("new")), context);
            if (zips == QLatin1String("new")) {
                // Stored as typed, as far as UTF-8 can hold it: a lone surrogate cannot be.
                const QString row = zip + QLatin1Char('|') + QString::fromUtf8(city.toUtf8()) + QLatin1Char('|')
                    + QString::fromUtf8(state.toUtf8());
                QVERIFY2(rowsOf(working, QStringLiteral("where ZipCode = '%1'").arg(zip)) == QStringList{row}, context);
                expected.append(row);
            }
        }
        QStringList stored = rowsOf(working);
        stored.sort();
        expected.sort();
        QVERIFY(stored == expected);
    }

    void searchesOfHostileTextShowNoBoxAndChangeNothing_data()
    {
        QTest::addColumn<int>("texts");
        QTest::addColumn<int>("maxPieces");
        QTest::newRow("short") << 6000 << 4;
        QTest::newRow("long") << 3995 << 60;
        QTest::newRow("pastes as long as the box takes") << 5 << 0;
    }
    void searchesOfHostileTextShowNoBoxAndChangeNothing()
    {
        QFETCH(int, texts);
        QFETCH(int, maxPieces);
        QRandomGenerator random(faultSeed() ^ quint32(maxPieces));
        const QString working = machine->workingCopy();
        // Every search walks the whole table: a part of it, with stored values as hostile as the
        // texts, keeps ten thousand searches quick.
        {
            ZipConnection connection;
            connection.open(working);
            connection.execute(QStringLiteral("begin"));
            connection.execute(QStringLiteral("delete from ZipCodes where ZipCode >= '02000'"));
            const QString insert = QStringLiteral("insert into ZipCodes values (?1, ?2, ?3)");
            for (int i = 0; i < 300; ++i)
                connection.execute(insert, {QStringLiteral("%1").arg(random.bounded(2000), 5, 10, QLatin1Char('0')),
                                            hostileText(random, 6), hostileText(random, 2)});
            connection.execute(insert, {QStringLiteral("01999"), QString(26000, QChar(0xe9)), QStringLiteral("ZZ")});
            connection.execute(QStringLiteral("commit"));
        }
        const QByteArray before = fileBytes(working);
        // Shown, so that the box and the list draw what they hold.
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QStringList everything = searchThrough(*form, QStringLiteral("%"));
        for (int i = 0; i < texts; ++i) {
            const QString text = maxPieces > 0 ? hostileText(random, maxPieces) : paste(random);
            searchThrough(*form, text);
            QCoreApplication::processEvents();
            QVERIFY2(platform().boxes.isEmpty(), shown(text) + "\n" + platform().boxes.value(0).text.toUtf8());
            QVERIFY2(form->pointer().value() == WindowPointer::Default, shown(text));
            const QStringList strays = listedRowsNotBeginningWith(*form, text);
            QVERIFY2(strays.isEmpty(), shown(text) + " listed " + shown(strays.join(u' ')));
        }
        QCOMPARE(searchThrough(*form, QStringLiteral("%")), everything);
        QVERIFY(fileBytes(working) == before);
    }

    void overlongEditsAreRefusedWholeWithABox_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("pasted");
        QTest::newRow("a paste of 100,000 characters") << 0 << 100000;
        QTest::newRow("one character past the limit") << 32767 << 1;
        QTest::newRow("up to the limit") << 32000 << 767;
    }
    void overlongEditsAreRefusedWholeWithABox()
    {
        QFETCH(int, before);
        QFETCH(int, pasted);
        auto *searchBox = form->findChild<QLineEdit *>(QStringLiteral("Text1"));
        searchBox->setText(QString(before, u'a'));
        searchBox->insert(QString(pasted, u'b')); // as a paste does
        QCoreApplication::processEvents();
        const bool fits = before + pasted <= 32767;
        QCOMPARE(searchBox->text(), QString(before, u'a') + QString(fits ? pasted : 0, u'b'));
        QCOMPARE(platform().boxes, fits ? Boxes{} : Boxes{box(QStringLiteral("This box takes at most 32767 characters. The text "
                                                                             "would have been %1 characters long, so it was not taken.")
                                                                  .arg(before + pasted))});
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
