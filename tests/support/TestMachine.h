#pragma once

#include "ScriptedPlatform.h"

#include <QTemporaryDir>

struct StoreLocations;

// A machine of its own for one test: an empty common application-data folder and a program
// folder that holds the shipped database and cursor, both in a temporary folder.
class TestMachine
{
public:
    explicit TestMachine(bool shipPristineCopy = true);

    // The program's own paths on this machine.
    QString dataFolder();
    QString workingCopy();
    QString pristineCopy();
    QString cursorFile();
    QString skinFile();
    // What the store takes of this machine.
    StoreLocations locations();

    QTemporaryDir dir;
    ScriptedPlatform platform;
};

// A row as the tests write it: "zip|city|state".
QString rowText(const QString &zip, const QString &city, const QString &state);
// Reads the rows of a database file, "zip|city|state" each, in ZIP order.
QStringList rowsOf(const QString &databaseFile, const QString &where = {});
// A working copy as version 1.0 made it: the pristine copy without the places, the record of
// imports and the profiles, written afresh at the path; or with the places, as 1.0 did later.
void makeOldWorkingCopy(const QString &pristine, const QString &path, bool withPlaces = false);
void addRow(const QString &databaseFile, const QString &zip, const QString &city, const QString &state);
QByteArray fileBytes(const QString &path);
// Writes the bytes as the whole file, making its folder if need be.
void writeFile(const QString &path, const QByteArray &bytes);
// "ok", or what is wrong with the database file.
QString integrityOf(const QString &databaseFile);

class ZipConnection;
class ZipStore;
// The rows a search of the text lists through the connection or the store, "zip|city|state" each.
QStringList searchRows(const ZipConnection &connection, const QString &text);
QStringList searchRows(ZipStore &store, const QString &text);
