// Build step: turns data/zipcodes.csv into the shipped SQLite database dbZipsOriginal.mdb.
// Usage: zipcsv_to_db zipcodes.csv dbZipsOriginal.mdb
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct DbCloser {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};

// One RFC 4180 record; quoted fields may hold commas and doubled quotes.
std::vector<std::string> splitCsv(const std::string &line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

void check(sqlite3 *db, int result)
{
    if (result != SQLITE_OK && result != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(db));
}

void build(const std::string &csvPath, const std::string &dbPath)
{
    std::ifstream csv(csvPath);
    if (!csv)
        throw std::runtime_error("cannot read " + csvPath);
    std::filesystem::remove(dbPath);
    sqlite3 *raw = nullptr;
    const int opened = sqlite3_open(dbPath.c_str(), &raw);
    std::unique_ptr<sqlite3, DbCloser> db(raw);
    check(db.get(), opened);
    check(db.get(), sqlite3_exec(db.get(),
                                 "create table ZipCodes (ZipCode TEXT, City TEXT, State TEXT);"
                                 "begin;",
                                 nullptr, nullptr, nullptr));
    sqlite3_stmt *rawInsert = nullptr;
    check(db.get(), sqlite3_prepare_v2(db.get(), "insert into ZipCodes values (?1, ?2, ?3)", -1, &rawInsert, nullptr));
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> insert(rawInsert);

    std::string line;
    std::getline(csv, line); // header
    long rows = 0;
    while (std::getline(csv, line)) {
        if (line.empty())
            continue;
        const auto fields = splitCsv(line);
        if (fields.size() != 3 || fields[0].size() != 5)
            throw std::runtime_error("bad row " + std::to_string(rows + 2) + ": " + line);
        for (int i = 0; i < 3; ++i)
            check(db.get(), sqlite3_bind_text(insert.get(), i + 1, fields[i].c_str(), int(fields[i].size()),
                                              SQLITE_TRANSIENT));
        check(db.get(), sqlite3_step(insert.get()));
        sqlite3_reset(insert.get());
        ++rows;
    }
    insert.reset();
    // The index keeps the ZIP order cheap and the look-up of one ZIP fast.
    check(db.get(), sqlite3_exec(db.get(), "create index ZipCodes_ZipCode on ZipCodes (ZipCode); commit;", nullptr,
                                 nullptr, nullptr));
    std::cout << "wrote " << rows << " rows to " << dbPath << "\n";
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::cerr << "usage: zipcsv_to_db zipcodes.csv dbZipsOriginal.mdb\n";
        return 2;
    }
    // Built beside the target and renamed over it, so an interrupted build never leaves a partial
    // database that looks newer than its CSV.
    const std::string target = argv[2];
    const std::string partial = target + ".partial";
    try {
        build(argv[1], partial);
        std::filesystem::rename(partial, target);
    } catch (const std::exception &failure) {
        std::cerr << "zipcsv_to_db: " << failure.what() << "\n";
        std::filesystem::remove(partial);
        return 1;
    }
    return 0;
}
