#include "Form1.h"
#include "ResultsModel.h"
#include "TestMachine.h"
#include "WindowPointer.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QtEndian>

#include <functional>
#include <memory>

namespace {

using Boxes = QList<ScriptedPlatform::Box>;
using P = WindowPointer;

const QStringList kButtons{"PushButton1", "PushButton2", "PushButton3",  "PushButton4",  "PushButton6", "PushButton7",
                           "PushButton8", "PushButton9", "PushButton12", "PushButton13", "PushButton18"};

QString skinFolder(TestMachine &machine)
{
    return QFileInfo(machine.skinFile()).path();
}

// A machine with the main window loaded and shown, ready for the mouse.
struct LoadedWindow {
    explicit LoadedWindow(bool withCursorFile = true)
    {
        if (!withCursorFile)
            QFile::remove(machine.cursorFile());
        form = std::make_unique<Form1>(machine.platform);
        form->load();
        form->show();
        exposed = QTest::qWaitForWindowExposed(form.get());
        QCoreApplication::processEvents(); // the window centres itself once shown
    }

    QWidget *widget(const QString &name) const
    {
        return name == QLatin1String("Form1") ? form.get() : form->findChild<QWidget *>(name);
    }

    TestMachine machine;
    std::unique_ptr<Form1> form;
    bool exposed = false;
};

// A point of the widget that none of its children covers: its own background.
QPoint bareSpot(QWidget *widget)
{
    for (int y = 1; y < widget->height(); y += 2)
        for (int x = 1; x < widget->width(); x += 2)
            if (!widget->childAt(x, y))
                return {x, y};
    return {};
}

// Where the mouse goes for each target: the list's rows are in its viewport.
QWidget *target(const LoadedWindow &window, const QString &name)
{
    QWidget *widget = window.widget(name);
    if (auto *area = qobject_cast<QAbstractScrollArea *>(widget))
        return area->viewport();
    return widget;
}

// A move with a button held, sent to the widget as a drag that started on it would be.
void dragOver(QWidget *widget, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QPoint cursorFileHotspot(const QString &path)
{
    const QByteArray bytes = fileBytes(path);
    return {qFromLittleEndian<quint16>(bytes.constData() + 10), qFromLittleEndian<quint16>(bytes.constData() + 12)};
}

QColor backgroundOf(QWidget *widget)
{
    return widget->palette().color(QPalette::Window);
}

} // namespace

class TestLook : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // Every test starts with the mouse away from where its window opens.
        QCursor::setPos(0, 0);
    }

    void mouseMovesSetThePointer_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<QString>("over");
        QTest::addColumn<bool>("bare"); // on the widget's own background, not a child of it
        QTest::addColumn<int>("after");

        for (const QString &button : kButtons) {
            QTest::addRow("%s from default", qPrintable(button)) << int(P::Default) << button << false << int(P::Hover);
            QTest::addRow("%s while busy", qPrintable(button)) << int(P::Busy) << button << false << int(P::Busy);
        }
        for (const char *resetting : {"Form1", "Frame1", "Frame2", "ListView1"}) {
            QTest::addRow("%s after hover", resetting) << int(P::Hover) << resetting << true << int(P::Default);
            QTest::addRow("%s while busy", resetting) << int(P::Busy) << resetting << true << int(P::Busy);
        }
        for (const char *passive : {"Text1", "ProgressBar1"}) {
            QTest::addRow("%s keeps hover", passive) << int(P::Hover) << passive << false << int(P::Hover);
            QTest::addRow("%s keeps default", passive) << int(P::Default) << passive << false << int(P::Default);
            QTest::addRow("%s keeps busy", passive) << int(P::Busy) << passive << false << int(P::Busy);
        }
    }

    void mouseMovesSetThePointer()
    {
        QFETCH(int, before);
        QFETCH(QString, over);
        QFETCH(bool, bare);
        QFETCH(int, after);

        LoadedWindow window;
        QVERIFY(window.exposed);
        window.form->pointer().set(P::Value(before));
        QWidget *widget = target(window, over);
        QTest::mouseMove(widget, bare ? bareSpot(widget) : widget->rect().center());
        QCOMPARE(int(window.form->pointer().value()), after);
    }

    void dragsCountOnlyOnTheWidgetUnderThem_data()
    {
        QTest::addColumn<QString>("over");
        QTest::addColumn<int>("after");
        // The search box and the progress bar pass the move on to their container.
        QTest::newRow("search box") << "Text1" << int(P::Hover);
        QTest::newRow("progress bar") << "ProgressBar1" << int(P::Hover);
        QTest::newRow("list") << "ListView1" << int(P::Default);
    }

    void dragsCountOnlyOnTheWidgetUnderThem()
    {
        QFETCH(QString, over);
        QFETCH(int, after);

        LoadedWindow window;
        window.form->pointer().set(P::Hover);
        QWidget *widget = target(window, over);
        dragOver(widget, widget->rect().center());
        QCOMPARE(int(window.form->pointer().value()), after);
    }

    void aCommandThatEndsUnderTheMouseLeavesTheDefaultUntilTheNextMove()
    {
        LoadedWindow window;
        QVERIFY(window.exposed);
        window.form->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("3053"));
        QWidget *search = window.widget(QStringLiteral("PushButton1"));
        QTest::mouseMove(search, search->rect().center());
        QCOMPARE(window.form->pointer().value(), P::Hover);

        QTest::mouseClick(search, Qt::LeftButton, {}, search->rect().center());
        QVERIFY(window.form->results().rowCount() > 0);
        QCOMPARE(window.form->pointer().value(), P::Default);
        QCoreApplication::processEvents();
        QCOMPARE(window.form->pointer().value(), P::Default);

        QTest::mouseMove(search, search->rect().center() + QPoint(3, 1));
        QCOMPARE(window.form->pointer().value(), P::Hover);
    }

    void eachValueShowsItsCursorOverTheWholeWindow_data()
    {
        QTest::addColumn<bool>("cursorFile");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("onButtons");
        QTest::addColumn<int>("onSearchBox");
        QTest::addColumn<int>("onList");

        QTest::newRow("default") << true << int(P::Default) << int(Qt::ArrowCursor) << int(Qt::IBeamCursor)
                                 << int(Qt::ArrowCursor);
        QTest::newRow("busy") << true << int(P::Busy) << int(Qt::WaitCursor) << int(Qt::WaitCursor)
                              << int(Qt::WaitCursor);
        QTest::newRow("hover with the cursor file")
            << true << int(P::Hover) << int(Qt::BitmapCursor) << int(Qt::BitmapCursor) << int(Qt::BitmapCursor);
        QTest::newRow("hover without it")
            << false << int(P::Hover) << int(Qt::ArrowCursor) << int(Qt::ArrowCursor) << int(Qt::ArrowCursor);
        QTest::newRow("default without it")
            << false << int(P::Default) << int(Qt::ArrowCursor) << int(Qt::IBeamCursor) << int(Qt::ArrowCursor);
    }

    void eachValueShowsItsCursorOverTheWholeWindow()
    {
        QFETCH(bool, cursorFile);
        QFETCH(int, value);
        QFETCH(int, onButtons);
        QFETCH(int, onSearchBox);
        QFETCH(int, onList);

        LoadedWindow window(cursorFile);
        QCOMPARE(window.machine.platform.boxes, Boxes{}); // a missing cursor file is no failure
        // Through every other value first, so the own pointers must come back whole.
        for (P::Value other : {P::Hover, P::Busy, P::Default, P::Busy, P::Hover})
            window.form->pointer().set(other);
        window.form->pointer().set(P::Value(value));

        for (const QString &button : kButtons)
            QCOMPARE(int(window.widget(button)->cursor().shape()), onButtons);
        QCOMPARE(int(window.widget(QStringLiteral("Text1"))->cursor().shape()), onSearchBox);
        QCOMPARE(int(target(window, QStringLiteral("ListView1"))->cursor().shape()), onList);
        QCOMPARE(int(window.form->cursor().shape()), onButtons);
    }

    void theHandIsTheCursorFilesPicture()
    {
        LoadedWindow window;
        window.form->pointer().set(P::Hover);
        const QCursor hand = window.widget(QStringLiteral("PushButton6"))->cursor();
        QCOMPARE(hand.pixmap().size(), QSize(32, 32));
        QCOMPARE(hand.hotSpot(), cursorFileHotspot(QStringLiteral(QUILLMAP_CURSOR_FILE)));
    }

    void withoutASkinFileTheWindowStaysWhite_data()
    {
        // What is put where, given the skin file's path.
        using Put = std::function<void(const QString &skin)>;
        QTest::addColumn<Put>("put");
        const auto folderAt = [](const QString &path) { QVERIFY(QDir().mkpath(path)); };
        const auto fileAt = [](const QString &path) { writeFile(path, "QWidget { background: red; }"); };
        const auto beside = [](const QString &skin, const QString &name) { return QFileInfo(skin).dir().filePath(name); };
        QTest::newRow("no skin folder") << Put([](const QString &) {});
        QTest::newRow("empty skin folder") << Put([=](const QString &skin) { folderAt(QFileInfo(skin).path()); });
        QTest::newRow("the skin file is a folder") << Put(folderAt);
        QTest::newRow("the skin file leads nowhere") << Put([=](const QString &skin) {
            folderAt(QFileInfo(skin).path());
            QVERIFY(QFile::link(skin + QStringLiteral(".gone"), skin));
        });
        QTest::newRow("only a hidden skin")
            << Put([=](const QString &skin) { fileAt(beside(skin, QLatin1Char('.') + QFileInfo(skin).fileName())); });
        QTest::newRow("other case")
            << Put([=](const QString &skin) { fileAt(beside(skin, QFileInfo(skin).fileName().toUpper())); });
    }

    void withoutASkinFileTheWindowStaysWhite()
    {
        QFETCH(std::function<void(const QString &)>, put);

        TestMachine machine;
        put(machine.skinFile());

        Form1 form(machine.platform);
        form.load();
        QCOMPARE(machine.platform.boxes, Boxes{});
        QCOMPARE(backgroundOf(&form), QColor(Qt::white));
        for (auto *frame : form.findChildren<QGroupBox *>())
            QCOMPARE(backgroundOf(frame), QColor(Qt::white));
        QCOMPARE(form.styleSheet(), QString());
    }

    void theSkinRecoloursTheWindowAndFramesThenTakesEffect()
    {
        TestMachine machine;
        const QByteArray sheet = "QProgressBar#ProgressBar1 { background: rgb(12, 34, 56); border: none; }";
        writeFile(machine.skinFile(), sheet);

        Form1 form(machine.platform);
        form.load();
        QCOMPARE(machine.platform.boxes, Boxes{});

        const QColor buttonFace = QApplication::palette().color(QPalette::Button);
        QVERIFY(buttonFace != QColor(Qt::white));
        QCOMPARE(backgroundOf(&form), buttonFace);
        const auto frames = form.findChildren<QGroupBox *>();
        QCOMPARE(frames.size(), 2);
        for (auto *frame : frames)
            QCOMPARE(backgroundOf(frame), buttonFace);
        for (const QString &button : kButtons)
            QCOMPARE(form.findChild<QWidget *>(button)->palette().color(QPalette::Button), QColor(Qt::white));

        QCOMPARE(form.styleSheet(), QString::fromUtf8(sheet));
        QWidget *progressBar = form.findChild<QWidget *>(QStringLiteral("ProgressBar1"));
        const QImage drawn = progressBar->grab().toImage();
        QCOMPARE(drawn.pixelColor(2, drawn.height() / 2), QColor(12, 34, 56));
    }

    void anUnreadableSkinIsReportedAndStartUpGoesOn()
    {
        TestMachine machine;
        writeFile(machine.skinFile(), "QWidget { background: \xff\xfe; }");

        Form1 form(machine.platform);
        form.load();
        QCOMPARE(machine.platform.boxes,
                 Boxes{errorBox(QStringLiteral("The skin file is not UTF-8 text"), QStringLiteral("Form_Load"), 112)});
        // The recolouring came first and stays; the sheet is not applied, and start-up went on.
        QCOMPARE(backgroundOf(&form), QApplication::palette().color(QPalette::Button));
        QCOMPARE(form.styleSheet(), QString());
        QCOMPARE(form.windowTitle(), QStringLiteral("Quillmap"));
        QCOMPARE(form.results().columnCount(), 3);
    }

    void theExampleSkinParsesAndStylesTheWindow()
    {
        TestMachine machine;
        QDir().mkpath(skinFolder(machine));
        QVERIFY(QFile::copy(QStringLiteral(QUILLMAP_EXAMPLE_SKIN), machine.skinFile()));

        static QStringList warnings;
        warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &message) {
                if (message.contains(QLatin1String("stylesheet"), Qt::CaseInsensitive))
                    warnings.append(message);
            });
        Form1 form(machine.platform);
        form.load();
        form.grab(); // styles every control
        qInstallMessageHandler(previous);

        QCOMPARE(warnings, QStringList{});
        QCOMPARE(machine.platform.boxes, Boxes{});
        QCOMPARE(form.styleSheet().toUtf8(), fileBytes(QStringLiteral(QUILLMAP_EXAMPLE_SKIN)));
        // The skin gives the buttons a face of their own.
        const QImage button = form.findChild<QWidget *>(QStringLiteral("PushButton1"))->grab().toImage();
        QVERIFY(button.pixelColor(6, button.height() / 2) != QColor(Qt::white));
    }
};

QTEST_MAIN(TestLook)
#include "tst_look.moc"
