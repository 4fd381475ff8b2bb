#include "CaptionProgressBar.h"
#include "Form1.h"
#include "ListActions.h"
#include "ResultsModel.h"
#include "TestMachine.h"
#include "WindowFixture.h"
#include "WindowPointer.h"
#include "ZipStore.h"
#include "ZipSession.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
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

// The names of the window's controls in its accessibility tree: every visible node but the
// rows and cells of the list, which are data.
void collectControlNames(QAccessibleInterface *node, QStringList &names)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (!child || child->state().invisible)
            continue;
        names.append(child->text(QAccessible::Name));
        const QAccessible::Role role = child->role();
        if (role != QAccessible::Tree && role != QAccessible::Table && role != QAccessible::List)
            collectControlNames(child, names);
    }
}

// Each control's description, with the object name of the control it describes.
void collectDescriptions(QAccessibleInterface *node, QList<std::pair<QString, QString>> &described)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (!child || child->state().invisible)
            continue;
        const QString description = child->text(QAccessible::Description);
        if (!description.isEmpty())
            described.append({child->object() ? child->object()->objectName() : QString(), description});
        const QAccessible::Role role = child->role();
        if (role != QAccessible::Tree && role != QAccessible::Table && role != QAccessible::List)
            collectDescriptions(child, described);
    }
}

// Every name there and none repeated, letter case aside.
bool namedOnce(QStringList names)
{
    for (QString &name : names)
        name = name.trimmed().toCaseFolded();
    return !names.contains(QString()) && names.removeDuplicates() == 0;
}

} // namespace

class TestMainWindow : public QObject, LoadedFormTest
{
    Q_OBJECT

    QLineEdit *searchBox() const { return form->findChild<QLineEdit *>(QStringLiteral("Text1")); }
    QTreeView *list() const { return form->findChild<QTreeView *>(QStringLiteral("ListView1")); }
    QPushButton *button(const char *name) const { return form->findChild<QPushButton *>(QLatin1String(name)); }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    QString accessibleText(const char *name, QAccessible::Text text) const
    {
        return QAccessible::queryAccessibleInterface(form->findChild<QWidget *>(QLatin1String(name)))->text(text);
    }
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

