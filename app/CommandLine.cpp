#include "CommandLine.h"

#include "DataFolder.h"
#include "DataRoot.h"
#include "ImportCommand.h"
#include "LookupCommand.h"
#include "PrintCommands.h"
#include "ServerSetting.h"
#include "StandardStream.h"
#include "StoreLocations.h"

#include <QCoreApplication>

#include <stdexcept>

namespace {

// Qt's own options, which the window's application object takes: those followed by a value
// (-platform offscreen), and those that stand alone.
const QStringList kQtOptionsWithValue{
    QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("geometry"),
    QStringLiteral("qwindowicon"), QStringLiteral("icon"), QStringLiteral("qwindowtitle"), QStringLiteral("title"),
    QStringLiteral("session"), QStringLiteral("display"), QStringLiteral("name"), QStringLiteral("visual"),
    QStringLiteral("ncols"), QStringLiteral("im"), QStringLiteral("inputstyle"), QStringLiteral("style"),
    QStringLiteral("stylesheet")};
const QStringList kQtFlags{QStringLiteral("reverse"), QStringLiteral("cmap"), QStringLiteral("nograb"),
                           QStringLiteral("dograb"), QStringLiteral("sync"), QStringLiteral("widgetcount"),
                           QStringLiteral("testability"), QStringLiteral("qmljsdebugger")};

// "style" for -style, --style and -style=Fusion; empty for what is no option.
QString optionName(const QString &argument)
{
    if (!argument.startsWith(u'-'))
        return {};
    return argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).section(u'=', 0, 0);
}

// The arguments without Qt's own options and their values, which are the window's.
QStringList withoutQtOptions(const QStringList &arguments)
{
    QStringList ours = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString name = optionName(arguments[i]);
        if (arguments[i] == u"--")
            return ours + arguments.mid(i);
        if (kQtOptionsWithValue.contains(name) && !arguments[i].contains(u'='))
            ++i;
        else if (!kQtOptionsWithValue.contains(name) && !kQtFlags.contains(name))
            ours.append(arguments[i]);
    }
    return ours;
}

QStringList argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// The option as --help lists it: its long name.
QString dashed(const QCommandLineOption &option)
{
    for (const QString &name : option.names())
        if (name.size() > 1)
            return QStringLiteral("--") + name;
    return QStringLiteral("-") + option.names().constFirst();
}

// The locations the window would use, found as its platform finds them.
StoreLocations machineLocations()
{
    return paths::storeLocations(machineDataRoot(), executableFolder(), configuredServer());
}

// The reason on standard error; when that fails too, the exit status alone tells it.
void tell(const QString &text)
{
    StandardStream err(STDERR_FILENO);
    try {
        err << QLatin1String("quillmap: ") << text << '\n';
        err.flush();
    } catch (const std::runtime_error &) {
    }
}

} // namespace

CommandLine::CommandLine(int &argc, char **argv) : m_argc(argc), m_argv(argv)
{
    m_parser.setApplicationDescription(
        QStringLiteral("Offline US ZIP code lookup. Without options it opens its window, which takes Qt's own options\n"
                       "(-platform, -style, -display, ...).\n"
                       "To share one ZIP list across an office, an administrator names a PostgreSQL server in\n"
                       "%1 ([database] server=host=... dbname=..., no password).\n\n"
                       "For scripts, --search, --near and --county print tab-separated UTF-8 rows with a header line:\n"
                       "  quillmap --search 021\n"
                       "  quillmap --near 10001 --miles 3\n"
                       "  quillmap --near 40.75,-73.99 --miles 2\n"
                       "  quillmap --county \"Suffolk, MA\"\n"
                       "  quillmap --distance 02134 10001\n"
                       "--lookup writes a list (CSV, TSV or .xlsx) back with each row's place:\n"
                       "  quillmap --lookup customers.csv --output found.csv\n\n"
                       "Exit status, for every option: 0 done (rows printed, a file imported), 1 nothing matched\n"
                       "(no row, or the import answered no), 2 bad input or a failure (an unknown option or ZIP,\n"
                       "a refused file, an output that cannot be written), with the reason on standard error.")
            .arg(serverSettingFile()));
    // Single-dash words are whole options, as Qt's own are (-platform), not runs of letters.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOptions({m_help, m_version, m_import, m_yes, m_allowRemovals, m_search, m_near, m_miles, m_county,
                         m_distance, m_lookup, m_column, m_output});
    m_parsed = m_parser.parse(withoutQtOptions(argumentsOf(argc, argv)));
}

