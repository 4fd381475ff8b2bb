#include "ZipSearch.h"

#include "ZipConnection.h"
#include "ZipQuery.h"

const char *const kZipSearchSql = "select ZipCode, City, State from ZipCodes"
                                  " where ZipCode like ?1 || '%' or City like ?1 || '%'"
                                  " or State like ?1 || '%' order by ZipCode, City";

namespace {

// The same prefix test without LIKE: NOCASE folds the same ASCII letters that LIKE does.
const char *const kLongTextSearchSql = "select ZipCode, City, State from ZipCodes"
                                       " where substr(ZipCode, 1, length(?1)) = ?1 collate nocase"
                                       " or substr(City, 1, length(?1)) = ?1 collate nocase"
                                       " or substr(State, 1, length(?1)) = ?1 collate nocase"
                                       " order by ZipCode, City";

} // namespace

ZipQuery openZipSearch(const ZipConnection &connection, const QString &text)
{
    // The engine refuses a LIKE pattern over its limit ("LIKE or GLOB pattern too complex"), and
    // a text that long can only match a value at least thousands of characters long.
    const bool fitsLike = text.toUtf8().size() + 1 <= connection.likePatternLimit();
    return connection.query(QString::fromUtf8(fitsLike ? kZipSearchSql : kLongTextSearchSql), {text});
}
