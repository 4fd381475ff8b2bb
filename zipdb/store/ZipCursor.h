#pragma once

#include "ZipRow.h"

#include <QString>
#include <QUtf8StringView>

// A read-only cursor over the rows of a search or of the ZIPs in a box, standing on its first row
// once opened, read front to back. Reading past the end throws; a row that cannot be read ends
// the cursor, so a loop over it reports the failure once and stops. Valid while the store that
// opened it lives.
class ZipCursor
{
public:
    virtual ~ZipCursor() = default;

    virtual bool atEnd() const = 0;
    // The text of a column (ZipColumn) of the current row; an empty value reads as the empty text.
    virtual QString text(int column) const = 0;
    // The same text as the store's UTF-8 bytes, without a copy: valid until the cursor moves.
    virtual QUtf8StringView utf8Text(int column) const = 0;
    // The number in a column of the current row: a coordinate.
    virtual double number(int column) const = 0;
    virtual void moveNext() = 0;
};
