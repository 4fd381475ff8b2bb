#include "JsonText.h"

void appendJsonString(QString &json, const QString &text)
{
    json += u'"';
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            json += u'\\';
        if (c.unicode() < 0x20)
            json += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            json += c;
    }
    json += u'"';
}

void closeJsonArray(QString &json)
{
    if (json.size() > 1)
        json.chop(1);
    json += u']';
}
