#pragma once

#include <QtGlobal>

// The window benchmarks draw without a screen unless a platform is chosen, as their figures are
// taken, so they also run where there is no display. Call before the application object.
inline void drawOffscreenUnlessChosen()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
