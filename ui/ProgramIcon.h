#pragma once

#include <QIcon>

// The program's icon: a map pin over a ZIP-code card, drawn rather than shipped.
QIcon programIcon();
