// The results list's context menu on a machine of its own with the shipped data, boxes scripted.
#include "GreatCircle.h"
#include "ListActions.h"
#include "MapCommands.h"
#include "MapScene.h"
#include "MapWindow.h"
#include "PlaceCommands.h"
#include "WindowFixture.h"
#include "WindowPointer.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QTreeView>

class TestPlaceCommands : public QObject, LoadedFormTest
{
    Q_OBJECT

    QTreeView *list() const { return form->findChild<QTreeView *>(QStringLiteral("ListView1")); }
    // Lists the ZIP's rows and makes the first one current, as a click on it does.
    void pick(const QString &zip)
    {
        searchThrough(*form, zip);
        list()->setCurrentIndex(form->results().index(0, 0));
    }

private slots:
    void init() { loadForm(); }
    void cleanup()
    {
        QCOMPARE(form->pointer().value(), WindowPointer::Default);
        dropForm();
    }

    // Each entry is enabled when it has what it works on: a current row, or rows to tick.
    void contextMenuOpensWithItsEntriesNamed_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("current");
        QTest::addColumn<QStringList>("enabled");
        const QStringList all{"Details",          "ZIPs Near…",       "ZIPs In This County", "Show On Map",
                              "Tick All",         "Untick All",       "Paste ZIPs",          "Look Up A List…",
                              "Copy For Spreadsheet", "Save For Spreadsheet…"};
        QTest::newRow("right click") << 0 << "02134" << true << all;
        QTest::newRow("Menu key") << int(Qt::Key_Menu) << "02134" << true << all;
        QTest::newRow("Shift+F10") << int(Qt::Key_F10) << "02134" << true << all;
        QTest::newRow("no current row") << int(Qt::Key_Menu) << "021" << false << all.mid(3);
        QTest::newRow("no rows") << int(Qt::Key_Menu) << "no such place" << false
                                 << QStringList{"Show On Map", "Paste ZIPs", "Look Up A List…"};
    }
    void contextMenuOpensWithItsEntriesNamed()
    {
        QFETCH(int, key);
        QFETCH(QString, search);
        QFETCH(bool, current);
        QFETCH(QStringList, enabled);
        form->show();
        current ? pick(search) : void(searchThrough(*form, search));
        const QPoint at = list()->visualRect(form->results().index(0, 1)).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, list()->viewport()->mapToGlobal(at));
        if (key == 0)
            QApplication::sendEvent(list()->viewport(), &click);
        else
            QTest::keyClick(list(), Qt::Key(key), key == Qt::Key_F10 ? Qt::ShiftModifier : Qt::NoModifier);
        QTRY_VERIFY(form->listActions().menu().isVisible());
        QAccessibleInterface *menu = QAccessible::queryAccessibleInterface(&form->listActions().menu());
        QStringList enabledNames;
        for (int i = 0; i < menu->childCount(); ++i)
            if (!menu->child(i)->state().disabled)
                enabledNames.append(menu->child(i)->text(QAccessible::Name));
        QCOMPARE(enabledNames, enabled);
        form->listActions().menu().close();
    }

    // The list and the map it drives: the ZIP, then every ZIP within the miles, nearest first.
    void zipsNearListsTheZipThenEveryZipWithinNearestFirst()
    {
        const QHash<QString, ZipPlace> places = form->zipSession().store().places();
        const auto milesTo = [&places](const QString &zip) {
            const auto at = places.value(zip).position;
            return at ? milesBetween(*places.value(QStringLiteral("10001")).position, *at) : 1e9;
        };
        int within = 0;
        for (const QString &row : searchThrough(*form, QString()))
            within += milesTo(row.section(u'|', 0, 0)) <= 3;
        form->show();
        pick(QStringLiteral("10001"));
        form->mapCommands().showMap();
        platform().typed = {QStringLiteral("3")};
        form->placeCommands().listZipsNear();
        QCOMPARE(form->results().rowCount(), within);
        QVERIFY(within > 50);
        QCOMPARE(form->mapCommands().mapWindow()->scene().rowCount(), within);
        QCOMPARE(form->mapCommands().mapWindow()->scene().rowsWithoutCoordinates(), 0);
        QCOMPARE(form->results().cell(0, 0), QStringLiteral("10001"));
        for (int row = 1; row < within; ++row)
            QVERIFY2(milesTo(form->results().cell(row, 0)) >= milesTo(form->results().cell(row - 1, 0)) - 1e-9,
                     qPrintable(form->results().cell(row, 0)));
    }

    // Each command's box, or none, about a shipped ZIP, one added by hand, which has no place, and
    // one still listed after it was deleted. ZIPs Near takes a plain decimal number of miles from
    // 0.1 to 500 and asks again after any other; an empty answer (Cancel) does nothing. Only a
    // taken distance refills the list.
    void placeBoxes_data()
    {
        QTest::addColumn<bool>("details");
        QTest::addColumn<QString>("zip");
        QTest::addColumn<bool>("gone");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("title");
        QTest::newRow("Details") << true << "02134" << false << QStringList()
                                 << "^ZIP: 02134\nCity: Allston\nState: MA\nCounties: Suffolk 99\\.6 %, Middlesex 0\\.4 %\n"
                                    "Latitude: 42\\.35\\d*\nLongitude: -71\\.13\\d*\n"
                                    "Time zone: America/New_York, \\d\\d:\\d\\d E[SD]T, UTC−[45]\n"
                                    "Population: 17,969 \\(5,620\\.8 per km²\\)\nKind: area$"
                                 << "Details";
        QTest::newRow("Details, by hand") << true << "99990" << false << QStringList()
                                          << "^ZIP: 99990\nCity: Nowhere\nState: ZZ\n\nNo county or coordinates are "
                                             "kept for 99990"
                                          << "Details";
        QTest::newRow("Details, gone") << true << "02134" << true << QStringList()
                                       << "^ZIP: 02134\nCity: Allston\nState: MA\n\n02134 is no longer in the ZIP list\\."
                                       << "Details";
        QTest::newRow("ZIPs Near, by hand") << false << "99990" << false << QStringList{"3"}
                                            << "^99990 has no coordinates" << "Quillmap";
        const QString refusal =
            QRegularExpression::anchoredPattern(QRegularExpression::escape("The distance must be a number of miles from 0.1 to 500, such as 2.5."));
        for (const char *typed : {"0", "0.05", "500.1", "abc", "-3", "+3", "1e2", "2,5", "3 miles", "inf", "0x10"})
            QTest::newRow(typed) << false << "10001" << false << QStringList{typed, "2"} << refusal << "Quillmap";
        for (const char *typed : {"0.1", " 500 ", ".5", ""})
            QTest::newRow(*typed ? typed : "empty or Cancel") << false << "10001" << false << QStringList{typed} << "" << "";
    }
    void placeBoxes()
    {
        QFETCH(bool, details);
        QFETCH(QString, zip);
        QFETCH(bool, gone);
        QFETCH(QStringList, typed);
        QFETCH(QString, says);
        QFETCH(QString, title);
        form->zipSession().store().add(QStringLiteral("99990"), QStringLiteral("Nowhere"), QStringLiteral("ZZ"));
        pick(zip);
        if (gone)
            form->zipSession().store().remove(zip);
        form->results().setTicked({0}, true); // a refilled list has new rows, unticked
        platform().typed = typed;
        details ? form->placeCommands().showDetails() : form->placeCommands().listZipsNear();
        const bool asked = !details && zip == u"10001"; // no place, no question
        const bool refilled = asked && !typed.constLast().isEmpty();
        QCOMPARE(platform().boxes.size(), int(!says.isEmpty()) + int(refilled)); // a refill tells the population
        if (refilled)
            QVERIFY(platform().boxes.constLast().text.contains(QRegularExpression("^[\\d,]+ rows within .*\nPopulation [\\d,]+")));
        if (!says.isEmpty()) {
            const QString text = platform().boxes[0].text;
            QVERIFY2(QRegularExpression(says).match(text).hasMatch(), qPrintable(text));
            QCOMPARE(platform().boxes[0].title, title);
        }
        QCOMPARE(platform().prompts.size(), asked ? typed.size() : 0);
        QCOMPARE(form->results().ticked(0), !refilled);
        QVERIFY(refilled || listedRows(*form).size() == 1);
    }

    // The local time at a pinned moment, across a change to daylight saving time and in a zone
    // without one.
    void detailsGiveTheLocalTime_data()
    {
        QTest::addColumn<QString>("zip");
        QTest::addColumn<QString>("utc");
        QTest::addColumn<QString>("line");
        QTest::newRow("winter") << "02134" << "2026-01-15T15:42:00Z" << "America/New_York, 10:42 EST, UTC−5";
        QTest::newRow("summer") << "02134" << "2026-07-15T14:42:00Z" << "America/New_York, 10:42 EDT, UTC−4";
        QTest::newRow("just before the clocks go forward") << "02134" << "2026-03-08T06:59:00Z"
                                                         << "America/New_York, 01:59 EST, UTC−5";
        QTest::newRow("just after") << "02134" << "2026-03-08T07:00:00Z" << "America/New_York, 03:00 EDT, UTC−4";
        QTest::newRow("no daylight saving") << "96813" << "2026-07-15T14:42:00Z" << "Pacific/Honolulu, 04:42 HST, UTC−10";
    }
    void detailsGiveTheLocalTime()
    {
        QFETCH(QString, zip);
        QFETCH(QString, utc);
        QFETCH(QString, line);
        pick(zip);
        form->placeCommands().setClock([utc] { return QDateTime::fromString(utc, Qt::ISODate); });
        form->placeCommands().showDetails();
        QCOMPARE(platform().boxes.size(), 1);
        QVERIFY2(platform().boxes[0].text.contains(QStringLiteral("\nTime zone: ") + line + u'\n'), qPrintable(platform().boxes[0].text));
    }

    // The list and the map take every ZIP with residents in the ZIP's first county, largest share
    // first; a ZIP without a county refills nothing.
    void zipsInThisCountyListsTheCountysZips_data()
    {
        QTest::addColumn<QString>("zip");
        QTest::addColumn<QString>("fips");
        QTest::newRow("Allston, mostly in Suffolk") << "02134" << "25025";
        QTest::newRow("military") << "09001" << "";
    }
    void zipsInThisCountyListsTheCountysZips()
    {
        QFETCH(QString, zip);
        QFETCH(QString, fips);
        form->show();
        pick(zip);
        form->mapCommands().showMap();
        form->listActions().action(ListActions::ZipsInCounty).trigger();
        if (fips.isEmpty()) {
            QCOMPARE(platform().boxes.size(), 1);
            QCOMPARE(listedRows(*form).size(), 1);
            return;
        }
        QStringList expected;
        qint64 residents = 0;
        for (const CountyRow &row : form->zipSession().store().rowsInCounty(fips)) {
            if (!expected.contains(row.row.zip))
                residents += form->zipSession().store().profile(row.row.zip)->population.value_or(0);
            expected.append(row.row.zip);
        }
        QStringList listed;
        for (const QString &row : listedRows(*form))
            listed.append(row.section(u'|', 0, 0));
        QCOMPARE(listed, expected);
        QVERIFY(listed.contains(zip) && listed.size() > 30);
        QCOMPARE(list()->currentIndex().row(), 0);
        const MapWindow &map = *form->mapCommands().mapWindow();
        QCOMPARE(map.scene().rowCount(), listed.size());
        QVERIFY2(map.legend().contains(QStringLiteral("Population %L1").arg(residents)), qPrintable(map.legend()));
    }
};

QTEST_MAIN(TestPlaceCommands)
#include "tst_placecommands.moc"
