#pragma once

#include <QString>

#include <memory>

// The pixels a sheet column needs to show a text in the sheet's default font, Calibri 11
// (15 px), measured with its metric twin Carlito where Calibri is missing: the text's advance
// plus 5 for the cell's margins. Where neither font can be measured (no GUI application, neither
// font installed) a character counts 7 pixels, the font's digit width.
class SheetFont
{
public:
    SheetFont();
    ~SheetFont();
    SheetFont(const SheetFont &) = delete;
    SheetFont &operator=(const SheetFont &) = delete;

    bool measuresGlyphs() const { return m_glyphs != nullptr; }
    int columnPixels(const QString &text) const;

private:
    struct Glyphs;
    std::unique_ptr<Glyphs> m_glyphs;
};