    // What a person sees of each control: its container, caption, place and font.
    void controlsSitWhereTheLayoutPutsThem()
    {
        // Written out from the design in pixels (15 twips each), not read back from the table.
        const QStringList expected{
            "Frame2 in Form1: 'Edit The Database' at 8,420 520x93",
            "PushButton4 in Frame2: 'Add Zip-City-State Combo' at 16,20 240x27",
            "PushButton13 in Frame2: 'Delete Selected Zip-City-State' at 264,20 240x27",
            "PushButton2 in Frame2: 'Reset Database To Original' at 16,54 432x27",
            "PushButton3 in Frame2: '?' at 456,54 48x27",
            "Frame1 in Form1: 'Search:' at 8,4 520x89",
            "Text1 in Frame1: '' at 16,20 449x23",
            "PushButton8 in Frame1: '?' at 472,20 32x23",
            "PushButton7 in Frame1: 'Load Sample/Example Search' at 264,50 240x27",
            "PushButton1 in Frame1: 'Search' at 16,50 240x27",
            "ListView1 in Form1: '' at 8,101 520x247",
            "ProgressBar1 in Form1: 'Progress Bar' at 8,522 520x27",
            "PushButton6 in Form1: 'Save Results As Text File' at 8,354 256x27",
            "PushButton12 in Form1: 'Save Results As Excel File' at 272,354 256x27",
            "PushButton9 in Form1: 'Clear List' at 272,387 256x27",
            "PushButton18 in Form1: 'Copy Results To Clipboard' at 8,387 256x27",
        };
        QStringList shown;
        for (const QString &line : expected) {
            const QString name = line.section(QLatin1Char(' '), 0, 0);
            auto *widget = form->findChild<QWidget *>(name);
            QVERIFY2(widget, qPrintable(name));
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

    // Tab goes round every control that takes the keyboard, by tab index; the frames and the
    // progress bar take none. Each control of the chain and of the accessibility tree has a
    // name of its own.
    void tabAndScreenReadersReachEveryControlByItsOwnName()
    {
        const QStringList expected{"Text1",        "ListView1",   "PushButton8", "PushButton7", "PushButton1",
                                   "PushButton4",  "PushButton13", "PushButton2", "PushButton3", "PushButton6",
                                   "PushButton12", "PushButton9", "PushButton18", "Text1"};
        QStringList visited, chainNames;
        QWidget *widget = searchBox();
        visited.append(widget->objectName());
        while (visited.size() < expected.size()) {
            do
                widget = widget->nextInFocusChain();
            while (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(form.get()));
            visited.append(widget->objectName());
            chainNames.append(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name));
        }
        QCOMPARE(visited, expected);
        QVERIFY2(namedOnce(chainNames), qPrintable(chainNames.join(u',')));

        QStringList treeNames;
        collectControlNames(QAccessible::queryAccessibleInterface(form.get()), treeNames);
        QCOMPARE(treeNames.size(), 16);
        QVERIFY2(namedOnce(treeNames), qPrintable(treeNames.join(u',')));
        QCOMPARE(accessibleText("PushButton8", QAccessible::Name), QStringLiteral("Search help"));
        QCOMPARE(accessibleText("PushButton3", QAccessible::Name), QStringLiteral("Editing help"));
        for (const char *described : {"PushButton8", "PushButton3", "ListView1", "ProgressBar1", "Text1"})
            QVERIFY2(!accessibleText(described, QAccessible::Description).isEmpty(), described);
    }

    // A screen reader's user acts on what a description promises: a key named there must be one
    // the window answers on that control (Enter in the search box runs nothing).
    void descriptionsNameOnlyKeysTheWindowAnswers()
    {
        const QHash<QString, QStringList> answeredKeys{{QStringLiteral("ListView1"), {QStringLiteral("space")}}};
        static const QRegularExpression keyWords(
            QStringLiteral("\\b(?:press\\s+\\w+|enter|return|escape|esc|tab|space|backspace|"
                           "f\\d+|(?:ctrl|alt|shift|meta)\\+\\S+)\\b"),
            QRegularExpression::CaseInsensitiveOption);
        QList<std::pair<QString, QString>> described;
        collectDescriptions(QAccessible::queryAccessibleInterface(form.get()), described);
        QVERIFY(described.size() >= 5);
        for (const auto &[control, description] : described) {
            for (auto match = keyWords.globalMatch(description); match.hasNext();) {
                const QString key = match.next().captured().toLower();
                QVERIFY2(answeredKeys.value(control).contains(key),
                         qPrintable(QStringLiteral("%1 promises '%2': %3").arg(control, key, description)));
            }
        }
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

    // The old list's scrolling does not carry over: "0" lists from 00501.
    void aNewSearchShowsItsFirstRow()
    {
        searchFor(QString());
        list()->scrollToBottom();
        QVERIFY(list()->indexAt(QPoint(1, 1)).row() > 1000);
        searchFor(QStringLiteral("0"));
        QCOMPARE(list()->model()->index(list()->indexAt(QPoint(1, 1)).row(), 0).data().toString(), QStringLiteral("00501"));
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
                 (Boxes{{"Enter 5-digit zip code or part of the 5 digit zip code here.", Platform::OkOnly, "Quillmap"}}));
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
        form->zipSession().store().close();
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
        // The menu's commands tick or untick every row in one change, whatever is selected.
        QSignalSpy changed(&form->results(), &QAbstractItemModel::dataChanged);
        list()->setCurrentIndex(list()->model()->index(1, 0));
        form->listActions().action(ListActions::UntickAll).trigger();
        for (int row = 0; row < form->results().rowCount(); ++row)
            QVERIFY(!form->results().ticked(row));
        form->listActions().action(ListActions::TickAll).trigger();
        for (int row = 0; row < form->results().rowCount(); ++row)
            QVERIFY(form->results().ticked(row));
        QCOMPARE(changed.size(), 2);

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
