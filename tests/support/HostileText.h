#pragma once

// Random text of the kinds that break programs, for the tests that type it or search with it.

#include <QRandomGenerator>
#include <QString>

#include <initializer_list>

inline QString pick(QRandomGenerator &random, std::initializer_list<const char16_t *> choices)
{
    // Not fromUtf16(), which would take a leading U+FEFF for a byte-order mark.
    return QStringView(*(choices.begin() + random.bounded(int(choices.size())))).toString();
}

// One piece of text a person, a paste or an attacker might put in a box.
inline QString hostilePiece(QRandomGenerator &random)
{
    switch (random.bounded(10)) {
    case 0:
        return pick(random, {u"'", u"\"", u"''", u"`", u"\u2019", u"\u201C"});
    case 1:
        return pick(random, {u"%", u"_", u"%_", u"%%", u"[a-z]", u"[!0]", u"*", u"?", u"^"});
    case 2:
        return pick(random, {u"\\", u"\\\\", u"\\%", u"\\_", u"\\'", u"\\0", u"\\n"});
    case 3: // control characters, NUL among them
        return QString(QChar(random.bounded(0, 32)));
    case 4:
        return pick(random, {u"\u007F", u"\u0085", u"\u009B", u"\u00A0", u"\u2028", u"\u200B", u"\uFEFF",
                             u"\u202E", u"\uFFFE", u"\uFFFF", u"\u0301"});
    case 5: // a surrogate without its partner
        return QString(QChar(char16_t(0xD800 + random.bounded(0x800))));
    case 6:
        return pick(random, {u"\U0001F600", u"\U0001F4A9", u"\U0001F468\u200D\U0001F469\u200D\U0001F467",
                             u"\U0001F1FA\U0001F1F8", u"\u2764\uFE0F", u"\U00010348"});
    case 7:
        return pick(random, {u"'; drop table ZipCodes; --", u"' or '1'='1", u"\" or \"\"=\"", u"/*", u"*/",
                             u"; delete from ZipCodes", u"' escape '\\", u"x' union select 1, 2, 3 --", u"%' --"});
    case 8:
        return pick(random, {u"\u00E9", u"\u00C9", u"\u00DF", u"\u0130", u"\u0131", u"\u6F22\u5B57", u"\u0BA4",
                             u"\u05D0"});
    default: { // letters and digits that begin stored values, so that some texts list rows
        static const QString plain = QStringLiteral("0123456789 ABCDEFGHIJKLMNOPRSTUVWYabcdefghilmnoprstuy");
        QString text;
        for (int i = random.bounded(1, 4); i > 0; --i)
            text += plain[random.bounded(int(plain.size()))];
        return text;
    }
    }
}

inline QString hostileText(QRandomGenerator &random, int maxPieces)
{
    QString text;
    for (int i = random.bounded(1, maxPieces + 1); i > 0; --i)
        text += hostilePiece(random);
    return text;
}
