#include "ZipSession.h"

#include "PostgresZipStore.h"
#include "SqliteZipStore.h"
#include "StoreErrors.h"
#include "StoreLocations.h"

#include <stdexcept>

ZipSession::ZipSession() = default;
ZipSession::~ZipSession() = default;

void ZipSession::create(const StoreLocations &locations)
{
    if (locations.server.isEmpty())
        m_store = std::make_unique<SqliteZipStore>(locations);
    else
        m_store = std::make_unique<PostgresZipStore>(locations.server, locations.pristineCopy);
}

void ZipSession::release()
{
    m_store.reset();
}

ZipStore &ZipSession::store() const
{
    if (!m_store)
        throw std::runtime_error(storeerrors::kNotSet);
    return *m_store;
}
