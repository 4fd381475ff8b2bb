#pragma once

#include <QCursor>
#include <QString>

// Reads a Windows cursor file (.cur) with its hotspot from the file's header.
// Throws when the file cannot be read or holds no cursor picture.
QCursor loadCursorFile(const QString &path);
