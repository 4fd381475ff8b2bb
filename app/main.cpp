#include "AppInfo.h"
#include "DataFolder.h"
#include "FirstStart.h"
#include "Form1.h"
#include "ImportSession.h"
#include "MilesRange.h"
#include "Provenance.h"
#include "QtPlatform.h"
#include "ServerSetting.h"
#include "ShippedCopy.h"
#include "ZipCursor.h"
#include "ZipPlace.h"
#include "ZipRow.h"
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
                           "%1 ([database] server=host=... dbname=..., no password).\n\n"
                           "For scripts, --search and --near print tab-separated UTF-8 rows with a header line;\n"
                           "they exit 0 when rows were printed, 1 when none matched, 2 on bad input or a failure:\n"
                           "  quillmap --search 021\n"
                           "  quillmap --near 10001 --miles 3")
                .arg(serverSettingFile()));
        // Qt's own options are single-dash words (-platform): each is then one option, not letters.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addHelpOption();
        parser.addOptions({version, import, yes, allowRemovals, search, near, miles});
    }

    bool given() const
    {
        return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) || parser.isSet(version)
            || parser.isSet(import) || parser.isSet(yes) || parser.isSet(allowRemovals) || parser.isSet(search)
            || parser.isSet(near) || parser.isSet(miles);
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
    QCommandLineOption allowRemovals{
        QStringLiteral("allow-removals"),
        QStringLiteral("With --import: import a file that removes more than half of a state's ZIPs, as a dump cut "
                       "short would; without it such a file is refused.")};
    QCommandLineOption search{
        QStringLiteral("search"),
        QStringLiteral("Print the rows the window lists for the text (a ZIP or its first digits, or the start of a "
                       "city or state name), in its order, with each ZIP's county and coordinates."),
        QStringLiteral("text")};
    QCommandLineOption near{QStringLiteral("near"),
                            QStringLiteral("With --miles: print the rows whose ZIP lies within that distance of the "
                                           "ZIP, nearest first, the ZIP itself first, with a last column Miles."),
                            QStringLiteral("zip")};
    QCommandLineOption miles{QStringLiteral("miles"),
                             QStringLiteral("With --near: the distance in miles, from 0.1 to 500, such as 2.5."),
                             QStringLiteral("n")};
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

int importFile(Platform &platform, const QString &path, bool withoutAsking, bool allowRemovals)
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
    if (allowRemovals)
        import.confirmMassRemoval();
    if (!withoutAsking) {
        const ImportPlan plan = import.plan(session.store());
        out << import.summary(plan) << Qt::flush;
        import.requireConfirmedRemovals(plan);
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

// The store the window would use, with the first start's pieces as the window's start-up runs them.
void openStore(Platform &platform, ZipSession &session)
{
    session.create(platform);
    if (platform.serverSetting().isEmpty())
        prepareFirstStart(platform);
    session.store().open();
}

// A field of a tab-separated line: a tab or line break inside it would break the line's columns.
QString field(QString text)
{
    for (QChar &c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

const QLatin1String kPlaceHeader("ZIP\tCity\tState\tCounty\tLatitude\tLongitude");

void printPlaceRow(QTextStream &out, const ZipRow &row, const ZipPlace &place)
{
    out << field(row.zip) << '\t' << field(row.city) << '\t' << field(row.state) << '\t' << field(place.county) << '\t';
    if (place.position)
        out << coordinateText(place.position->latitude) << '\t' << coordinateText(place.position->longitude);
    else
        out << '\t';
}

int printSearch(Platform &platform, const QString &text)
{
    ZipSession session;
    openStore(platform, session);
    const QHash<QString, ZipPlace> places = session.store().places();
    const std::unique_ptr<ZipCursor> rows = session.store().search(text);
    QTextStream out(stdout);
    out << kPlaceHeader << '\n';
    int printed = 0;
    for (; !rows->atEnd(); rows->moveNext(), ++printed) {
        const ZipRow row{rows->text(ZipCodeColumn), rows->text(CityColumn), rows->text(StateColumn)};
        printPlaceRow(out, row, places.value(row.zip));
        out << '\n';
    }
    return printed > 0 ? 0 : 1;
}

int printNear(Platform &platform, const QString &zip, double distance)
{
    ZipSession session;
    openStore(platform, session);
    ZipStore &store = session.store();
    if (!store.exists(zip))
        throw std::runtime_error(QStringLiteral("no ZIP %1 in the ZIP list").arg(zip).toStdString());
    if (const std::optional<ZipPlace> centre = store.place(zip); !centre || !centre->position)
        throw std::runtime_error(
            miles::noCoordinatesText(zip).toStdString());
    const std::vector<NearbyRow> nearby = store.rowsNear(zip, distance);
    QTextStream out(stdout);
    out << kPlaceHeader << "\tMiles\n";
    for (const NearbyRow &near : nearby) {
        printPlaceRow(out, near.row, near.place);
        out << '\t' << QString::number(near.miles, 'f', 2) << '\n';
    }
    return nearby.empty() ? 1 : 0;
}

// --search and --near: 0 rows printed, 1 none matched, 2 bad input or a failure, as grep does.
int printRows(Options &options, Platform &platform)
{
    const auto refuse = [](const QString &reason) {
        QTextStream(stderr) << "quillmap: " << reason << '\n';
        return 2;
    };
    if (options.parser.isSet(options.near) != options.parser.isSet(options.miles))
        return refuse(QStringLiteral("--near and --miles go together"));
    if (options.parser.isSet(options.search) && options.parser.isSet(options.near))
        return refuse(QStringLiteral("--search and --near go one at a time"));
    try {
        if (options.parser.isSet(options.search))
            return printSearch(platform, options.parser.value(options.search));
        const QString typed = options.parser.value(options.miles);
        const std::optional<double> distance = miles::inRange(typed);
        if (!distance)
            return refuse(QStringLiteral("the distance must be a number of miles from %1, such as 2.5, not '%2'")
                              .arg(miles::rangeText(), typed));
        return printNear(platform, options.parser.value(options.near).trimmed(), *distance);
    } catch (const std::exception &failure) {
        return refuse(QString::fromUtf8(failure.what()));
    }
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
    if (options.parser.isSet(options.allowRemovals) && !options.parser.isSet(options.import)) {
        std::fputs("quillmap: --allow-removals goes with --import\n", stderr);
        return 2;
    }
    QtPlatform platform; // for the data folder's and the program folder's paths only
    if (options.parser.isSet(options.search) || options.parser.isSet(options.near) || options.parser.isSet(options.miles))
        return printRows(options, platform);
    try {
        if (options.parser.isSet(options.version))
            return printVersion(platform);
        return importFile(platform, options.parser.value(options.import), options.parser.isSet(options.yes),
                          options.parser.isSet(options.allowRemovals));
    } catch (const MassRemovalRefusal &refusal) {
        std::fprintf(stderr, "quillmap: %s --allow-removals imports it all the same.\n", refusal.what());
        return 2;
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
