#include "CommandLine.h"
#include "Form1.h"
#include "QtPlatform.h"
#include "StandardStream.h"

#include <QApplication>

namespace {

int openWindow(int &argc, char **argv)
{
    QApplication application(argc, argv);
    QtPlatform platform;
    platform.removeOldHandedFiles();
    Form1 form(platform);
    // Every start-up step, with its error boxes, is done before the window shows.
    form.load();
    platform.setDialogParent(&form);
    form.show();
    return application.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    holdStandardDescriptors();
    CommandLine commandLine(argc, argv);
    if (commandLine.opensWindow())
        return openWindow(argc, argv);
    return commandLine.run();
}