bool CommandLine::opensWindow() const
{
    return m_parsed && m_parser.optionNames().isEmpty() && m_parser.positionalArguments().isEmpty();
}

int CommandLine::run()
{
    QCoreApplication application(m_argc, m_argv);
    if (const QString why = mistake(); !why.isEmpty()) {
        tell(why + u'\n' + usage());
        return int(ExitStatus::Failed);
    }
    StandardStream out(STDOUT_FILENO);
    try {
        const ExitStatus status = dispatch(out);
        out.flush();
        return int(status);
    } catch (const std::exception &failure) {
        tell(QString::fromUtf8(failure.what()));
        return int(ExitStatus::Failed);
    }
}

std::vector<const QCommandLineOption *> CommandLine::commands() const
{
    return {&m_help, &m_version, &m_import, &m_search, &m_near, &m_county, &m_distance, &m_lookup};
}

std::vector<CommandLine::Companion> CommandLine::companions() const
{
    return {{&m_miles, &m_near, true}, {&m_yes, &m_import, false}, {&m_allowRemovals, &m_import, false}, {&m_column, &m_lookup, false}, {&m_output, &m_lookup, false}};
}

QString CommandLine::mistake() const
{
    if (!m_parsed) {
        const QStringList unknown = m_parser.unknownOptionNames();
        return unknown.isEmpty() ? m_parser.errorText() : QStringLiteral("unknown option '%1'").arg(unknown.constFirst());
    }
    // --distance takes its second ZIP as the one argument that follows.
    const QStringList arguments = m_parser.positionalArguments();
    if (isSet(m_distance) && arguments.size() != 1)
        return arguments.isEmpty() ? QStringLiteral("--distance takes two ZIPs")
                                   : QStringLiteral("unexpected argument '%1'").arg(arguments[1]);
    if (!isSet(m_distance) && !arguments.isEmpty())
        return QStringLiteral("unexpected argument '%1'").arg(arguments.constFirst());
    std::vector<const QCommandLineOption *> given;
    for (const QCommandLineOption *command : commands())
        if (isSet(*command))
            given.push_back(command);
    if (given.size() > 1)
        return QStringLiteral("%1 and %2 go one at a time").arg(dashed(*given[0]), dashed(*given[1]));
    for (const Companion &companion : companions()) {
        if (companion.needed && isSet(*companion.option) != isSet(*companion.command))
            return QStringLiteral("%1 and %2 go together").arg(dashed(*companion.command), dashed(*companion.option));
        if (isSet(*companion.option) && !isSet(*companion.command))
            return QStringLiteral("%1 goes with %2").arg(dashed(*companion.option), dashed(*companion.command));
    }
    return {};
}

QString CommandLine::usage() const
{
    // Qt names the executable as it was typed, or not at all before an application object exists.
    QString text = m_parser.helpText();
    return text.replace(0, text.indexOf(u'\n'), QStringLiteral("Usage: quillmap [options]"));
}

ExitStatus CommandLine::dispatch(StandardStream &out) const
{
    if (isSet(m_help)) {
        out << usage();
        return ExitStatus::Done;
    }
    const StoreLocations locations = machineLocations();
    if (isSet(m_version))
        return printVersion(locations, out);
    if (isSet(m_search))
        return printSearch(locations, value(m_search), out);
    if (isSet(m_lookup))
        return lookUpList(locations, value(m_lookup), value(m_column), value(m_output));
    if (isSet(m_near))
        return printNear(locations, value(m_near).trimmed(), value(m_miles), out);
    if (isSet(m_county))
        return printCounty(locations, value(m_county), out);
    if (isSet(m_distance))
        return printDistance(locations, value(m_distance).trimmed(), m_parser.positionalArguments().constFirst().trimmed(),
                             out);
    return importFile(locations, value(m_import), ImportChoices{isSet(m_yes), isSet(m_allowRemovals)}, out);
}
