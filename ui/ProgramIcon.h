#pragma once

#include <QIcon>
#include <QImage>

// The program's icon: a map pin over a ZIP-code card, drawn rather than shipped.
QIcon programIcon();

// The same drawing at any square size, for the desktop's icon theme as well as the window.
QImage programIconImage(int size);
