#include "AppInfo.h"
#include "DataFolder.h"
#include "FirstStart.h"
#include "Form1.h"
#include "ImportSession.h"
#include "Provenance.h"
#include "QtPlatform.h"
#include "ServerSetting.h"
#include "ShippedCopy.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

#include <cstdio>

namespace {

// The options; without any of them the window opens as it always has, and Qt's own options
// (-platform, -style, ...) still reach the window.
struct Options {
    Options()
    {
        parser.setApplicationDescription(
            QStringLiteral("Offline US ZIP code lookup. Without options it opens its window.\n"
                           "To share one ZIP list across an office, an administrator names a PostgreSQL server in\n"
                           "%1 ([database] server=host=... dbname=..., no password).")
                .arg(serverSettingFile()));
        // Qt's own options are single-dash words (-platform): each is then one option, not letters.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addHelpOption();
        parser.addOptions({version, import, yes});
    }

    bool given() const
    {
        return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) || parser.isSet(version)
            || parser.isSet(import) || parser.isSet(yes);
    }

    QCommandLineParser parser;
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Print the version and the date of the ZIP data.")};
    QCommandLineOption import{
        QStringLiteral("import"),
        QStringLiteral("Import a newer ZIP data file (GeoNames' US.txt or a CSV with the header ZIP,City,State) into "
                       "the working copy, keeping your own changes; prints what changes and asks first. Not "
                       "with the office's server, which holds the shipped rows and the office's edits only."),
        QStringLiteral("file")};
    QCommandLineOption yes{{QStringLiteral("y"), QStringLiteral("yes")},
                           QStringLiteral("With --import: import without asking.")};
};

// The options Qt's application object takes for itself (-platform, -style, ...): an unknown
// option among them is the window's, not a mistake.
bool isQtOwnOption(const QString &name)
{
    static const QStringList qtOwn{
        "platform", "platformpluginpath", "platformtheme", "plugin",     "qmljsdebugger", "qwindowgeometry",
        "geometry", "qwindowicon",        "icon",          "qwindowtitle", "title",       "reverse",
        "session",  "display",            "name",          "visual",     "ncols",         "cmap",
        "im",       "inputstyle",         "nograb",        "dograb",     "sync",          "style",
        "stylesheet", "widgetcount",      "testability"};
    return qtOwn.contains(name);
}

int printVersion(Platform &platform)
{
    QTextStream out(stdout);
    out << appinfo::kDisplayName << ' ' << appinfo::kVersion << '\n';
    ZipSession session;
    session.create(platform);
    out << describeData(ShippedCopy(paths::pristineCopy(platform)).sources(), session.store().provenance()).join(u'\n')
        << '\n';
    return 0;
}

bool personSaysYes()
{
    QTextStream out(stdout);
    out << "\nImport? [y/N] " << Qt::flush;
    const QString answer = QTextStream(stdin).readLine().trimmed();
    return answer.compare(u"y", Qt::CaseInsensitive) == 0 || answer.compare(u"yes", Qt::CaseInsensitive) == 0;
}

int importFile(Platform &platform, const QString &path, bool withoutAsking)
{
    QTextStream out(stdout);
    ImportSession import;
    if (const QString refusal = import.read(path); !refusal.isEmpty()) {
        QTextStream(stderr) << refusal << '\n';
        return 1;
    }
    ZipSession session;
    session.create(platform);
    ImportSession::requireImports(session.store());
    prepareFirstStart(platform);
    session.store().open();
    import.readShippedRows(paths::pristineCopy(platform));
    if (!withoutAsking) {
        out << import.summary(import.plan(session.store())) << Qt::flush;
        if (!personSaysYes()) {
            out << "Nothing imported.\n";
            return 1;
        }
    }
    const ImportPlan done = import.apply(session.store());
    if (withoutAsking)
        out << import.summary(done) << '\n';
    out << QStringLiteral("Imported: %1 added, %2 removed, %3 renamed, %4 kept as you changed them.\n")
               .arg(done.count(ZipOutcome::Added))
               .arg(done.count(ZipOutcome::Removed))
               .arg(done.count(ZipOutcome::Renamed))
               .arg(done.count(ZipOutcome::Kept));
    return 0;
}

// The options' work, with no window and no display.
int runCommandLine(Options &options, int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    options.parser.process(application);
    if (options.parser.isSet(options.yes) && !options.parser.isSet(options.import)) {
        std::fputs("quillmap: --yes goes with --import\n", stderr);
        return 2;
    }
    QtPlatform platform; // for the data folder's and the program folder's paths only
    try {
        if (options.parser.isSet(options.version))
            return printVersion(platform);
        return importFile(platform, options.parser.value(options.import), options.parser.isSet(options.yes));
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "quillmap: %s\n", failure.what());
        return 1;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    Options options;
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    options.parser.parse(arguments);
    for (const QString &unknown : options.parser.unknownOptionNames()) {
        if (!isQtOwnOption(unknown)) {
            QTextStream(stderr) << "quillmap: unknown option '" << unknown << "'\n" << options.parser.helpText();
            return 2;
        }
    }
    if (options.given())
        return runCommandLine(options, argc, argv);

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
