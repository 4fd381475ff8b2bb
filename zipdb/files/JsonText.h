#pragma once

#include <QString>

// JSON written by hand, for statements that read thousands of rows through json_each: for that
// many QJsonArray takes longer to build than SQLite takes to insert them.

// Appends the text as a JSON string.
void appendJsonString(QString &json, const QString &text);
// Ends an array whose every element was followed by a comma.
void closeJsonArray(QString &json);
