#pragma once

#include <QString>

class Platform;

// The application title: the display name shortened to at most 40 characters by dropping
// whole words from its end.
QString shortenedAppTitle(QString displayName);
void setAppTitle(Platform &platform, const QString &displayName);

// On about one start in a hundred, opens the home page, the program's own documentation page, in
// the desktop's browser.
void visitHomePageOccasionally(Platform &platform);
