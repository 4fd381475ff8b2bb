// The thin layer of real-window tests: the real QtPlatform with its real message boxes, on a real
// X server (run under xvfb-run), with only the machine's folders pointed at a temporary one.
#include "Form1.h"
#include "QtPlatform.h"
#include "ResultsModel.h"
#include "TestMachine.h"
#include "ZipConnection.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <unistd.h>

namespace {

class TemporaryMachinePlatform : public QtPlatform
{
public:
    explicit TemporaryMachinePlatform(const TestMachine &machine) : m_machine(machine) {}
    QString commonAppDataFolder() override { return m_machine.platform.commonRoot; }
    QString programFolder() override { return m_machine.platform.program; }

private:
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

} // namespace

class TestRealWindow : public QObject
{
    Q_OBJECT

    TestMachine machine;
    TemporaryMachinePlatform platform{machine};
    std::unique_ptr<Form1> form;

    QPushButton *button(const char *name) const { return form->findChild<QPushButton *>(QLatin1String(name)); }

private slots:
    void anUnreadableWorkingCopyShowsTheErrorBoxBeforeTheWindow()
    {
        QDir().mkpath(machine.dataFolder());
        QFile garbage(machine.workingCopy());
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, 'q'));
        garbage.close();

        form = std::make_unique<Form1>(platform);
        BoxReader box;
        box.answerNext(QMessageBox::Ok);
        form->Form_Load();
        QCOMPARE(box.shown, (ShownBox{"file is not a database\nin Quillmap2021/08/31.Form1.Form_Load at line 142\n"
                                      "\nPlease email screenshot of this message to support@quillmap.example",
                                      "Application Error", QMessageBox::Warning, QMessageBox::Ok}));
        QVERIFY(!form->isVisible());
        platform.setDialogParent(form.get());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void theResetQuestionIsAskedAndYesRepairsTheWorkingCopy()
    {
        BoxReader box;
        box.answerNext(QMessageBox::No);
        QTest::mouseClick(button("PushButton2"), Qt::LeftButton);
        QCOMPARE(box.shown, (ShownBox{"Are you sure you want to reset the database?", "Reset Database",
                                      QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No}));
        QCOMPARE(form->connection()->state(), int(ZipConnection::Closed));

        box.answerNext(QMessageBox::Yes);
        QTest::mouseClick(button("PushButton2"), Qt::LeftButton);
        QCOMPARE(form->connection()->state(), int(ZipConnection::Open));
        QCOMPARE(fileBytes(machine.workingCopy()), fileBytes(machine.pristineCopy()));
    }

    void typingAndClickingSearchListsTheRows()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        auto *searchBox = form->findChild<QLineEdit *>(QStringLiteral("Text1"));
        searchBox->setFocus();
        QTest::keyClicks(searchBox, QStringLiteral("Coeur d'Alene"));
        QTest::mouseClick(button("PushButton1"), Qt::LeftButton);
        QVERIFY(form->results().count() > 0);
        for (int row = 1; row <= form->results().count(); ++row) {
            QCOMPARE(form->results().cell(row, 2), QStringLiteral("Coeur d'Alene"));
            QCOMPARE(form->results().cell(row, 3), QStringLiteral("ID"));
        }
        QCOMPARE(form->MousePointer(), int(Form1::vbDefault));
    }

    void theHintBoxCarriesTheApplicationTitle()
    {
        BoxReader box;
        box.answerNext(QMessageBox::Ok);
        QTest::mouseClick(button("PushButton8"), Qt::LeftButton);
        QCOMPARE(box.shown, (ShownBox{"Enter 5-digit zip code or part of the 5 digit zip code here.", "Quillmap",
                                      QMessageBox::NoIcon, QMessageBox::Ok}));
    }

    void yieldPumpsTheEventLoopAtMostEvery15Ms()
    {
        QtPlatform fresh;
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        fresh.yield();
        QVERIFY(!ran);
        QTest::qSleep(20);
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

    // Last: closing ends the application's event loops.
    void closingTheWindowReleasesTheConnection()
    {
        form->close();
        QVERIFY(!form->isVisible());
        QCOMPARE(form->connection(), nullptr);
    }
};

QTEST_MAIN(TestRealWindow)
#include "tst_realwindow.moc"
