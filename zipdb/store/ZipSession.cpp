#include "ZipSession.h"

#include "DataFolder.h"
#include "Platform.h"
#include "PostgresZipStore.h"
#include "SqliteZipStore.h"
#include "StoreErrors.h"

#include <stdexcept>

ZipSession::ZipSession() = default;
ZipSession::~ZipSession() = default;

void ZipSession::create(Platform &platform)
{
    const QString server = platform.serverSetting();
    if (server.isEmpty())
        m_store = std::make_unique<SqliteZipStore>(platform);
    else
        m_store = std::make_unique<PostgresZipStore>(server, paths::pristineCopy(platform));
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
