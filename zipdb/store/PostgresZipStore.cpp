#include "PostgresZipStore.h"

#include "ServerSetting.h"
#include "GreatCircle.h"
#include "ShippedCopy.h"
#include "StoreErrors.h"
#include "ZipCursor.h"
#include "ZipImport.h"
#include "ZipRows.h"
#include "ZipSchema.h"

#include <QStringList>

#include <libpq-fe.h>

#include <array>
#include <stdexcept>
#include <vector>

namespace {

// The statement that reads the ZIP rows, followed by the rest.
QByteArray zipRowsSql(const char *rest)
{
    return (zipschema::zipCodes().selectList() + QLatin1String(rest)).toUtf8();
}

// Byte order and ASCII-only case folding are the C collation's, whatever the server's default.
// LIKE takes no escape character, so a typed backslash is a backslash, as in the embedded store.
// The folded columns have indexes of their own, so a pattern that begins with text reads no more
// than the rows it lists.
const QByteArray kSearchSql = zipRowsSql(" where lower(ZipCode collate \"C\") like lower($1 collate \"C\") escape ''"
                                         " or lower(City collate \"C\") like lower($1 collate \"C\") escape ''"
                                         " or lower(State collate \"C\") like lower($1 collate \"C\") escape ''"
                                         " order by ZipCode collate \"C\", City collate \"C\"");
const QByteArray kLongTextSearchSql =
    zipRowsSql(" where starts_with(lower(ZipCode collate \"C\"), lower($1 collate \"C\"))"
               " or starts_with(lower(City collate \"C\"), lower($1 collate \"C\"))"
               " or starts_with(lower(State collate \"C\"), lower($1 collate \"C\"))"
               " order by ZipCode collate \"C\", City collate \"C\"");
const QByteArray kPlaceOfZipSql = QByteArray(zipschema::kSelectZipPlacesSql) + " where ZipCode = $1";
// The box's edges, south, north, west and east, bound as numbers.
const std::array<QString, 4> kBoxEdgeParameters = {QStringLiteral("$1::float8"), QStringLiteral("$2::float8"),
                                                   QStringLiteral("$3::float8"), QStringLiteral("$4::float8")};
const QByteArray kPlacedRowsInBoxSql = zipschema::placedRowsInBoxSql(false, kBoxEdgeParameters).toUtf8();
const QByteArray kPlacedRowsAcrossAntimeridianSql = zipschema::placedRowsInBoxSql(true, kBoxEdgeParameters).toUtf8();
// Adds and resets take turns with each other and with deletes; searches go on meanwhile.
const char *const kLockForWriting = "lock table ZipCodes in share row exclusive mode";

struct ResultClearer {
    void operator()(PGresult *result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultClearer>;

// The server's own message, or libpq's when the server sent none (it could not be reached).
[[noreturn]] void fail(PGconn *db, const PGresult *result = nullptr)
{
    const char *primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    throw std::runtime_error(primary ? std::string(primary)
                                     : QString::fromUtf8(PQerrorMessage(db)).trimmed().toStdString());
}

Result run(PGconn *db, const char *sql, const QStringList &values = {}, ExecStatusType expected = PGRES_COMMAND_OK)
{
    std::vector<QByteArray> utf8;
    std::vector<const char *> bound;
    for (const QString &value : values) {
        // libpq would cut the text at the NUL: refuse it in the server's words.
        if (value.contains(QChar(0)))
            throw std::runtime_error("invalid byte sequence for encoding \"UTF8\": 0x00");
        bound.push_back(utf8.emplace_back(value.toUtf8()).constData());
    }
    Result result(values.isEmpty() ? PQexec(db, sql)
                                   : PQexecParams(db, sql, int(bound.size()), nullptr, bound.data(), nullptr,
                                                  nullptr, 0));
    if (PQresultStatus(result.get()) != expected)
        fail(db, result.get());
    return result;
}

class Transaction
{
public:
    explicit Transaction(PGconn *db) : m_db(db) { run(db, "begin"); }
    ~Transaction()
    {
        if (m_db)
            PQclear(PQexec(m_db, "rollback"));
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit()
    {
        run(m_db, "commit");
        m_db = nullptr;
    }

private:
    PGconn *m_db;
};

double numberAt(const PGresult *result, int row, int column)
{
    return QByteArray::fromRawData(PQgetvalue(result, row, column), PQgetlength(result, row, column)).toDouble();
}

QString textAt(const PGresult *result, int row, int column)
{
    return QString::fromUtf8(PQgetvalue(result, row, column), PQgetlength(result, row, column));
}

class ServerCursor : public ZipCursor
{
public:
    explicit ServerCursor(Result rows) : m_rows(std::move(rows)), m_count(m_rows ? PQntuples(m_rows.get()) : 0) {}

    bool atEnd() const override { return m_row >= m_count; }
    QString text(int column) const override
    {
        requireRow();
        return textAt(m_rows.get(), m_row, column);
    }
    QUtf8StringView utf8Text(int column) const override
    {
        requireRow();
        return QUtf8StringView(PQgetvalue(m_rows.get(), m_row, column), PQgetlength(m_rows.get(), m_row, column));
    }
    double number(int column) const override
    {
        requireRow();
        return numberAt(m_rows.get(), m_row, column);
    }
    bool isNull(int column) const
    {
        requireRow();
        return PQgetisnull(m_rows.get(), m_row, column);
    }
    void moveNext() override
    {
        requireRow();
        ++m_row;
    }

private:
    void requireRow() const
    {
        if (atEnd())
            throw std::runtime_error(storeerrors::kNoCurrentRow);
    }

    Result m_rows;
    int m_count;
    int m_row = 0;
};

// The longest LIKE pattern, in bytes, that the embedded engine evaluates (SQLite's default
// SQLITE_MAX_LIKE_PATTERN_LENGTH, which the program never changes): a longer text is matched as
// it stands there, and so it is here.
constexpr qsizetype kEmbeddedLikePatternLimit = 50000;

void appendCopyField(QByteArray &rows, const QString &value)
{
    for (const char c : value.toUtf8()) {
        switch (c) {
        case '\\': rows += "\\\\"; break;
        case '\t': rows += "\\t"; break;
        case '\n': rows += "\\n"; break;
        case '\r': rows += "\\r"; break;
        default: rows += c;
        }
    }
}

// The pristine copy's rows in COPY's text format. Read before the server is touched, so a
// pristine copy that cannot be read changes nothing there.
QByteArray shippedRows(const QString &pristineCopy)
{
    QByteArray rows;
    for (const ZipRow &row : ShippedCopy(pristineCopy).rows()) {
        appendCopyField(rows, row.zip);
        rows += '\t';
        appendCopyField(rows, row.city);
        rows += '\t';
        appendCopyField(rows, row.state);
        rows += '\n';
    }
    return rows;
}

// The pristine copy's places in COPY's text format, \\N for an unknown coordinate.
QByteArray shippedPlaces(const QString &pristineCopy)
{
    QByteArray places;
    for (const ZipPlace &place : ShippedCopy(pristineCopy).places()) {
        appendCopyField(places, place.zip);
        places += '\t';
        appendCopyField(places, place.county);
        if (place.position)
            places += '\t' + coordinateText(place.position->latitude).toLatin1() + '\t'
                + coordinateText(place.position->longitude).toLatin1() + '\n';
        else
            places += "\t\\N\t\\N\n";
    }
    return places;
}

// A figure in COPY's text format, \\N for none.
QByteArray copyFigure(const std::optional<double> &figure)
{
    return figure ? shareText(*figure).toLatin1() : QByteArrayLiteral("\\N");
}

// The pristine copy's profiles and their counties in COPY's text format.
struct ShippedProfiles {
    QByteArray profiles;
    QByteArray counties;
};

ShippedProfiles shippedProfiles(const QString &pristineCopy)
{
    ShippedProfiles shipped;
    for (const ZipProfile &profile : ShippedCopy(pristineCopy).profiles()) {
        appendCopyField(shipped.profiles, profile.zip);
        shipped.profiles += '\t' + kindText(profile.kind).toLatin1() + '\t';
        appendCopyField(shipped.profiles, profile.timeZone);
        shipped.profiles += '\t' + (profile.population ? QByteArray::number(*profile.population) : QByteArrayLiteral("\\N"))
            + '\t' + copyFigure(profile.density) + '\n';
        for (size_t rank = 0; rank < profile.counties.size(); ++rank) {
            const CountyShare &county = profile.counties[rank];
            appendCopyField(shipped.counties, profile.zip);
            shipped.counties += '\t' + QByteArray::number(qulonglong(rank)) + '\t';
            appendCopyField(shipped.counties, county.fips);
            shipped.counties += '\t';
            appendCopyField(shipped.counties, county.name);
            shipped.counties += '\t' + copyFigure(county.share) + '\n';
        }
    }
    return shipped;
}

void copyInto(PGconn *db, const zipschema::Table &table, const QByteArray &rows)
{
    const QByteArray copySql = QStringLiteral("copy %1 (%2) from stdin").arg(table.name, table.columnList()).toUtf8();
    run(db, copySql.constData(), {}, PGRES_COPY_IN);
    if (PQputCopyData(db, rows.constData(), int(rows.size())) != 1 || PQputCopyEnd(db, nullptr) != 1)
        fail(db);
    const Result copied(PQgetResult(db));
    while (Result(PQgetResult(db))) {
    }
    if (PQresultStatus(copied.get()) != PGRES_COMMAND_OK)
        fail(db, copied.get());
}

bool hasTable(PGconn *db, const zipschema::Table &table)
{
    return *PQgetvalue(run(db, "select to_regclass(lower($1)) is not null", {table.name}, PGRES_TUPLES_OK).get(), 0, 0)
        == 't';
}

bool hasEveryTable(PGconn *db)
{
    return hasTable(db, zipschema::zipCodes()) && hasTable(db, zipschema::zipPlaces())
        && hasTable(db, zipschema::zipProfiles()) && hasTable(db, zipschema::zipCounties());
}

// Creates the table and copies its rows in, unless the server has it already.
void createUnlessPresent(PGconn *db, const zipschema::Table &table, const QByteArray &rows)
{
    if (hasTable(db, table))
        return;
    run(db, table.postgresCreate.toUtf8().constData());
    copyInto(db, table, rows);
}

// The place in the four columns from the first one on: ZIP, county, latitude, longitude.
ZipPlace placeAt(const PGresult *result, int row, int first)
{
    ZipPlace place{textAt(result, row, first), textAt(result, row, first + 1), std::nullopt};
    if (!PQgetisnull(result, row, first + 2) && !PQgetisnull(result, row, first + 3))
        place.position = GeoPoint{numberAt(result, row, first + 2), numberAt(result, row, first + 3)};
    return place;
}

} // namespace

void PostgresZipStore::Finisher::operator()(pg_conn *connection) const
{
    PQfinish(connection);
}

PostgresZipStore::PostgresZipStore(QString server, QString pristineCopy)
    : m_server(std::move(server)), m_pristineCopy(std::move(pristineCopy))
{
}

PostgresZipStore::~PostgresZipStore() = default;

PostgresZipStore::Connection PostgresZipStore::connectChecked() const
{
    // The setting's own values come after the timeout, which they may change, and before the
    // encoding, which every text here is in.
    const QByteArray server = m_server.toUtf8();
    const char *const keywords[] = {"connect_timeout", "dbname", "client_encoding", "fallback_application_name",
                                    nullptr};
    const char *const values[] = {"10", server.constData(), "UTF8", "quillmap", nullptr};
    Connection db(PQconnectdbParams(keywords, values, 1));
    if (PQstatus(db.get()) != CONNECTION_OK)
        fail(db.get());
    // In another encoding the server would match '_' against a byte, not a character.
    const QString encoding = QString::fromUtf8(PQparameterStatus(db.get(), "server_encoding"));
    if (encoding != QLatin1String("UTF8"))
        throw std::runtime_error(
            QStringLiteral("The database's encoding is %1; Quillmap needs UTF8.").arg(encoding).toStdString());

    if (!hasEveryTable(db.get())) {
        const QByteArray rows = shippedRows(m_pristineCopy);
        const QByteArray places = shippedPlaces(m_pristineCopy);
        const ShippedProfiles profiles = shippedProfiles(m_pristineCopy);
        // One machine creates the tables; the others wait for the lock, then find them from a
        // transaction begun after their creation. A failure ends this connection, and the lock with it.
        // A server set up before places or profiles were kept gets their tables the same way, its
        // rows untouched. The key spells "Quillmap".
        run(db.get(), "select pg_advisory_lock(5869751240669061488)", {}, PGRES_TUPLES_OK);
        if (!hasEveryTable(db.get())) {
            Transaction creation(db.get());
            createUnlessPresent(db.get(), zipschema::zipCodes(), rows);
            createUnlessPresent(db.get(), zipschema::zipPlaces(), places);
            createUnlessPresent(db.get(), zipschema::zipProfiles(), profiles.profiles);
            createUnlessPresent(db.get(), zipschema::zipCounties(), profiles.counties);
            creation.commit();
        }
        run(db.get(), "select pg_advisory_unlock(5869751240669061488)", {}, PGRES_TUPLES_OK);
    }
    run(db.get(), zipRowsSql(" limit 1").constData(), {}, PGRES_TUPLES_OK);
    return db;
}

template <class Work>
auto PostgresZipStore::withServer(Work &&work)
{
    if (!m_open)
        throw std::runtime_error(storeerrors::kClosed);
    for (bool retried = false;; retried = true) {
        const bool fresh = !m_connection;
        try {
            if (fresh)
                m_connection = connectChecked();
            return work(m_connection.get());
        } catch (const std::runtime_error &) {
            const bool lost = m_connection && PQstatus(m_connection.get()) == CONNECTION_BAD;
            if (lost)
                m_connection.reset();
            // A connection that went stale between calls (the server restarted) gets one more
            // try on a new one. An add whose commit was sent but never answered then finds its
            // own row and reports the ZIP as taken: nothing is added twice.
            if (!lost || fresh || retried)
                throw;
        }
    }
}

void PostgresZipStore::open()
{
    if (m_open)
        throw std::runtime_error(storeerrors::kOpen);
    m_open = true;
    m_connection = connectChecked();
}

bool PostgresZipStore::isOpen() const
{
    return m_open;
}

void PostgresZipStore::close()
{
    if (!m_open)
        throw std::runtime_error(storeerrors::kClosed);
    m_open = false;
    m_connection.reset();
}

std::unique_ptr<ZipCursor> PostgresZipStore::search(const QString &text)
{
    return withServer([&](PGconn *db) {
        // The server holds no NUL in a text; the embedded store lists nothing for one.
        if (text.contains(QChar(0)))
            return std::make_unique<ServerCursor>(Result());
        if (text.toUtf8().size() + 1 > kEmbeddedLikePatternLimit)
            return std::make_unique<ServerCursor>(run(db, kLongTextSearchSql.constData(), {text}, PGRES_TUPLES_OK));
        return std::make_unique<ServerCursor>(run(db, kSearchSql.constData(), {text + QLatin1Char('%')}, PGRES_TUPLES_OK));
    });
}

bool PostgresZipStore::exists(const QString &zip)
{
    return withServer([&](PGconn *db) {
        const Result found = run(db, "select 1 from ZipCodes where ZipCode = $1 limit 1", {zip}, PGRES_TUPLES_OK);
        return PQntuples(found.get()) > 0;
    });
}

bool PostgresZipStore::add(const QString &zip, const QString &city, const QString &state)
{
    return withServer([&](PGconn *db) {
        Transaction adding(db);
        run(db, kLockForWriting);
        const Result added = run(db,
                                 "insert into ZipCodes (ZipCode, City, State) select $1::text, $2::text, $3::text"
                                 " where not exists (select 1 from ZipCodes where ZipCode = $1::text)",
                                 {zip, city, state});
        adding.commit();
        return QByteArray(PQcmdTuples(added.get())) == "1";
    });
}

int PostgresZipStore::remove(const QString &zip)
{
    return withServer([&](PGconn *db) {
        return QByteArray(PQcmdTuples(run(db, "delete from ZipCodes where ZipCode = $1", {zip}).get())).toInt();
    });
}

void PostgresZipStore::reset()
{
    const QByteArray rows = shippedRows(m_pristineCopy);
    const QByteArray places = shippedPlaces(m_pristineCopy);
    const ShippedProfiles profiles = shippedProfiles(m_pristineCopy);
    const Connection db = connectChecked();
    Transaction resetting(db.get());
    run(db.get(), kLockForWriting);
    run(db.get(), "delete from ZipCodes");
    copyInto(db.get(), zipschema::zipCodes(), rows);
    run(db.get(), "delete from ZipPlaces");
    copyInto(db.get(), zipschema::zipPlaces(), places);
    run(db.get(), "delete from ZipProfiles");
    copyInto(db.get(), zipschema::zipProfiles(), profiles.profiles);
    run(db.get(), "delete from ZipCounties");
    copyInto(db.get(), zipschema::zipCounties(), profiles.counties);
    resetting.commit();
}

QString PostgresZipStore::importRefusal() const
{
    return QStringLiteral("Importing into the office's server is not supported; an import changes only a machine's "
                          "own working copy, which a machine without the server setting in %1 uses.")
        .arg(serverSettingFile());
}

ImportPlan PostgresZipStore::planImport(const ZipImport &)
{
    throw std::runtime_error(importRefusal().toStdString());
}

ImportPlan PostgresZipStore::applyImport(const ZipImport &)
{
    throw std::runtime_error(importRefusal().toStdString());
}

std::optional<ZipPlace> PostgresZipStore::place(const QString &zip)
{
    return withServer([&](PGconn *db) -> std::optional<ZipPlace> {
        const Result found = run(db, kPlaceOfZipSql.constData(), {zip}, PGRES_TUPLES_OK);
        if (PQntuples(found.get()) == 0)
            return std::nullopt;
        return placeAt(found.get(), 0, 0);
    });
}

QHash<QString, ZipPlace> PostgresZipStore::places()
{
    return withServer([&](PGconn *db) {
        const Result all = run(db, zipschema::kSelectZipPlacesSql, {}, PGRES_TUPLES_OK);
        QHash<QString, ZipPlace> places;
        places.reserve(PQntuples(all.get()));
        for (int row = 0; row < PQntuples(all.get()); ++row) {
            ZipPlace read = placeAt(all.get(), row, 0);
            places.insert(read.zip, std::move(read));
        }
        return places;
    });
}

std::optional<ZipProfile> PostgresZipStore::profile(const QString &zip)
{
    return withServer([&](PGconn *db) -> std::optional<ZipProfile> {
        ServerCursor found(run(db, zipschema::kProfileOfZipSql, {zip}, PGRES_TUPLES_OK));
        if (found.atEnd())
            return std::nullopt;
        return profileWithCounties(found, ServerCursor(run(db, zipschema::kCountiesOfZipSql, {zip}, PGRES_TUPLES_OK)));
    });
}

std::vector<ZipProfile> PostgresZipStore::profiles()
{
    static const QByteArray profilesSql = QByteArray(zipschema::kSelectZipProfilesSql) + " order by ZipCode";
    static const QByteArray countiesSql = QByteArray(zipschema::kSelectZipCountiesSql) + " order by ZipCode, Rank";
    return withServer([&](PGconn *db) {
        ServerCursor profiles(run(db, profilesSql.constData(), {}, PGRES_TUPLES_OK));
        ServerCursor counties(run(db, countiesSql.constData(), {}, PGRES_TUPLES_OK));
        return readZipProfiles(profiles, counties);
    });
}

std::vector<CountyRow> PostgresZipStore::rowsInCounty(const QString &fips)
{
    return withServer([&](PGconn *db) {
        std::vector<CountyRow> rows;
        for (ServerCursor row(run(db, zipschema::kRowsInCountySql, {fips}, PGRES_TUPLES_OK)); !row.atEnd(); row.moveNext())
            rows.push_back({{row.text(ZipCodeColumn), row.text(CityColumn), row.text(StateColumn)},
                            row.isNull(3) ? std::nullopt : std::optional(row.number(3))});
        return rows;
    });
}

std::vector<CountyShare> PostgresZipStore::countiesNamed(const QString &name, const QString &stateFips)
{
    return withServer([&](PGconn *db) {
        std::vector<CountyShare> counties;
        for (ServerCursor county(run(db, zipschema::kCountiesNamedSql, {name, stateFips}, PGRES_TUPLES_OK));
             !county.atEnd(); county.moveNext())
            counties.push_back({county.text(0), county.text(1), std::nullopt});
        return counties;
    });
}

std::unique_ptr<ZipCursor> PostgresZipStore::candidatesIn(const GeoBox &box)
{
    const QByteArray &sql = box.west > box.east ? kPlacedRowsAcrossAntimeridianSql : kPlacedRowsInBoxSql;
    return withServer([&](PGconn *db) {
        return std::make_unique<ServerCursor>(run(db, sql.constData(),
                                                  {coordinateText(box.south), coordinateText(box.north),
                                                   coordinateText(box.west), coordinateText(box.east)},
                                                  PGRES_TUPLES_OK));
    });
}

std::vector<ProvenanceEntry> PostgresZipStore::provenance()
{
    // The server's rows were loaded from the shipped copy, and imports never reach the server.
    return ShippedCopy(m_pristineCopy).sources();
}
