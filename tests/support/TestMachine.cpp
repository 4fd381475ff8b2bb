#include "TestMachine.h"

#include "DataFolder.h"
#include "StoreLocations.h"
#include "ZipConnection.h"
#include "ZipCursor.h"
#include "ZipQuery.h"
#include "ZipRow.h"
#include "ZipSearch.h"
#include "ZipStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <stdexcept>

TestMachine::TestMachine(bool shipPristineCopy)
{
    QDir root(dir.path());
    root.mkdir(QStringLiteral("common"));
    root.mkdir(QStringLiteral("program"));
    platform.commonRoot = root.filePath(QStringLiteral("common"));
    platform.program = root.filePath(QStringLiteral("program"));
    if (shipPristineCopy && !QFile::copy(QStringLiteral(QUILLMAP_PRISTINE_DB), pristineCopy()))
        throw std::runtime_error("cannot copy the shipped database");
    QFile::copy(QStringLiteral(QUILLMAP_CURSOR_FILE), cursorFile());
}

QString TestMachine::dataFolder()
{
    return paths::dataFolder(platform);
}

QString TestMachine::workingCopy()
{
    return paths::workingCopy(platform);
}

QString TestMachine::pristineCopy()
{
    return paths::pristineCopy(platform);
}

QString TestMachine::cursorFile()
{
    return paths::cursorFile(platform);
}

QString TestMachine::skinFile()
{
    return paths::skinFile(platform);
}

StoreLocations TestMachine::locations()
{
    return paths::storeLocations(platform);
}

QString rowText(const QString &zip, const QString &city, const QString &state)
{
    return zip + QLatin1Char('|') + city + QLatin1Char('|') + state;
}

QStringList rowsOf(const QString &databaseFile, const QString &where)
{
    ZipConnection connection;
    connection.open(databaseFile);
    QStringList rows;
    for (ZipQuery query = connection.query(QStringLiteral("select ZipCode, City, State from ZipCodes ")
                                           + where + QStringLiteral(" order by ZipCode, City"));
         !query.atEnd(); query.moveNext())
        rows.append(rowText(query.text(0), query.text(1), query.text(2)));
    return rows;
}

void makeOldWorkingCopy(const QString &pristine, const QString &path, bool withPlaces)
{
    QFile::remove(path);
    QFile::copy(pristine, path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    ZipConnection connection;
    connection.open(path);
    QStringList tables{QStringLiteral("ZipProfiles"), QStringLiteral("ZipCounties")};
    if (!withPlaces)
        tables << QStringLiteral("ZipPlaces") << QStringLiteral("ImportedRows");
    for (const QString &table : tables)
        connection.execute(QStringLiteral("drop table if exists ") + table);
    connection.execute(QStringLiteral("vacuum"));
}

void addRow(const QString &databaseFile, const QString &zip, const QString &city, const QString &state)
{
    ZipConnection connection;
    connection.open(databaseFile);
    connection.execute(QStringLiteral("insert into ZipCodes values (?1, ?2, ?3)"), {zip, city, state});
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QString integrityOf(const QString &databaseFile)
{
    try {
        ZipConnection connection;
        connection.open(databaseFile);
        return connection.query(QStringLiteral("pragma integrity_check")).text(0);
    } catch (const std::exception &failure) {
        return QString::fromUtf8(failure.what());
    }
}

QStringList searchRows(const ZipConnection &connection, const QString &text)
{
    QStringList rows;
    for (ZipQuery query = openZipSearch(connection, text); !query.atEnd(); query.moveNext())
        rows.append(rowText(query.text(ZipCodeColumn), query.text(CityColumn), query.text(StateColumn)));
    return rows;
}

QStringList searchRows(ZipStore &store, const QString &text)
{
    QStringList rows;
    for (const auto cursor = store.search(text); !cursor->atEnd(); cursor->moveNext())
        rows.append(cursor->text(ZipCodeColumn) + u'|' + cursor->text(CityColumn) + u'|' + cursor->text(StateColumn));
    return rows;
}
