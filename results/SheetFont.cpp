#include "SheetFont.h"

#include "AlignedText.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>

#include <array>
#include <cmath>

namespace {

constexpr int kMarginPixels = 5;
constexpr int kCharacterPixels = 7;

} // namespace

// Advances come from a table, not from shaping every text: tens of thousands of cells are
// measured per export, and kerning does not matter to a column's width.
struct SheetFont::Glyphs {
    explicit Glyphs(const QFont &font) : metrics(font)
    {
        for (char16_t code = 0; code < latin1.size(); ++code)
            latin1[code] = metrics.horizontalAdvance(QChar(code));
    }

    qreal advance(char32_t code)
    {
        if (code < latin1.size())
            return latin1[code];
        auto found = others.constFind(code);
        if (found == others.cend())
            found = others.insert(code, metrics.horizontalAdvance(QString::fromUcs4(&code, 1)));
        return *found;
    }

    QFontMetricsF metrics;
    std::array<qreal, 256> latin1{};
    QHash<char32_t, qreal> others;
};

SheetFont::SheetFont()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    for (const QString &family : {QStringLiteral("Calibri"), QStringLiteral("Carlito")}) {
        QFont font(family);
        font.setPixelSize(15);
        if (QFontInfo(font).family() == family) {
            m_glyphs = std::make_unique<Glyphs>(font);
            return;
        }
    }
}

SheetFont::~SheetFont() = default;

int SheetFont::columnPixels(const QString &text) const
{
    if (!m_glyphs)
        return kCharacterPixels * int(characterCount(text)) + kMarginPixels;
    qreal width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        width += m_glyphs->advance(code);
    }
    return int(std::ceil(width)) + kMarginPixels;
}
