#include "QtPlatform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>

#include <sys/stat.h>

class TestQtPlatform : public QObject
{
    Q_OBJECT

private slots:
    void pauseWaitsWithTheMessagesRunning()
    {
        QtPlatform desktop;
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        QElapsedTimer waited;
        waited.start();
        desktop.pause(20);
        QVERIFY(ran);
        QVERIFY(waited.elapsed() >= 19);
    }

    void theSpreadsheetProgramIsLookedUpOnThePath_data()
    {
        // Scripts put on an otherwise empty PATH, with what each prints.
        QTest::addColumn<QStringList>("programs");
        QTest::addColumn<QString>("mimeHandler");
        QTest::addColumn<QStringList>("command");
        QTest::newRow("soffice before libreoffice")
            << QStringList{"soffice", "libreoffice", "xdg-open", "xdg-mime"} << "calc.desktop" << QStringList{"soffice", "-n"};
        QTest::newRow("libreoffice without soffice")
            << QStringList{"libreoffice", "xdg-open", "xdg-mime"} << "" << QStringList{"libreoffice", "-n"};
        QTest::newRow("the desktop's handler for .xlsx")
            << QStringList{"xdg-open", "xdg-mime"} << "gnumeric.desktop" << QStringList{"xdg-open"};
        QTest::newRow("no handler named") << QStringList{"xdg-open", "xdg-mime"} << "" << QStringList{};
        QTest::newRow("nothing at all") << QStringList{} << "" << QStringList{};
    }

    void theSpreadsheetProgramIsLookedUpOnThePath()
    {
        QFETCH(QStringList, programs);
        QFETCH(QString, mimeHandler);
        QFETCH(QStringList, command);
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        for (const QString &program : programs) {
            QFile script(bin + QLatin1Char('/') + program);
            QVERIFY(script.open(QIODevice::WriteOnly));
            // xdg-mime answers its query as it does with no handler set up: nothing, status 0.
            script.write(program == QLatin1String("xdg-mime") ? "#!/bin/sh\necho " + mimeHandler.toUtf8() + "\n"
                                                               : QByteArray("#!/bin/sh\n"));
            script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.toLocal8Bit());
        QtPlatform desktop;
        const QStringList found = desktop.spreadsheetCommand();
        qputenv("PATH", path);
        QStringList expected = command;
        if (!expected.isEmpty())
            expected.first() = bin + QLatin1Char('/') + expected.first();
        QCOMPARE(found, expected);
    }

    // Qt's own dialog reads a file to tell its type, and blocks for good on one that never ends
    // (/proc/kmsg); the program's tells it by the name: a file named like none but holding a
    // PDF's first bytes is listed by its name's type.
    void fileDialogsTellTypesByNameWithoutReading()
    {
        QTemporaryDir folder;
        QVERIFY(mkfifo(QFile::encodeName(folder.filePath(QStringLiteral("pipe"))).constData(), 0600) == 0);
        const QString disguised = folder.filePath(QStringLiteral("zips"));
        QFile file(disguised);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("%PDF-1.4\n") && file.flush());
        QtPlatform desktop;
        const std::unique_ptr<QFileDialog> dialog = desktop.fileDialog(QStringLiteral("Save"), QStringLiteral("All Files (*)"));
        dialog->setDirectory(folder.path());
        dialog->show();
        const auto *files = dialog->findChild<QFileSystemModel *>();
        const auto typeShown = [&] { return files->index(disguised).siblingAtColumn(2).data().toString(); };
        QTRY_COMPARE(typeShown(), QMimeDatabase().mimeTypeForName(QStringLiteral("application/octet-stream")).comment());
        dialog->close();
    }

    // The home-page visit on a desktop without xdg-open asks no one and reports nothing.
    void withoutAnOpenerAnAddressIsLeftUnopened()
    {
        QTemporaryDir emptyBin;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", emptyBin.path().toLocal8Bit());
        QtPlatform desktop;
        bool thrown = false;
        try {
            desktop.openUrl(QUrl::fromLocalFile(emptyBin.filePath(QStringLiteral("README.html"))).toString());
        } catch (const std::exception &) {
            thrown = true;
        }
        qputenv("PATH", path);
        QVERIFY(!thrown);
    }
};

QTEST_MAIN(TestQtPlatform)
#include "tst_qtplatform.moc"
