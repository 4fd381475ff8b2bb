#include "PlainText.h"

#include <optional>

namespace {

std::optional<char32_t> firstOfCategory(QStringView text, QChar::Category category)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (QChar::category(c) == category)
            return c;
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
    if (firstOfCategory(text, QChar::Other_Control))
        return QStringLiteral("a control character in the %1 of %2").arg(what, zip);
    if (const std::optional<char32_t> format = firstOfCategory(text, QChar::Other_Format))
        return QStringLiteral("a Unicode format character (U+%1) in the %2 of %3")
            .arg(QString::number(uint(*format), 16).toUpper().rightJustified(4, u'0'), what, zip);
    return {};
}

QString shownText(QStringView text)
{
    constexpr qsizetype kShown = 40;
    return text.size() > kShown ? text.left(kShown).toString() + QStringLiteral("...") : text.toString();
}
