#include "CaptionProgressBar.h"
#include "Form1.h"
#include "ResultsModel.h"
#include "TestMachine.h"
#include "WindowFixture.h"
#include "WindowPointer.h"
#include "ZipConnection.h"
#include "ZipSession.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

namespace {

QStringList listedZips(const Form1 &form)
{
    QStringList zips;
    for (int row = 0; row < form.results().rowCount(); ++row)
        zips.append(form.results().cell(row, 0));
    return zips;
}

} // namespace

class TestMainWindow : public QObject, LoadedFormTest
{
    Q_OBJECT

    QLineEdit *searchBox() const { return form->findChild<QLineEdit *>(QStringLiteral("Text1")); }
    QTreeView *list() const { return form->findChild<QTreeView *>(QStringLiteral("ListView1")); }
    QPushButton *button(const char *name) const { return form->findChild<QPushButton *>(QLatin1String(name)); }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    void searchFor(const QString &text) const
    {
        searchBox()->setText(text);
        click("PushButton1");
    }

private slots:
    void init()
    {
        loadForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup()
    {
        QCOMPARE(form->pointer().value(), WindowPointer::Default);
        dropForm();
    }

    // What a person sees of each control: its container, caption and place, in twips.
    void controlsSitWhereTheLayoutPutsThem()
    {
        struct Control {
            const char *name;
            const char *container;
            const char *caption;
            QRect twips;
        };
        const Control layout[] = {
            {"Frame2", "Form1", "Edit The Database", {120, 6300, 7800, 1395}},
            {"PushButton4", "Frame2", "Add Zip-City-State Combo", {240, 300, 3600, 405}},
            {"PushButton13", "Frame2", "Delete Selected Zip-City-State", {3960, 300, 3600, 405}},
            {"PushButton2", "Frame2", "Reset Database To Original", {240, 810, 6480, 405}},
            {"PushButton3", "Frame2", "?", {6840, 810, 720, 405}},
            {"Frame1", "Form1", "Search:", {120, 60, 7800, 1335}},
            {"Text1", "Frame1", "", {240, 300, 6735, 345}},
            {"PushButton8", "Frame1", "?", {7080, 300, 480, 345}},
            {"PushButton7", "Frame1", "Load Sample/Example Search", {3960, 750, 3600, 405}},
            {"PushButton1", "Frame1", "Search", {240, 750, 3600, 405}},
            {"ListView1", "Form1", "", {120, 1515, 7800, 3705}},
            {"ProgressBar1", "Form1", "Progress Bar", {120, 7830, 7800, 405}},
            {"PushButton6", "Form1", "Save Results As Text File", {120, 5310, 3840, 405}},
            {"PushButton12", "Form1", "Save Results As Excel File", {4080, 5310, 3840, 405}},
            {"PushButton9", "Form1", "Clear List", {4080, 5805, 3840, 405}},
            {"PushButton18", "Form1", "Copy Results To Clipboard", {120, 5805, 3840, 405}},
        };
        QStringList expected, shown;
        for (const Control &control : layout) {
            const QRect pixels(control.twips.x() / 15, control.twips.y() / 15, control.twips.width() / 15,
                               control.twips.height() / 15);
            expected.append(QStringLiteral("%1 in %2: '%3' at %4,%5 %6x%7")
                                .arg(QLatin1String(control.name), QLatin1String(control.container),
                                     QLatin1String(control.caption))
                                .arg(pixels.x()).arg(pixels.y()).arg(pixels.width()).arg(pixels.height()));
            auto *widget = form->findChild<QWidget *>(QLatin1String(control.name));
            QVERIFY2(widget, control.name);
            QString caption;
            if (auto *pushButton = qobject_cast<QPushButton *>(widget)) {
                caption = pushButton->text();
                QCOMPARE(pushButton->font().pointSizeF(), 11.25);
                QVERIFY(pushButton->font().bold());
            } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
                caption = frame->title();
            } else if (auto *bar = qobject_cast<QProgressBar *>(widget)) {
                caption = bar->text();
                QCOMPARE(bar->value(), 0);
            } else if (auto *box = qobject_cast<QLineEdit *>(widget)) {
                caption = box->text();
            }
            const QRect place = widget->geometry();
            shown.append(QStringLiteral("%1 in %2: '%3' at %4,%5 %6x%7")
                             .arg(widget->objectName(), widget->parentWidget()->objectName(), caption)
                             .arg(place.x()).arg(place.y()).arg(place.width()).arg(place.height()));
        }
        QCOMPARE(shown, expected);
    }

