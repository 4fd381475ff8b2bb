#pragma once

#include <memory>

struct StoreLocations;
class ZipStore;

// The owner of the one store the commands share. Start-up creates it, shutdown releases it; every
// command reaches it through store(), which fails as an unset object variable does when there is
// none.
class ZipSession
{
public:
    ZipSession();
    ~ZipSession();
    ZipSession(const ZipSession &) = delete;
    ZipSession &operator=(const ZipSession &) = delete;

    // The server store when the locations name a server, else the embedded working copy.
    void create(const StoreLocations &locations);
    void release();
    bool exists() const { return bool(m_store); }
    // Throws storeerrors::kNotSet when there is no store.
    ZipStore &store() const;

private:
    std::unique_ptr<ZipStore> m_store;
};
