#include "Background.h"

#include <QWidget>

void fillBackground(QWidget &widget, const QColor &colour, QPalette::ColorRole role)
{
    QPalette palette = widget.palette();
    palette.setColor(role, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}
