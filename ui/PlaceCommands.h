#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

class Dialogs;
class QAbstractItemView;
class Routine;
class ResultsModel;
class WindowPointer;
class ZipSession;
struct ZipPlace;
struct ZipProfile;

// The results list's context menu beyond the original commands: where the current row's ZIP
// lies and what it is, and the list refilled with the ZIPs near it or in its county. Each a routine of numbered steps through the
// failure handler; each does nothing while the pointer is busy or when the list has no current row.
class PlaceCommands
{
public:
    PlaceCommands(Dialogs &dialogs, ZipSession &zipSession, ResultsModel &results, QAbstractItemView &list,
                  WindowPointer &pointer)
        : m_dialogs(dialogs), m_zipSession(zipSession), m_results(results), m_list(list), m_pointer(pointer)
    {
    }

    void showDetails();
    void listZipsNear();
    void listZipsInCounty();

    // What "now" is for the local time in Details; the system's clock unless a test pins it.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

private:
    // The list's current row, or none.
    std::optional<int> currentRow() const;
    // The miles asked for, or none when the person gave up.
    std::optional<double> askDistance(Routine &r, const QString &zip);

    Dialogs &m_dialogs;
    ZipSession &m_zipSession;
    ResultsModel &m_results;
    QAbstractItemView &m_list;
    WindowPointer &m_pointer;
    std::function<QDateTime()> m_clock = &QDateTime::currentDateTimeUtc;
};
