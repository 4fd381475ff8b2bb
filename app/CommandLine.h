#pragma once

#include "ExitStatus.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <vector>

class StandardStream;

// The options for scripts, their rules and their dispatch. Without any of them the window opens,
// and Qt's own options (-platform offscreen, -style Fusion, ...) are left to it. A new command is
// an option below, a place in commands(), and a line of dispatch().
class CommandLine
{
public:
    // Keeps argc and argv for the application object run() makes, as Qt's requires.
    CommandLine(int &argc, char **argv);

    // No option of ours, no stray argument, no mistake: the window's turn.
    bool opensWindow() const;
    // Does what the options say, with no window and no display; returns the exit status.
    int run();

private:
    // An option that goes only with a command; a needed one must come with it.
    struct Companion {
        const QCommandLineOption *option;
        const QCommandLineOption *command;
        bool needed;
    };

    std::vector<const QCommandLineOption *> commands() const;
    std::vector<Companion> companions() const;
    bool isSet(const QCommandLineOption &option) const { return m_parser.isSet(option); }
    QString value(const QCommandLineOption &option) const { return m_parser.value(option); }
    // Why the options cannot run, or the empty text.
    QString mistake() const;
    QString usage() const;
    ExitStatus dispatch(StandardStream &out) const;

    int &m_argc;
    char **m_argv;
    QCommandLineParser m_parser;
    bool m_parsed = false;

    QCommandLineOption m_help{{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("help-all")},
                              QStringLiteral("List the options.")};
    QCommandLineOption m_version{{QStringLiteral("v"), QStringLiteral("version")},
                                 QStringLiteral("Print the version and the date of the ZIP data.")};
    QCommandLineOption m_import{
        QStringLiteral("import"),
        QStringLiteral("Import a newer ZIP data file (GeoNames' US.txt or a CSV with the header ZIP,City,State) into "
                       "the working copy, keeping your own changes; prints what changes and asks first. Not "
                       "with the office's server, which holds the shipped rows and the office's edits only."),
        QStringLiteral("file")};
    QCommandLineOption m_yes{{QStringLiteral("y"), QStringLiteral("yes")},
                             QStringLiteral("With --import: import without asking.")};
    QCommandLineOption m_allowRemovals{
        QStringLiteral("allow-removals"),
        QStringLiteral("With --import: import a file that removes more than half of a state's ZIPs, as a dump cut "
                       "short would; without it such a file is refused.")};
    QCommandLineOption m_search{
        QStringLiteral("search"),
        QStringLiteral("Print the rows the window lists for the text (a ZIP or its first digits, or the start of a "
                       "city or state name), in its order, with each ZIP's county, coordinates, time zone, "
                       "counties with their shares of its residents, population and kind (area, post office, "
                       "military)."),
        QStringLiteral("text")};
    QCommandLineOption m_near{QStringLiteral("near"),
                              QStringLiteral("With --miles: print the rows whose ZIP lies within that distance of the "
                                             "ZIP, nearest first, the ZIP itself first, with a last column Miles; or "
                                             "of a point given as latitude,longitude (40.75,-73.99)."),
                              QStringLiteral("zip|point")};
    QCommandLineOption m_county{
        QStringLiteral("county"),
        QStringLiteral("Print the rows of the ZIPs with any share of their residents in the county, given as "
                       "\"NAME, ST\" or its five-digit FIPS code, largest share first, with a last column Share. "
                       "A name two counties of the state share (Baltimore, MD) is refused with their FIPS codes."),
        QStringLiteral("county")};
    QCommandLineOption m_distance{QStringLiteral("distance"),
                                  QStringLiteral("Print the miles between two ZIPs: --distance ZIP ZIP."),
                                  QStringLiteral("zip")};
    QCommandLineOption m_miles{QStringLiteral("miles"),
                               QStringLiteral("With --near: the distance in miles, from 0.1 to 500, such as 2.5."),
                               QStringLiteral("n")};
    QCommandLineOption m_lookup{
        QStringLiteral("lookup"),
        QStringLiteral("Write the list in the file (CSV, TSV or .xlsx; - for standard input) back, every row in its "
                       "order with its ZIP's City, State, County, Latitude, Longitude, TimeZone, Counties, Population, "
                       "Kind, Other Names and Match, in the list's own encoding and separator."),
        QStringLiteral("file")};
    QCommandLineOption m_column{QStringLiteral("column"),
                                QStringLiteral("With --lookup: the ZIP column, by its header or its number from 1."),
                                QStringLiteral("name|number")};
    QCommandLineOption m_output{QStringLiteral("output"),
                                QStringLiteral("With --lookup: write the list to the file, whole or not at all; a name "
                                               "ending in .xlsx writes a workbook."),
                                QStringLiteral("file")};
};
