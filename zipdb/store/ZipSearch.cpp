#include "ZipSearch.h"

#include "ZipConnection.h"
#include "ZipQuery.h"
#include "ZipSchema.h"

const QString &zipSearchSql()
{
    static const QString sql = zipschema::zipCodes().selectList()
        + QStringLiteral(" where ZipCode like ?1 || '%' or City like ?1 || '%'"
                         " or State like ?1 || '%' order by ZipCode, City");
    return sql;
}

namespace {

// The same prefix test without LIKE: NOCASE folds the same ASCII letters that LIKE does.
const QString &longTextSearchSql()
{
    static const QString sql = zipschema::zipCodes().selectList()
        + QStringLiteral(" where substr(ZipCode, 1, length(?1)) = ?1 collate nocase"
                         " or substr(City, 1, length(?1)) = ?1 collate nocase"
                         " or substr(State, 1, length(?1)) = ?1 collate nocase"
                         " order by ZipCode, City");
    return sql;
}

} // namespace

ZipQuery openZipSearch(const ZipConnection &connection, const QString &text)
{
    // The engine refuses a LIKE pattern over its limit ("LIKE or GLOB pattern too complex"), and
    // a text that long can only match a value at least thousands of characters long. LIKE reads
    // a pattern only up to a NUL, so a pasted text holding one would list what its start matches.
    const bool fitsLike = text.toUtf8().size() + 1 <= connection.likePatternLimit() && !text.contains(QChar(0));
    return connection.query(fitsLike ? zipSearchSql() : longTextSearchSql(), {text});
}
