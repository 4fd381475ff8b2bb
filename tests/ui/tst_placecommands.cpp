// The results list's context menu on a machine of its own with the shipped data: "Details",
// "ZIPs Near…" and "Show On Map", with their boxes scripted.
#include "GreatCircle.h"
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
#include <QTreeView>

#include <sqlite3.h>

namespace {

enum class Command { Details, ZipsNear };

// Every ZIP of the working copy within the miles of the centre, by a query of its own.
int rowsWithin(const QString &workingCopy, GeoPoint centre, double miles)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(workingCopy.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *rows = nullptr;
    sqlite3_prepare_v2(db,
                       "select Latitude, Longitude from ZipCodes join ZipPlaces using (ZipCode) "
                       "where Latitude is not null",
                       -1, &rows, nullptr);
    int within = 0;
    while (sqlite3_step(rows) == SQLITE_ROW)
        within += milesBetween(centre, {sqlite3_column_double(rows, 0), sqlite3_column_double(rows, 1)}) <= miles;
    sqlite3_finalize(rows);
    sqlite3_close(db);
    return within;
}

} // namespace

class TestPlaceCommands : public QObject, LoadedFormTest
{
    Q_OBJECT

    QTreeView *list() const { return form->findChild<QTreeView *>(QStringLiteral("ListView1")); }
    // Lists the ZIP's rows and makes its first row the current one, as a click on it does.
    void pick(const QString &zip)
    {
        searchThrough(*form, zip);
        list()->setCurrentIndex(form->results().index(0, 0));
    }
    void addByHand(const QString &zip) { form->zipSession().store().add(zip, QStringLiteral("Nowhere"), QStringLiteral("ZZ")); }

private slots:
    void init() { loadForm(); }
    void cleanup()
    {
        QCOMPARE(form->pointer().value(), WindowPointer::Default);
        dropForm();
    }

