#include "CommandLine.h"
#include "Form1.h"
#include "QtPlatform.h"
#include "StandardStream.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler g_qtHandler = nullptr;
bool g_displayUnreachable = false;

// Qt meets a display it cannot reach with a warning, more warnings, and an abort that blames the
// installation. A person needs to hear that there is no display, and a script a status of 2.
void sayWhenNoDisplay(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    g_displayUnreachable = g_displayUnreachable || message.startsWith(QLatin1String("could not connect to display"))
        || message.startsWith(QLatin1String("Failed to create wl_display"));
    if (!g_displayUnreachable) {
        g_qtHandler(type, context, message);
    } else if (type == QtFatalMsg) {
        std::fputs("quillmap: there is no display to open the window on "
                   "(the command-line options need none: quillmap --help)\n",
                   stderr);
        std::_Exit(int(ExitStatus::Failed));
    }
}

int openWindow(int &argc, char **argv)
{
    g_qtHandler = qInstallMessageHandler(sayWhenNoDisplay);
    QApplication application(argc, argv);
    qInstallMessageHandler(g_qtHandler);
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
