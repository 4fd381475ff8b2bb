#pragma once

#include <QPalette>

class QColor;
class QWidget;

// Gives the widget a background of its own in the colour, under the palette's role, whatever the
// style would paint there.
void fillBackground(QWidget &widget, const QColor &colour, QPalette::ColorRole role = QPalette::Window);
