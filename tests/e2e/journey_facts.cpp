// What the journey knows of the program, taken from the program's own sources: where it keeps
// its files below a common application-data folder and a program folder, and where each control
// of the main window sits.
//   usage: journey_facts COMMON_ROOT PROGRAM_FOLDER
// One fact a line, TAB-separated: "path", its name and the path; "control", its accessible name
// and its place in the window's client area in pixels: left, top, width and height.
#include "DataFolder.h"
#include "ScriptedPlatform.h"
#include "Twips.h"
#include "WindowLayout.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QTextStream out(stdout);
    if (arguments.size() != 3) {
        QTextStream(stderr) << "usage: journey_facts COMMON_ROOT PROGRAM_FOLDER\n";
        return 2;
    }
    ScriptedPlatform machine;
    machine.commonRoot = arguments.at(1);
    machine.program = arguments.at(2);
    out << "path\tvendor folder\t" << paths::vendorFolder(machine) << '\n'
        << "path\tdata folder\t" << paths::dataFolder(machine) << '\n'
        << "path\tworking copy\t" << paths::workingCopy(machine) << '\n'
        << "path\tpristine copy\t" << paths::pristineCopy(machine) << '\n';
    for (const layout::Control &control : layout::kControls) {
        const QRect place = pixelsFromTwips(layout::windowTwips(control));
        out << "control\t" << QString::fromUtf8(control.accessibleName) << '\t' << place.x() << ' ' << place.y() << ' '
            << place.width() << ' ' << place.height() << '\n';
    }
    return 0;
}
