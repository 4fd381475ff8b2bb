#include "ZipSession.h"

#include "ZipConnection.h"

#include <stdexcept>

ZipSession::ZipSession() = default;
ZipSession::~ZipSession() = default;

void ZipSession::create()
{
    m_connection = std::make_unique<ZipConnection>();
}

void ZipSession::release()
{
    m_connection.reset();
}

ZipConnection &ZipSession::connection() const
{
    if (!m_connection)
        throw std::runtime_error("Object variable or With block variable not set");
    return *m_connection;
}