    void windowIsFixedWhiteCentredAndStartsInTheSearchBox()
    {
        QCOMPARE(form->size(), QSize(536, 558));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QTRY_VERIFY((form->frameGeometry().center() - screen.center()).manhattanLength() <= 1);
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QVERIFY(!form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(form->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(form->font().family(), QStringLiteral("Arial"));
        QCOMPARE(form->font().pointSizeF(), 9.0);
        QVERIFY(list()->font().bold());
        QCOMPARE(list()->toolTip(), QStringLiteral("Double-click item to remove it. Move | line to right and out of "
                                                   "window to reveal full names."));
        QCOMPARE(list()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Zip"));
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCOMPARE(QApplication::focusWidget(), searchBox());
    }

    void tabVisitsTheControlsInTheirOrder()
    {
        const QStringList expected = {"Text1",       "ListView1",    "PushButton8", "PushButton7", "PushButton1",
                                      "PushButton4", "PushButton13", "PushButton2", "PushButton3", "PushButton6",
                                      "PushButton12", "PushButton9", "PushButton18", "Text1"};
        QStringList visited;
        QWidget *widget = searchBox();
        visited.append(widget->objectName());
        while (visited.size() < expected.size()) {
            do
                widget = widget->nextInFocusChain();
            while (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(form.get()));
            visited.append(widget->objectName());
        }
        QCOMPARE(visited, expected);
    }

    void searchListsMatchingRowsWithTheBusyPointerOnlyWhileItRuns()
    {
        // The view hears the old rows go, then every new row in one insertion.
        QSignalSpy reset(&form->results(), &QAbstractItemModel::modelReset);
        QSignalSpy inserted(&form->results(), &QAbstractItemModel::rowsInserted);
        searchFor(QStringLiteral("3053"));
        const QStringList zips = listedZips(*form);
        QVERIFY(!zips.isEmpty());
        QCOMPARE(reset.size(), 1);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted.first().at(2).toInt(), zips.size() - 1);
        QCOMPARE(zips, rowsOf(machine->workingCopy(), QStringLiteral("where ZipCode like '3053%'"))
                           .replaceInStrings(QRegularExpression(QStringLiteral("\\|.*")), QString()));
        QCOMPARE(form->results().cell(0, 2), QStringLiteral("GA"));
        QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(machine->platform.boxes, Boxes{});

        searchFor(QStringLiteral("021"));
        QVERIFY(listedZips(*form).contains(QStringLiteral("02134")));
        searchFor(QStringLiteral("no such place"));
        QCOMPARE(form->results().rowCount(), 0);
        QCOMPARE(machine->platform.boxes, Boxes{});
    }

    void emptySearchListsTheWholeTableInZipOrder()
    {
        searchFor(QString());
        const QStringList zips = listedZips(*form);
        QCOMPARE(zips.size(), rowsOf(machine->workingCopy()).size());
        QVERIFY(std::is_sorted(zips.begin(), zips.end()));
        QCOMPARE(zips.first(), QStringLiteral("00501"));
    }

    void enterInTheSearchBoxRunsNothing()
    {
        searchBox()->setText(QStringLiteral("3053"));
        QTest::keyClick(searchBox(), Qt::Key_Return);
        QTest::keyClick(searchBox(), Qt::Key_Enter);
        QCOMPARE(form->results().rowCount(), 0);
        QCOMPARE(machine->platform.boxes, Boxes{});
    }

    void sampleAndHintButtons()
    {
        searchBox()->setText(QStringLiteral("Boston"));
        click("PushButton7");
        QCOMPARE(searchBox()->text(), QStringLiteral("3053"));
        QVERIFY(form->results().rowCount() > 0);
        QVERIFY(listedZips(*form).first().startsWith(QLatin1String("3053")));

        click("PushButton8");
        QCOMPARE(machine->platform.boxes,
                 (Boxes{{"Enter 5-digit zip code or part of the 5 digit zip code here.", 0, "Quillmap"}}));
    }

    void clearListEmptiesTheListUnlessBusy()
    {
        click("PushButton9");
        QCOMPARE(form->results().rowCount(), 0);
        searchFor(QStringLiteral("3053"));
        const int rows = form->results().rowCount();

        form->pointer().set(WindowPointer::Busy);
        click("PushButton9");
        searchFor(QStringLiteral("021"));
        click("PushButton7");
        QCOMPARE(form->results().rowCount(), rows);
        QCOMPARE(form->results().cell(0, 0).left(4), QStringLiteral("3053"));
        form->pointer().set(WindowPointer::Default);

        click("PushButton9");
        QCOMPARE(form->results().rowCount(), 0);
        QCOMPARE(form->results().columnCount(), 3);
        QCOMPARE(machine->platform.boxes, Boxes{});
    }

    void aFailedSearchLeavesAnEmptyListAndTheDefaultPointer()
    {
        searchFor(QStringLiteral("3053"));
        form->zipSession().connection().close();
        // The hourglass is the main window's: the error box itself shows the normal arrow.
        bool busyOnlyInTheWindow = false;
        machine->platform.onBox = [&](const ScriptedPlatform::Box &) {
            busyOnlyInTheWindow = form->cursor().shape() == Qt::WaitCursor
                && list()->viewport()->cursor().shape() == Qt::WaitCursor && !QApplication::overrideCursor();
        };
        searchFor(QStringLiteral("021"));
        QVERIFY(busyOnlyInTheWindow);
        QCOMPARE(machine->platform.boxes,
                 (Boxes{errorBox(QStringLiteral("Operation is not allowed when the object is closed."),
                                 QStringLiteral("PushButton1_Click"), 106)}));
        QCOMPARE(form->results().rowCount(), 0);
    }

    void spaceTicksTheSelectedRowsAndANewSearchDropsTicks()
    {
        searchFor(QStringLiteral("3053"));
        QVERIFY(form->results().rowCount() >= 3);
        list()->setFocus();
        list()->setCurrentIndex(list()->model()->index(0, 0));
        QTest::keyClick(list(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(list(), Qt::Key_Space);
        QVERIFY(form->results().ticked(0) && form->results().ticked(1));
        QVERIFY(!form->results().ticked(2));
        QTest::keyClick(list(), Qt::Key_Space);
        QVERIFY(!form->results().ticked(0) && !form->results().ticked(1));

        QTest::keyClick(list(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(list()->selectionModel()->selectedRows().size(), form->results().rowCount());
        QTest::keyClick(list(), Qt::Key_Space);
        for (int row = 0; row < form->results().rowCount(); ++row)
            QVERIFY(form->results().ticked(row));

        const QRect firstRow = list()->visualRect(list()->model()->index(0, 1));
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, firstRow.center());
        QVERIFY(form->results().ticked(0));
        QCOMPARE(machine->platform.boxes, Boxes{});

        searchFor(QStringLiteral("3053"));
        for (int row = 0; row < form->results().rowCount(); ++row)
            QVERIFY(!form->results().ticked(row));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
