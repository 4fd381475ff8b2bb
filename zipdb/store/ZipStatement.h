#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// One statement prepared once and run for many rows: an import's thousands of reads and writes
// each cost a step, not a parse, and the values go in and out as UTF-8 bytes, numbers or NULL,
// with no conversion of text. Every step is bounded in time and fails as a ZipQuery's does.
class ZipStatement
{
public:
    ZipStatement(sqlite3 *db, const QString &sql);

    // Values for ?1, ?2, ... until the next run(). A text is not copied: its bytes must stay
    // until the statement has run.
    void bind(int index, std::string_view utf8);
    void bind(int index, qint64 number);
    void bind(int index, std::optional<double> number);
    void bindNull(int index);
    // Runs the statement to its end with the values bound; returns the count of rows it changed.
    int run();

    // Steps to the next row of a query; false at its end, after which the query starts again.
    bool next();
    // The columns of the row next() stands on.
    std::string_view text(int column) const;
    qint64 integer(int column) const;
    double number(int column) const;
    bool isNull(int column) const;

private:
    void check(int result) const;

    struct Finalizer {
        void operator()(sqlite3_stmt *statement) const;
    };
    sqlite3 *m_db;
    std::unique_ptr<sqlite3_stmt, Finalizer> m_statement;
};
