#pragma once

#include <QString>

class ZipConnection;
class ZipQuery;

// The search's statement; the text is bound to ?1.
const QString &zipSearchSql();

// The rows whose ZIP (its five digits), city or state begins with the text as typed,
// ignoring letter case, in ascending ZIP order. '%' and '_' in the text act as wildcards;
// the text is bound, never spliced into the SQL. A text too long for the engine's LIKE is
// matched as it stands, its '%' and '_' taken literally, so no text fails the search; a text
// holding a NUL lists nothing.
ZipQuery openZipSearch(const ZipConnection &connection, const QString &text);