    void contextMenuOpensWithItsEntriesNamed_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("right click") << "mouse";
        QTest::newRow("Menu key") << "menu";
        QTest::newRow("Shift+F10") << "shift+f10";
    }
    void contextMenuOpensWithItsEntriesNamed()
    {
        QFETCH(QString, how);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        pick(QStringLiteral("02134"));
        list()->setFocus();
        if (how == u"mouse") {
            const QPoint at = list()->visualRect(form->results().index(0, 1)).center();
            QContextMenuEvent click(QContextMenuEvent::Mouse, at, list()->viewport()->mapToGlobal(at));
            QApplication::sendEvent(list()->viewport(), &click);
        } else {
            QTest::keyClick(list(), how == u"menu" ? Qt::Key_Menu : Qt::Key_F10,
                            how == u"menu" ? Qt::NoModifier : Qt::ShiftModifier);
        }
        QTRY_VERIFY(form->listMenu().isVisible());
        QAccessibleInterface *menu = QAccessible::queryAccessibleInterface(&form->listMenu());
        QStringList names;
        for (int i = 0; i < menu->childCount(); ++i)
            if (!menu->child(i)->state().disabled)
                names.append(menu->child(i)->text(QAccessible::Name));
        QCOMPARE(names, (QStringList{"Details", "ZIPs Near…", "Show On Map"}));
        form->listMenu().close();
        QCOMPARE(listedRows(*form).size(), 1); // opening the menu ran nothing
    }

    // The miles box takes a plain decimal number from 0.1 to 500; an empty answer or Cancel does nothing.
    void milesBoxRefusesWhatIsNoDistance_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        for (const char *typed : {"0", "0.05", "500.1", "abc", "-3", "+3", "1e2", "2,5", "3 miles", "inf", "0x10"})
            QTest::newRow(typed) << typed << true;
        QTest::newRow("empty or Cancel") << "" << false;
        QTest::newRow("blanks") << "   " << false;
    }
    void milesBoxRefusesWhatIsNoDistance()
    {
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        pick(QStringLiteral("10001"));
        const QStringList before = listedRows(*form);
        platform().typed = {typed};
        form->placeCommands().listZipsNear();
        QCOMPARE(platform().prompts, QStringList{"ZIPs Near: Distance from 10001 in miles (0.1 to 500): "});
        QCOMPARE(platform().boxes,
                 refused ? Boxes{box("The distance must be a number of miles from 0.1 to 500, such as 2.5.")} : Boxes{});
        QCOMPARE(listedRows(*form), before);
    }

    void milesBoxTakesItsWholeRange_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("fewest") << "0.1";
        QTest::newRow("most, with blanks") << " 500 ";
        QTest::newRow("no leading digit") << ".5";
        QTest::newRow("trailing point") << "3.";
    }
    void milesBoxTakesItsWholeRange()
    {
        QFETCH(QString, typed);
        pick(QStringLiteral("10001"));
        platform().typed = {typed};
        form->placeCommands().listZipsNear();
        QCOMPARE(platform().boxes, Boxes{});
        QCOMPARE(form->results().cell(0, 0), QStringLiteral("10001"));
    }

    void zipsNearListsTheZipThenEveryZipWithinNearestFirst()
    {
        pick(QStringLiteral("10001"));
        platform().typed = {QStringLiteral("3")};
        form->placeCommands().listZipsNear();
        QCOMPARE(platform().boxes, Boxes{});

        const QHash<QString, ZipPlace> places = form->zipSession().store().places();
        const GeoPoint centre = *places.value(QStringLiteral("10001")).position;
        QCOMPARE(form->results().rowCount(), rowsWithin(machine->workingCopy(), centre, 3));
        QVERIFY(form->results().rowCount() > 50);
        QCOMPARE(form->results().cell(0, 0), QStringLiteral("10001"));
        QCOMPARE(list()->currentIndex().row(), 0);
        double previous = 0;
        for (int row = 1; row < form->results().rowCount(); ++row) {
            const double miles = milesBetween(centre, *places.value(form->results().cell(row, 0)).position);
            QVERIFY2(miles >= previous - 1e-9, qPrintable(form->results().cell(row, 0)));
            previous = miles;
        }
    }

    // What each command says about a ZIP: the shipped places, and a ZIP added by hand, which has none.
    void placeBoxesSayWhereTheZipLies_data()
    {
        QTest::addColumn<QString>("zip");
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("says");
        QTest::newRow("Details, shipped") << "02134" << Command::Details
                                          << "ZIP: 02134\nCity: Allston\nState: MA\nCounty: Suffolk\nLatitude: 42.35";
        QTest::newRow("Details, added by hand")
            << "99990" << Command::Details
            << "ZIP: 99990\nCity: Nowhere\nState: ZZ\n\nNo county or coordinates are kept for 99990";
        QTest::newRow("ZIPs Near, added by hand") << "99990" << Command::ZipsNear << "99990 has no coordinates";
    }
    void placeBoxesSayWhereTheZipLies()
    {
        QFETCH(QString, zip);
        QFETCH(Command, command);
        QFETCH(QString, says);
        addByHand(QStringLiteral("99990"));
        pick(zip);
        const QStringList listed = listedRows(*form);
        if (command == Command::Details)
            form->placeCommands().showDetails();
        else
            form->placeCommands().listZipsNear();
        QCOMPARE(platform().boxes.size(), 1);
        QVERIFY2(platform().boxes[0].text.startsWith(says), qPrintable(platform().boxes[0].text));
        QVERIFY(platform().prompts.isEmpty());
        QCOMPARE(listedRows(*form), listed);
        if (zip == u"02134")
            QVERIFY2(platform().boxes[0].text.contains(QStringLiteral("\nLongitude: -71.13")),
                     qPrintable(platform().boxes[0].text));
    }

    // The map's dots come from the store's places and follow the list.
    void showOnMapDrawsTheListedZipsFromTheStore()
    {
        form->show();
        searchThrough(*form, QStringLiteral("021"));
        form->showMap();
        QVERIFY(form->mapWindow() && form->mapWindow()->isVisible());
        QCOMPARE(form->mapWindow()->scene().rowCount(), form->results().rowCount());
        QCOMPARE(form->mapWindow()->scene().rowsWithoutCoordinates(), 0);
        form->searchCommands().clearList();
        QCOMPARE(form->mapWindow()->scene().rowCount(), 0);
        QCOMPARE(platform().boxes, Boxes{});
    }
};

QTEST_MAIN(TestPlaceCommands)
#include "tst_placecommands.moc"
