#include "SqliteZipStore.h"

#include "DataFolder.h"
#include "Provenance.h"
#include "WorkingCopy.h"
#include "ZipCursor.h"
#include "ZipEdits.h"
#include "ZipImport.h"
#include "ZipQuery.h"
#include "ZipSearch.h"

#include <stdexcept>

namespace {

class SqliteCursor : public ZipCursor
{
public:
    explicit SqliteCursor(ZipQuery query) : m_query(std::move(query)) {}

    bool atEnd() const override { return m_query.atEnd(); }
    QString text(int column) const override { return m_query.text(column); }
    void moveNext() override { m_query.moveNext(); }

private:
    ZipQuery m_query;
};

} // namespace

SqliteZipStore::SqliteZipStore(Platform &platform) : m_platform(platform) {}

void SqliteZipStore::open()
{
    m_connection.open(paths::workingCopy(m_platform));
}

bool SqliteZipStore::isOpen() const
{
    return m_connection.isOpen();
}

void SqliteZipStore::close()
{
    m_connection.close();
}

std::unique_ptr<ZipCursor> SqliteZipStore::search(const QString &text)
{
    return std::make_unique<SqliteCursor>(openZipSearch(m_connection, text));
}

bool SqliteZipStore::exists(const QString &zip)
{
    return zipExists(m_connection, zip);
}

bool SqliteZipStore::add(const QString &zip, const QString &city, const QString &state)
{
    return addZipRow(m_connection, zip, city, state);
}

int SqliteZipStore::remove(const QString &zip)
{
    return deleteZip(m_connection, zip);
}

void SqliteZipStore::reset()
{
    resetWorkingCopy(paths::pristineCopy(m_platform), paths::workingCopy(m_platform));
}

QString SqliteZipStore::importRefusal() const
{
    return {};
}

ImportPlan SqliteZipStore::planImport(const ZipImport &import)
{
    return import.plan(m_connection);
}

ImportPlan SqliteZipStore::applyImport(const ZipImport &import)
{
    return import.apply(m_connection);
}

std::vector<ProvenanceEntry> SqliteZipStore::provenance()
{
    if (isOpen())
        return provenanceOf(m_connection);
    // A machine that never started the window has no working copy, and so no imports.
    if (!fileExists(paths::workingCopy(m_platform)))
        return {};
    ZipConnection working;
    working.open(paths::workingCopy(m_platform));
    return provenanceOf(working);
}
