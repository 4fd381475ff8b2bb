// Writes the working copy as the program does, for the tests that kill writers or run several
// at once. It prints a line the moment each write has returned, so the test knows which writes
// must have lasted:
//   faultwriter add <data folder> <first number> <count> <city>
//     opens the working copy, prints "ready" and waits for a line or the end of its input; then
//     adds <count> rows (<zip>, <city>, "ZZ") from the ZIP <first> on, skipping ZIPs that have a
//     row, and prints "added <zip>" the moment each add has returned;
//   faultwriter reset <data folder> <pristine copy>
//     opens the working copy, prints "ready", closes it, resets it, prints "reset" and opens it again;
//   faultwriter import <data folder> <pristine copy> <data file>
//     opens the working copy, reads the file, prints "ready" and waits for a line or the end of its
//     input; then imports the file without asking and prints "imported";
//   faultwriter upgrade <data folder> <pristine copy>
//     opens the working copy, prints "ready" and waits for a line or the end of its input; then
//     upgrades it as the program's open does and prints "upgraded".
#include "AppInfo.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"
#include "ZipEdits.h"
#include "ZipImport.h"

#include <QDir>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void addRows(ZipConnection &connection, int first, int count, const QString &city)
{
    for (int number = first, added = 0; added < count; ++number) {
        const std::optional<QString> zip = storedZip(QString::number(number));
        if (!zip)
            throw std::runtime_error("no five-digit ZIP is left to add");
        if (!zipExists(connection, *zip) && addZipRow(connection, *zip, city, QStringLiteral("ZZ"))) {
            say(QStringLiteral("added ") + *zip);
            ++added;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const bool adding = mode == QLatin1String("add") && argc == 6;
    const bool resetting = mode == QLatin1String("reset") && argc == 4;
    const bool importing = mode == QLatin1String("import") && argc == 5;
    const bool upgrading = mode == QLatin1String("upgrade") && argc == 4;
    if (!adding && !resetting && !importing && !upgrading) {
        std::fputs("usage: faultwriter add <data folder> <first> <count> <city>\n"
                   "       faultwriter reset <data folder> <pristine copy>\n"
                   "       faultwriter import <data folder> <pristine copy> <data file>\n"
                   "       faultwriter upgrade <data folder> <pristine copy>\n",
                   stderr);
        return 2;
    }
    const QString workingCopy = QDir(QString::fromLocal8Bit(argv[2])).filePath(appinfo::kWorkingCopyFile);
    try {
        ZipConnection connection;
        connection.open(workingCopy);
        // The file and the shipped rows are read before "ready", so kills fall on the merge.
        std::optional<ZipImport> import;
        if (importing)
            import.emplace(readZipDataFile(QString::fromLocal8Bit(argv[4])), QString::fromLocal8Bit(argv[3]));
        say(QStringLiteral("ready"));
        if (adding || importing || upgrading) {
            // Several writers start together once each has opened the working copy.
            for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
            }
        }
        if (adding) {
            addRows(connection, std::atoi(argv[3]), std::atoi(argv[4]), QString::fromLocal8Bit(argv[5]));
        } else if (upgrading) {
            upgradeWorkingCopy(connection, QString::fromLocal8Bit(argv[3]));
            say(QStringLiteral("upgraded"));
        } else if (importing) {
            import->apply(connection);
            say(QStringLiteral("imported"));
        } else {
            connection.close();
            resetWorkingCopy(QString::fromLocal8Bit(argv[3]), workingCopy);
            say(QStringLiteral("reset"));
            connection.open(workingCopy);
        }
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "faultwriter %s: %s\n", argv[1], failure.what());
        return 1;
    }
    return 0;
}
