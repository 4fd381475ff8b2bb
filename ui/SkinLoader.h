#pragma once

class QString;
class QWidget;

// The optional skin. When the skin file is there (a plain file, not a hidden one), the window
// and its frames take the platform's button-face colour and the file then becomes the
// window's style sheet. Other controls keep their colours. Without the file nothing changes.
// Throws when the file is there but cannot be read as text; the recolouring stays and no
// style sheet is set.
void applySkinFile(const QString &path, QWidget &window);
