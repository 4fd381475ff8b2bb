#include "Form1.h"
#include "QtPlatform.h"

#include <QApplication>

int main(int argc, char *argv[])
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
