#pragma once

#include <memory>

class ZipConnection;

// The owner of the one shared connection. Start-up creates it, shutdown releases it; every
// command reaches it through connection(), which fails as an unset object variable does when
// there is none.
class ZipSession
{
public:
    ZipSession();
    ~ZipSession();
    ZipSession(const ZipSession &) = delete;
    ZipSession &operator=(const ZipSession &) = delete;

    void create();
    void release();
    bool exists() const { return bool(m_connection); }
    // Throws "Object variable or With block variable not set" when there is no connection.
    ZipConnection &connection() const;

private:
    std::unique_ptr<ZipConnection> m_connection;
};
