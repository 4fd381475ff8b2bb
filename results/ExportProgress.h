#pragma once

#include <QString>

#include <functional>

// The caption of a bar at rest, before an export and after it; the window's layout shows it too.
inline constexpr char kIdleProgressCaption[] = "Progress Bar";

// What a writer drives while it works. yield runs at every row and cell the writer visits, so
// the window's events can run in the middle of a long export; the bar, when the caller gives
// one, takes a position from 0 to 100 and a caption. None of them throws: Qt's event loop
// carries no exception, and a writer's failures are its own.
struct ExportProgress {
    std::function<void()> yield;
    std::function<void(int position)> setPosition;
    std::function<void(const QString &caption)> setCaption;

    bool hasBar() const { return setPosition && setCaption; }
    void yieldNow() const
    {
        if (yield)
            yield();
    }
};
