#include "ImportSession.h"

#include "ZipStore.h"

#include <stdexcept>

QString ImportSession::read(const QString &path)
{
    m_import.reset();
    try {
        m_file = readZipDataFile(path);
    } catch (const ZipDataFileRefusal &refusal) {
        return QString::fromUtf8(refusal.what());
    }
    return {};
}

void ImportSession::readShippedRows(const QString &pristineCopy)
{
    m_import.emplace(std::move(m_file), pristineCopy);
}

void ImportSession::requireImports(const ZipStore &store)
{
    const QString refusal = store.importRefusal();
    if (!refusal.isEmpty())
        throw std::runtime_error(refusal.toStdString());
}

ImportPlan ImportSession::plan(ZipStore &store) const
{
    return store.planImport(import());
}

QString ImportSession::summary(const ImportPlan &plan) const
{
    return import().summary(plan);
}

QString ImportSession::massRemovals(const ImportPlan &plan) const
{
    return import().massRemovals(plan);
}

void ImportSession::confirmMassRemoval()
{
    import(); // throws unless the shipped rows were read
    m_import->confirmMassRemoval();
}

void ImportSession::requireConfirmedRemovals(const ImportPlan &plan) const
{
    import().requireConfirmedRemovals(plan);
}

ImportPlan ImportSession::apply(ZipStore &store) const
{
    return store.applyImport(import());
}

const ZipImport &ImportSession::import() const
{
    if (!m_import)
        throw std::logic_error("The shipped rows of the import were not read.");
    return *m_import;
}
