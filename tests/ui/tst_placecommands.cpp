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
        const QStringList all{"Details",    "ZIPs Near…",      "Show On Map",          "Tick All",
                              "Untick All", "Paste ZIPs",      "Look Up A List…",      "Copy For Spreadsheet",
                              "Save For Spreadsheet…"};
        QTest::newRow("right click") << 0 << "02134" << true << all;
        QTest::newRow("Menu key") << int(Qt::Key_Menu) << "02134" << true << all;
        QTest::newRow("Shift+F10") << int(Qt::Key_F10) << "02134" << true << all;
        QTest::newRow("no current row") << int(Qt::Key_Menu) << "021" << false << all.mid(2);
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
                                 << "^ZIP: 02134\nCity: Allston\nState: MA\nCounty: Suffolk\nLatitude: 42\\.35\\d*\n"
                                    "Longitude: -71\\.13\\d*$"
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
        QCOMPARE(platform().boxes.size(), int(!says.isEmpty()));
        if (!says.isEmpty()) {
            const QString text = platform().boxes[0].text;
            QVERIFY2(QRegularExpression(says).match(text).hasMatch(), qPrintable(text));
            QCOMPARE(platform().boxes[0].title, title);
        }
        const bool asked = !details && zip == u"10001"; // no place, no question
        QCOMPARE(platform().prompts.size(), asked ? typed.size() : 0);
        const bool refilled = asked && !typed.constLast().isEmpty();
        QCOMPARE(form->results().ticked(0), !refilled);
        QVERIFY(refilled || listedRows(*form).size() == 1);
    }
};

QTEST_MAIN(TestPlaceCommands)
#include "tst_placecommands.moc"
