#pragma once

#include "ScriptedPlatform.h"

#include <QTemporaryDir>

// A machine of its own for one test: an empty common application-data folder and a program
// folder that holds the shipped database and cursor, both in a temporary folder.
class TestMachine
{
public:
    explicit TestMachine(bool shipPristineCopy = true);

    QString dataFolder() const;
    QString workingCopy() const;
    QString pristineCopy() const;

    QTemporaryDir dir;
    ScriptedPlatform platform;
};

// An ADO-style connection string whose data source is the given database file.
QString connectionStringFor(const QString &databaseFile);
// Reads the rows of a database file, "zip|city|state" each, in ZIP order.
QStringList rowsOf(const QString &databaseFile, const QString &where = {});
void addRow(const QString &databaseFile, const QString &zip, const QString &city, const QString &state);
QByteArray fileBytes(const QString &path);
