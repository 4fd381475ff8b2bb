#pragma once

#include "Routine.h"

// The failure handler of one of the main window's routines, named by the label its box shows.
inline Routine formRoutine(Dialogs &dialogs, const QString &label)
{
    return Routine(dialogs, QStringLiteral("Form1"), label);
}
