#include "ZipSearch.h"

#include "ZipConnection.h"
#include "ZipQuery.h"

const char *const kZipSearchSql = "select ZipCode, City, State from ZipCodes"
                                  " where ZipCode like ?1 || '%' or City like ?1 || '%'"
                                  " or State like ?1 || '%' order by ZipCode, City";

ZipQuery openZipSearch(const ZipConnection &connection, const QString &text)
{
    return connection.query(QString::fromUtf8(kZipSearchSql), {text});
}
