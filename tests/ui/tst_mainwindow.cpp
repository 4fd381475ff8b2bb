#include "CaptionProgressBar.h"
#include "Form1.h"
#include "ResultsModel.h"
#include "TestMachine.h"
#include "ZipConnection.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

namespace {

using Boxes = QList<ScriptedPlatform::Box>;

QStringList listedZips(const Form1 &form)
{
    QStringList zips;
    for (int row = 1; row <= form.results().count(); ++row)
        zips.append(form.results().cell(row, 1));
    return zips;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> machine;
    std::unique_ptr<Form1> form;

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
        machine = std::make_unique<TestMachine>();
        form = std::make_unique<Form1>(machine->platform);
        form->Form_Load();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup()
    {
        QCOMPARE(form->MousePointer(), int(Form1::vbDefault));
        form.reset();
        machine.reset();
    }

    void controlsSitWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        auto row = [](const char *name, const char *container, const char *caption, QRect twips) {
            QTest::newRow(name) << name << container << caption << twips;
        };
        row("Frame2", "Form1", "Edit The Database", {120, 6300, 7800, 1395});
        row("PushButton4", "Frame2", "Add Zip-City-State Combo", {240, 300, 3600, 405});
        row("PushButton13", "Frame2", "Delete Selected Zip-City-State", {3960, 300, 3600, 405});
        row("PushButton2", "Frame2", "Reset Database To Original", {240, 810, 6480, 405});
        row("PushButton3", "Frame2", "?", {6840, 810, 720, 405});
        row("Frame1", "Form1", "Search:", {120, 60, 7800, 1335});
        row("Text1", "Frame1", "", {240, 300, 6735, 345});
        row("PushButton8", "Frame1", "?", {7080, 300, 480, 345});
        row("PushButton7", "Frame1", "Load Sample/Example Search", {3960, 750, 3600, 405});
        row("PushButton1", "Frame1", "Search", {240, 750, 3600, 405});
        row("ListView1", "Form1", "", {120, 1515, 7800, 3705});
        row("ProgressBar1", "Form1", "Progress Bar", {120, 7830, 7800, 405});
        row("PushButton6", "Form1", "Save Results As Text File", {120, 5310, 3840, 405});
        row("PushButton12", "Form1", "Save Results As Excel File", {4080, 5310, 3840, 405});
        row("PushButton9", "Form1", "Clear List", {4080, 5805, 3840, 405});
        row("PushButton18", "Form1", "Copy Results To Clipboard", {120, 5805, 3840, 405});
    }
    void controlsSitWhereTheLayoutPutsThem()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        auto *widget = form->findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget()->objectName(), container);
        QCOMPARE(widget->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
        QString shown;
        if (auto *pushButton = qobject_cast<QPushButton *>(widget)) {
            shown = pushButton->text();
            QCOMPARE(pushButton->font().pointSizeF(), 11.25);
            QVERIFY(pushButton->font().bold());
        } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
            shown = frame->title();
        } else if (auto *bar = qobject_cast<QProgressBar *>(widget)) {
            shown = bar->text();
            QCOMPARE(bar->value(), 0);
        } else if (auto *box = qobject_cast<QLineEdit *>(widget)) {
            shown = box->text();
        }
        QCOMPARE(shown, caption);
    }

    void windowIsFixedWhiteAndStartsInTheSearchBox()
    {
        QCOMPARE(form->size(), QSize(536, 558));
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
        searchFor(QStringLiteral("3053"));
        const QStringList zips = listedZips(*form);
        QVERIFY(!zips.isEmpty());
        for (const QString &zip : zips)
            QVERIFY2(zip.size() == 5 && zip.startsWith(QLatin1String("3053")), qPrintable(zip));
        QCOMPARE(zips, rowsOf(machine->workingCopy(), QStringLiteral("where ZipCode like '3053%'"))
                           .replaceInStrings(QRegularExpression(QStringLiteral("\\|.*")), QString()));
        QCOMPARE(form->results().cell(1, 3), QStringLiteral("GA"));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(machine->platform.boxes, Boxes{});

        searchFor(QStringLiteral("021"));
        QVERIFY(listedZips(*form).contains(QStringLiteral("02134")));
        searchFor(QStringLiteral("no such place"));
        QCOMPARE(form->results().count(), 0);
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
        QCOMPARE(form->results().count(), 0);
        QCOMPARE(machine->platform.boxes, Boxes{});
    }

    void sampleAndHintButtons()
    {
        searchBox()->setText(QStringLiteral("Boston"));
        click("PushButton7");
        QCOMPARE(searchBox()->text(), QStringLiteral("3053"));
        QVERIFY(form->results().count() > 0);
        QVERIFY(listedZips(*form).first().startsWith(QLatin1String("3053")));

        click("PushButton8");
        QCOMPARE(machine->platform.boxes,
                 (Boxes{{"Enter 5-digit zip code or part of the 5 digit zip code here.", 0, "Quillmap"}}));
    }

    void clearListEmptiesTheListUnlessBusy()
    {
        click("PushButton9");
        QCOMPARE(form->results().count(), 0);
        searchFor(QStringLiteral("3053"));
        const int rows = form->results().count();

        form->setMousePointer(Form1::vbHourglass);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        click("PushButton9");
        searchFor(QStringLiteral("021"));
        click("PushButton7");
        QCOMPARE(form->results().count(), rows);
        QCOMPARE(form->results().cell(1, 1).left(4), QStringLiteral("3053"));
        form->setMousePointer(Form1::vbDefault);
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        click("PushButton9");
        QCOMPARE(form->results().count(), 0);
        QCOMPARE(form->results().columnHeaderCount(), 3);
        QCOMPARE(machine->platform.boxes, Boxes{});
    }

    void aFailedSearchLeavesAnEmptyListAndTheDefaultPointer()
    {
        searchFor(QStringLiteral("3053"));
        form->connection()->close();
        searchFor(QStringLiteral("021"));
        QCOMPARE(machine->platform.boxes,
                 (Boxes{errorBox(QStringLiteral("Operation is not allowed when the object is closed."),
                                 QStringLiteral("PushButton1_Click"), 106)}));
        QCOMPARE(form->results().count(), 0);
    }

    void spaceTicksTheSelectedRowsAndANewSearchDropsTicks()
    {
        searchFor(QStringLiteral("3053"));
        QVERIFY(form->results().count() >= 3);
        list()->setFocus();
        list()->setCurrentIndex(list()->model()->index(0, 0));
        QTest::keyClick(list(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(list(), Qt::Key_Space);
        QVERIFY(form->results().ticked(1) && form->results().ticked(2));
        QVERIFY(!form->results().ticked(3));
        QTest::keyClick(list(), Qt::Key_Space);
        QVERIFY(!form->results().ticked(1) && !form->results().ticked(2));

        QTest::keyClick(list(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(list()->selectionModel()->selectedRows().size(), form->results().count());
        QTest::keyClick(list(), Qt::Key_Space);
        for (int row = 1; row <= form->results().count(); ++row)
            QVERIFY(form->results().ticked(row));

        const QRect firstRow = list()->visualRect(list()->model()->index(0, 1));
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, firstRow.center());
        QVERIFY(form->results().ticked(1));
        QCOMPARE(listedZips(*form).size(), form->results().count());
        QCOMPARE(machine->platform.boxes, Boxes{});

        searchFor(QStringLiteral("3053"));
        for (int row = 1; row <= form->results().count(); ++row)
            QVERIFY(!form->results().ticked(row));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
