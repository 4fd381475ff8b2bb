#pragma once

#include "Routine.h"

class CaptionProgressBar;
class Platform;
class QLineEdit;
class QWidget;
class ResultsModel;
class ResultsView;
class WindowPointer;
class ZipSession;

// What the window's routines work on: the outside world, the shared connection, the list's
// rows, the window's pointer and the controls they read or drive. Form1 owns all of it.
struct CommandContext {
    Platform &platform;
    ZipSession &zip;
    ResultsModel &results;
    WindowPointer &pointer;
    QWidget &window;
    QLineEdit &searchBox;
    ResultsView &list;
    CaptionProgressBar &progressBar;

    // The failure handler of one of the window's routines, named by the label its box shows.
    Routine routine(const QString &label) const { return Routine(platform, QStringLiteral("Form1"), label); }
};
