#pragma once

#include <QString>

#include <optional>

class ZipConnection;

// The ZIP as the table stores it: five digits, leading zeros kept. Takes one to five digits with
// blanks around them ("2134" and " 02134 " are both "02134"); any other text gives nothing.
std::optional<QString> storedZip(const QString &typed);

// Whether any row has the ZIP. The query is read to its end at once, so no lock is held
// while the person is asked for the rest of the row.
bool zipExists(const ZipConnection &connection, const QString &zip);

// Adds one row, unless the ZIP has a row already: another instance may have added it since
// the check. True when the row was added. Values are bound, so any text is stored as typed.
bool addZipRow(ZipConnection &connection, const QString &zip, const QString &city, const QString &state);

// Deletes every row of the ZIP, whatever its city and state; returns how many went.
int deleteZip(ZipConnection &connection, const QString &zip);
