// Writes the program's drawn icon as PNG files in a hicolor theme tree:
// OUTDIR/NxN/apps/NAME.png for each size N given.
#include "ProgramIcon.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_icons OUTDIR NAME SIZE...\n");
        return 2;
    }
    const QString outdir = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(outdir).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
        if (size <= 0 || !QDir().mkpath(folder) || !programIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
