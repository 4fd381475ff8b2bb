#include "PlainText.h"

#include <optional>

namespace {

// The first control or format character (Unicode categories Cc and Cf) and its category.
struct OddCharacter {
    char32_t code;
    QChar::Category category;
};

std::optional<OddCharacter> firstOddCharacter(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        // Printable ASCII, nearly every character a file holds, is neither.
        if (c >= 0x20 && c < 0x7f)
            continue;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Other_Control || category == QChar::Other_Format)
            return OddCharacter{c, category};
    }
    return std::nullopt;
}

} // namespace

QString plainTextRefusal(QStringView text, QLatin1StringView what, QStringView zip)
{
    if (text.size() > kMaxPlainTextLength)
        return QStringLiteral("a %1 of %2 characters for %3, where at most %4 are taken")
            .arg(what)
            .arg(text.size())
            .arg(zip)
            .arg(kMaxPlainTextLength);
    const std::optional<OddCharacter> odd = firstOddCharacter(text);
    if (!odd)
        return {};
    if (odd->category == QChar::Other_Control)
        return QStringLiteral("a control character in the %1 of %2").arg(what, zip);
    return QStringLiteral("a Unicode format character (U+%1) in the %2 of %3")
        .arg(QString::number(uint(odd->code), 16).toUpper().rightJustified(4, u'0'), what, zip);
}

QString shownText(QStringView text)
{
    constexpr qsizetype kShown = 40;
    return text.size() > kShown ? text.left(kShown).toString() + QStringLiteral("...") : text.toString();
}
